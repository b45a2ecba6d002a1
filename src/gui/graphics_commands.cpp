#include "gui/graphics_commands.h"

#include <wx/bitmap.h>
#include <wx/busyinfo.h>
#include <wx/checkbox.h>
#include <wx/clipbrd.h>
#include <wx/dialog.h>
#include <wx/filedlg.h>
#include <wx/image.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/textdlg.h>
#include <wx/utils.h>

#include <strings.h>

#include <ctime>
#include <fstream>
#include <memory>
#include <sstream>

#include "editor/graphic_command.h"
#include "editor/graphic_insertion.h"
#include "export/page_export.h"
#include "export/save_pdf.h"
#include "graphics/graphic_description.h"
#include "graphics/graphics_special.h"
#include "gui/editor_view.h"
#include "gui/gui_services.h"
#include "gui/insert_graphic_dialog.h"
#include "gui/main_frame.h"
#include "gui/page_view_window.h"
#include "platform/paths.h"
#include "postscript/dvi_postscript.h"
#include "postscript/ps_document.h"

namespace quirn::gui {

namespace {

constexpr const char* kGraphicsWildcard =
    "Graphics files (*.eps;*.ps;*.pdf;*.jpg;*.png;*.gif;*.bmp;*.wmf;*.tif;*.tiff)|"
    "*.eps;*.ps;*.pdf;*.jpg;*.png;*.gif;*.bmp;*.wmf;*.tif;*.tiff|All files (*)|*";

std::string Utf8(const wxString& text) {
    return text.utf8_string();
}

const Settings& CurrentSettings() {
    return Services().App().Record();
}

GraphicConversionSetup ConversionSetup() {
    GraphicConversionSetup setup;
    AppContext& context = Services().App().Context();
    setup.installDir = context.roots.installDir;
    setup.settings = &CurrentSettings();
    setup.prompt = &Services().Prompt();
    setup.output = &Services().Output();
    setup.environment = context.childEnvironment;
    return setup;
}

std::string Unit() {
    return CurrentSettings().cmUnits != 0 ? "cm" : "in";
}

CQuirnWinView* ActiveEditor() {
    return dynamic_cast<CQuirnWinView*>(Services().Documents().GetCurrentView());
}

CBaseView* ActivePageView() {
    return dynamic_cast<CBaseView*>(Services().Documents().GetCurrentView());
}

CDVIWinDoc* ActiveDvi() {
    CBaseView* view = ActivePageView();
    return view ? dynamic_cast<CDVIWinDoc*>(view->GetDocument()) : nullptr;
}

// DVI, PostScript and EPS documents reach PDF through the interpreter; a PDF is one.
bool CanSaveAsPdf() {
    CBaseView* view = ActivePageView();
    if (!view || !view->GetDocument()) {
        return false;
    }
    if (ActiveDvi()) {
        return true;
    }
    std::string ext = ExtensionOf(FileNameOf(Utf8(view->GetDocument()->GetFilename())));
    for (char& c : ext) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return ext == "ps" || ext == "eps";
}

std::string DocumentPathOf(CQuirnWinView& view) {
    auto* doc = dynamic_cast<CQuirnWinDoc*>(view.GetDocument());
    return doc ? doc->Path() : std::string();
}

// The save dialog that picks the new name of a graphic whose name TeX cannot read.
std::optional<std::string> ChooseSafeName(wxWindow* parent, const std::string& suggested) {
    wxFileDialog dialog(parent, "Choose new graphics file location or name",
                        wxString::FromUTF8(DirectoryOf(suggested)),
                        wxString::FromUTF8(FileNameOf(suggested)), "All files (*)|*",
                        wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (dialog.ShowModal() != wxID_OK) {
        return std::nullopt;
    }
    return Utf8(dialog.GetPath());
}

// The dialog and the insertion for a graphic file whose name has been checked;
// `replace` is the text range the result takes the place of.
void InsertCheckedGraphic(CQuirnWinView& view, const std::string& graphic, TextRange replace,
                          GraphicRequest request, bool haveSize) {
    GraphicsSpecialLibrary library(Services().App().Context().roots.installDir,
                                   &Services().App().Context().temporary);
    const GraphicDescription description = DescribeGraphic(graphic, library, Services().Output());
    std::unique_ptr<RgbImage> preview = library.GetBitmap(graphic, 200);
    request.path = graphic;
    request.unit = Unit();
    const bool pdfMode = strcasecmp(CurrentSettings().mode.c_str(), "PDF") == 0;
    if (!haveSize) {
        NaturalGraphicSize(description, preview ? preview->dpiX : 0, request.unit, &request.width,
                           &request.height);
        // LaTeX's dvips driver cannot measure a bitmap: in DVI mode the dialog starts
        // with the bitmap's own box (a pixel a point), which the previewer draws.
        if (!pdfMode && description.kind == GraphicKind::Bitmap && !request.boundingBox) {
            request.boundingBox = std::array<int, 4>{0, 0, static_cast<int>(description.width),
                                                     static_cast<int>(description.height)};
        }
    }
    if (!ShowInsertGraphicDialog(view.Editor(), description, preview.get(), request)) {
        return;
    }
    const std::string document = DocumentPathOf(view);
    PostScriptGraphicConverter converter(ConversionSetup());
    GraphicInsertionContext context{
        Services().Prompt(),
        Services().Output(),
        &converter,
        pdfMode ? TypesetOutput::Pdf : TypesetOutput::Dvi,
        document.empty() ? JoinPath(DirectoryOf(graphic), "untitled.tex") : document,
        GraphicKindOfName(graphic),
        {}};
    wxBusyCursor busy;
    StcTextBuffer& buffer = view.Buffer();
    view.Editor()->BeginUndoAction();
    const std::string removed = TextOf(buffer, replace.start, replace.end);
    buffer.Delete(replace.start, replace.end);
    const std::optional<TextRange> inserted =
        InsertGraphic(buffer, replace.start, request, context);
    if (!inserted) {
        buffer.Insert(replace.start, removed);
    }
    view.Editor()->EndUndoAction();
    if (inserted) {
        view.SetSelection(inserted->end, inserted->end);
    }
}

void InsertGraphicCommand() {
    CQuirnWinView* view = ActiveEditor();
    if (!view) {
        return;
    }
    wxFileDialog dialog(view->Editor(), "Choose a graphics file to insert", "", "",
                        kGraphicsWildcard, wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (dialog.ShowModal() != wxID_OK) {
        return;
    }
    const auto chooser = [view](const std::string& s) { return ChooseSafeName(view->Editor(), s); };
    const std::optional<std::string> graphic = MakeGraphicNameUsable(
        Utf8(dialog.GetPath()), Services().Prompt(), chooser, Services().Output());
    if (graphic) {
        InsertCheckedGraphic(*view, *graphic, view->GetSelection(), GraphicRequest{}, false);
    }
}

void MigrationCommand() {
    CQuirnWinView* view = ActiveEditor();
    auto* doc = view ? dynamic_cast<CQuirnWinDoc*>(view->GetDocument()) : nullptr;
    if (!doc || !doc->Tex() || !Services().Prompt().AskYesNo(MigrationQuestion())) {
        return;
    }
    if (doc->Path().empty()) {
        Services().Prompt().ShowMessage("Save the document first.");
        return;
    }
    const std::string backup = MigrationBackupPath(doc->Path());
    std::string error;
    Services().Output().AppendOutput(doc->Tex()->SaveCopy(backup, &error)
                                         ? "wrote backup file " + backup + "\n"
                                         : "writing backup " + backup + " failed\n");
}

// Page numbers and ranges ("1-3,5"), 1-based, into 0-based indexes; false for anything
// outside 1..count.
bool ParsePageList(const std::string& text, int count, std::vector<int>* pages) {
    std::stringstream in(text);
    std::string part;
    while (std::getline(in, part, ',')) {
        int first = 0, last = 0;
        char dash = 0;
        std::stringstream range(part);
        if (!(range >> first)) {
            return false;
        }
        last = first;
        if (range >> dash && (dash != '-' || !(range >> last))) {
            return false;
        }
        if (first < 1 || last > count || first > last) {
            return false;
        }
        for (int p = first; p <= last; ++p) {
            pages->push_back(p - 1);
        }
    }
    return !pages->empty();
}

std::string AskSavePath(const wxString& title, const std::string& proposed,
                        const wxString& wildcard) {
    wxFileDialog dialog(Services().MainFrame(), title, wxString::FromUTF8(DirectoryOf(proposed)),
                        wxString::FromUTF8(FileNameOf(proposed)), wildcard,
                        wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    return dialog.ShowModal() == wxID_OK ? Utf8(dialog.GetPath()) : std::string();
}

void SavePostScriptCommand() {
    CDVIWinDoc* doc = ActiveDvi();
    if (!doc || !doc->Dvi()) {
        return;
    }
    ::quirn::CDVIDoc& dvi = *doc->Dvi();
    const int count = dvi.GetPageCount();
    wxTextEntryDialog pagesDialog(Services().MainFrame(),
                                  "Pages to write (e.g. 1-3,5):", "Save as PostScript",
                                  wxString::Format("1-%d", count));
    std::vector<int> pages;
    if (pagesDialog.ShowModal() != wxID_OK) {
        return;
    }
    if (!ParsePageList(Utf8(pagesDialog.GetValue()), count, &pages)) {
        Services().Prompt().ShowMessage("Those pages are not in the document.");
        return;
    }
    const std::string path = AskSavePath("Save as PostScript", ReplaceExtension(dvi.Path(), "ps"),
                                         "PostScript files (*.ps)|*.ps|All files (*)|*");
    if (path.empty()) {
        return;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        Services().Output().AppendOutput("Could not open file for writing: " + path + "\n");
        return;
    }
    wxBusyCursor busy;
    DviPostScriptDoc ps(dvi, &Services().Output());
    ps.Open(dvi.Path());
    ps.WritePages(pages, 300, [&out](std::string_view bytes) {
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return static_cast<bool>(out);
    });
}

// The document-information fields of Save as PDF.
class PdfInformationDialog : public wxDialog {
  public:
    PdfInformationDialog(wxWindow* parent, PdfInformation& info)
        : wxDialog(parent, wxID_ANY, "Save as PDF"), info_(info) {
        auto* grid = new wxFlexGridSizer(2, 5, 8);
        grid->AddGrowableCol(1);
        const char* labels[] = {"&Title:", "&Subject:", "&Keywords:", "&Author:", "&Creator:"};
        std::string* fields[] = {&info.title, &info.subject, &info.keywords, &info.author,
                                 &info.creator};
        for (int i = 0; i < 5; ++i) {
            texts_[i] = new wxTextCtrl(this, wxID_ANY, wxString::FromUTF8(*fields[i]),
                                       wxDefaultPosition, wxSize(320, -1));
            grid->Add(new wxStaticText(this, wxID_ANY, labels[i]), 0, wxALIGN_CENTER_VERTICAL);
            grid->Add(texts_[i], 1, wxEXPAND);
        }
        subset_ = new wxCheckBox(this, wxID_ANY, "Subset &fonts");
        auto* column = new wxBoxSizer(wxVERTICAL);
        column->Add(grid, 1, wxALL | wxEXPAND, 8);
        column->Add(subset_, 0, wxLEFT | wxRIGHT, 8);
        column->Add(CreateStdDialogButtonSizer(wxOK | wxCANCEL), 0, wxALL | wxEXPAND, 8);
        SetSizerAndFit(column);
    }
    bool TransferDataFromWindow() override {
        std::string* fields[] = {&info_.title, &info_.subject, &info_.keywords, &info_.author,
                                 &info_.creator};
        for (int i = 0; i < 5; ++i) {
            *fields[i] = Utf8(texts_[i]->GetValue());
        }
        info_.subsetFonts = subset_->GetValue();
        return true;
    }

  private:
    PdfInformation& info_;
    wxTextCtrl* texts_[5] = {};
    wxCheckBox* subset_ = nullptr;
};

void SavePdfCommand() {
    CBaseView* view = ActivePageView();
    if (!view || !view->GetDocument()) {
        return;
    }
    const std::string file = Utf8(view->GetDocument()->GetFilename());
    std::unique_ptr<::quirn::CBaseDoc> doc;
    if (CDVIWinDoc* dvi = ActiveDvi(); dvi && dvi->Dvi()) {
        auto ps = std::make_unique<DviPostScriptDoc>(*dvi->Dvi(), &Services().Output());
        ps->Open(file);
        wxBusyCursor busy;
        ps->MakePostScript();
        doc = std::move(ps);
    } else {
        doc = OpenPostScriptDocument(file, CurrentSettings(), &Services().Output());
    }
    if (!doc) {
        return;
    }
    PdfInformation info;
    info.title = DscHeaderValue(doc->PostScript(), "Title");
    info.creator = DscHeaderValue(doc->PostScript(), "Creator");
    PdfInformationDialog dialog(Services().MainFrame(), info);
    if (dialog.ShowModal() != wxID_OK) {
        return;
    }
    const std::string path = AskSavePath("Save as PDF", ReplaceExtension(file, "pdf"),
                                         "PDF files (*.pdf)|*.pdf|All files (*)|*");
    if (path.empty()) {
        return;
    }
    info.creationDate = PdfCreationDate(std::time(nullptr));
    wxBusyCursor busy;
    if (SaveAsPDF(*doc, info, QUIRN_VERSION, path, ConversionSetup()).wrote) {
        Services().Documents().CreateDocument(wxString::FromUTF8(path), wxDOC_SILENT);
    }
}

void ExportPageCommand(bool illustrator) {
    CBaseView* view = ActivePageView();
    CDVIWinDoc* doc = ActiveDvi();
    if (!view || !view->View() || !doc || !doc->Dvi()) {
        return;
    }
    const int page = view->View()->CurrentPage() + 1;
    const std::string path =
        AskSavePath(illustrator ? "Export Page as Adobe Illustrator" : "Export Page as EPS",
                    DefaultPageExportName(doc->Dvi()->Path(), page, illustrator ? "ai" : "eps"),
                    illustrator ? "Adobe Illustrator files (*.ai)|*.ai|All files (*)|*"
                                : "EPS files (*.eps)|*.eps|All files (*)|*");
    if (path.empty()) {
        return;
    }
    wxBusyCursor busy;
    std::string error;
    const bool done =
        illustrator ? ExportPageAsIllustrator(*doc->Dvi(), page, path, ConversionSetup(), &error)
                    : ExportPageAsEps(*doc->Dvi(), page, path, &error);
    if (!done) {
        Services().Output().AppendOutput(error + "\n");
    }
}

}  // namespace

void AddGraphicsMenuItems(wxMenu* tex) {
    tex->AppendSeparator();
    tex->Append(kIdInsertGraphic, "Insert &Graphic...");
    tex->Append(kIdGraphicsMigration, "Graphics Migration &Wizard...");
}

void AddExportMenuItems(wxMenu* file) {
    file->Append(kIdSavePostScript, "Save as Post&Script...");
    file->Append(kIdSavePdf, "Save as P&DF...");
    file->Append(kIdExportPageEps, "Export Page as &EPS...");
    file->Append(kIdExportPageIllustrator, "Export Page as Adobe &Illustrator...");
    file->AppendSeparator();
}

void BindGraphicsCommands(CMainFrame* frame) {
    frame->Bind(
        wxEVT_MENU, [](wxCommandEvent&) { InsertGraphicCommand(); }, kIdInsertGraphic);
    frame->Bind(
        wxEVT_MENU, [](wxCommandEvent&) { MigrationCommand(); }, kIdGraphicsMigration);
    frame->Bind(
        wxEVT_MENU, [](wxCommandEvent&) { SavePostScriptCommand(); }, kIdSavePostScript);
    frame->Bind(
        wxEVT_MENU, [](wxCommandEvent&) { SavePdfCommand(); }, kIdSavePdf);
    frame->Bind(
        wxEVT_MENU, [](wxCommandEvent&) { ExportPageCommand(false); }, kIdExportPageEps);
    frame->Bind(
        wxEVT_MENU, [](wxCommandEvent&) { ExportPageCommand(true); }, kIdExportPageIllustrator);
    frame->Bind(
        wxEVT_UPDATE_UI, [](wxUpdateUIEvent& e) { e.Enable(ActiveEditor() != nullptr); },
        kIdInsertGraphic, kIdGraphicsMigration);
    frame->Bind(
        wxEVT_UPDATE_UI,
        [](wxUpdateUIEvent& e) {
            e.Enable(e.GetId() == kIdSavePdf ? CanSaveAsPdf() : ActiveDvi() != nullptr);
        },
        kIdSavePostScript, kIdExportPageIllustrator);
}

bool PasteBitmapIntoEditor(CQuirnWinView& view) {
    wxBitmapDataObject data;
    {
        wxClipboardLocker lock;
        if (!lock || !wxTheClipboard->IsSupported(wxDF_BITMAP) ||
            wxTheClipboard->IsSupported(wxDF_TEXT) || !wxTheClipboard->GetData(data)) {
            return false;
        }
    }
    if (!Services().Prompt().AskYesNo(PasteBitmapQuestion())) {
        return true;
    }
    wxFileDialog dialog(view.Editor(), "Pick a file name for the graphics object", "", "",
                        "Bitmap file (*.bmp)|*.bmp", wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (dialog.ShowModal() != wxID_OK) {
        return true;
    }
    std::string path = Utf8(dialog.GetPath());
    if (ExtensionOf(FileNameOf(path)).empty()) {
        path += ".bmp";
    }
    if (!data.GetBitmap().ConvertToImage().SaveFile(wxString::FromUTF8(path), wxBITMAP_TYPE_BMP)) {
        Services().Prompt().ShowMessage("Couldn't write to that location");
        return true;
    }
    const auto chooser = [&view](const std::string& s) { return ChooseSafeName(view.Editor(), s); };
    const std::optional<std::string> graphic =
        MakeGraphicNameUsable(path, Services().Prompt(), chooser, Services().Output());
    if (graphic) {
        InsertCheckedGraphic(view, *graphic, view.GetSelection(), GraphicRequest{}, false);
    }
    return true;
}

void ConnectGraphicsEditing(CQuirnWinView& view) {
    // The view's own handlers come before the editor's Paste, which goes on when the
    // clipboard holds no bitmap.
    view.Bind(
        wxEVT_MENU,
        [&view](wxCommandEvent& e) {
            if (!PasteBitmapIntoEditor(view)) {
                e.Skip();
            }
        },
        wxID_PASTE);
    view.Bind(
        wxEVT_UPDATE_UI,
        [](wxUpdateUIEvent& e) {
            if (wxTheClipboard->IsSupported(wxDF_BITMAP)) {
                e.Enable(true);
            } else {
                e.Skip();
            }
        },
        wxID_PASTE);
    view.Editor()->Bind(wxEVT_STC_HOTSPOT_CLICK, [&view](wxStyledTextEvent& e) {
        e.Skip();
        const TextPos pos = e.GetPosition();
        const std::string before = TextOf(view.Buffer(), std::max<TextPos>(0, pos - 40), pos + 16);
        if (before.find("\\includegraphics") != std::string::npos) {
            // After the click is over: the dialog is modal.
            view.Editor()->CallAfter([&view, pos] { EditGraphicAt(view, pos); });
        }
    });
}

void EditGraphicAt(CQuirnWinView& view, TextPos pos) {
    const std::optional<IncludeGraphicsMatch> match = MatchIncludeGraphicsAt(view.Buffer(), pos);
    if (!match) {
        Services().Prompt().ShowMessage(kUnrecognizedIncludeGraphics);
        return;
    }
    // The file is looked up beside the main file, then in its converted_graphics.
    const std::string folder = DirectoryOf(DocumentPathOf(view));
    std::string graphic = AbsolutePath(match->file, folder);
    if (!RegularFileExists(graphic)) {
        graphic = JoinPath(JoinPath(folder, "converted_graphics"), FileNameOf(match->file));
    }
    GraphicRequest request;
    request.width = std::strtod(match->width.c_str(), nullptr);
    request.height = std::strtod(match->height.c_str(), nullptr);
    request.keepAspectRatio = match->keepAspectRatio;
    InsertCheckedGraphic(view, graphic, match->range, request, true);
}

}  // namespace quirn::gui
