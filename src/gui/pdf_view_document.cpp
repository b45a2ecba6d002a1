#include "gui/pdf_view_document.h"

#include <wx/filename.h>
#include <wx/menu.h>
#include <wx/stc/stc.h>
#include <wx/utils.h>

#include "gui/command_ids.h"
#include "gui/editor_view.h"
#include "gui/gui_services.h"
#include "gui/typeset_bridge.h"
#include "platform/output_sink.h"
#include "platform/paths.h"
#include "platform/user_prompt.h"

namespace quirn::gui {

wxIMPLEMENT_DYNAMIC_CLASS(CPdfWinDoc, CBaseDoc);

namespace {

const int kDesktopViewerId = wxWindow::NewControlId();

}  // namespace

void GoToSourcePlace(const SyncTexPlace& place) {
    Services().Typeset().GoToSourceLine(place.file, place.line);
    if (place.column <= 0)
        return;
    wxDocument* doc = Services().Typeset().FindDocument(place.file);
    auto* view = doc ? wxDynamicCast(doc->GetFirstView(), CQuirnWinView) : nullptr;
    wxStyledTextCtrl* stc = view ? view->Editor() : nullptr;
    if (!stc)
        return;
    const int start = stc->PositionFromLine(place.line - 1);
    const int end = stc->GetLineEndPosition(place.line - 1);
    stc->GotoPos(std::min(start + place.column - 1, end));
}

bool CPdfWinDoc::DoOpenDocument(const wxString& file) {
    const std::string path = file.utf8_string();
    std::string error;
    std::unique_ptr<PdfDocument> pdf = PdfDocument::Open(path, &error);
    if (!pdf) {
        // A reload keeps the pages shown; a new document does not open.
        if (pdf_) {
            Services().Output().AppendOutput(error + "\n");
            return true;
        }
        Services().Prompt().ShowMessage(error);
        return false;
    }
    pdf_ = std::move(pdf);
    source_.SetDocument(pdf_.get());
    links_ = SyncTexLinks::Open(path);
    UpdateAllViews();
    return true;
}

void ConnectPdfView(PageCanvas& canvas, CPdfWinDoc& doc) {
    CPdfWinDoc* pdf = &doc;
    canvas.SetSourceLinks([pdf](int page, int x, int y, int resolution) {
        std::optional<SyncTexPlace> place;
        if (pdf->Links() && pdf->Pdf() && resolution > 0) {
            std::vector<TypesetWord> words;
            for (const PdfWord& w : pdf->Pdf()->Words(page))
                words.push_back(TypesetWord{w.text, w.left, w.top, w.right, w.bottom});
            const double points = 72.0 / resolution;
            place = pdf->Links()->InverseToWord(page, x * points, y * points, words);
        }
        if (!place) {
            Services().Prompt().ShowMessage("No SyncTeX information for PDF file");
            return;
        }
        GoToSourcePlace(*place);
    });
    // The page's menu also hands the file to the desktop's PDF viewer.
    canvas.SetMenuExtra([pdf](wxMenu& menu) {
        menu.Append(kDesktopViewerId, "Open with the desktop's PDF viewer");
    });
    canvas.Bind(
        wxEVT_MENU, [pdf](wxCommandEvent&) { wxLaunchDefaultApplication(pdf->GetFilename()); },
        kDesktopViewerId);
}

bool ShowSourceInPdf(const std::string& main, const std::string& source, int line) {
    const std::string pdfPath = ReplaceExtension(main, "pdf");
    const std::string dviPath = ReplaceExtension(main, "dvi");
    if (!RegularFileExists(pdfPath))
        return false;
    // The newer output is the one last typeset.
    if (RegularFileExists(dviPath) &&
        wxFileName(wxString::FromUTF8(dviPath)).GetModificationTime() >
            wxFileName(wxString::FromUTF8(pdfPath)).GetModificationTime())
        return false;
    if (!wxDynamicCast(Services().Typeset().ShowDocument(pdfPath), CPdfWinDoc))
        return true;
    // A view that has just opened fits its zoom once it has its size: search after that.
    wxTheApp->CallAfter([pdfPath, source, line] {
        auto* doc = wxDynamicCast(Services().Typeset().FindDocument(pdfPath), CPdfWinDoc);
        auto* view = doc ? wxDynamicCast(doc->GetFirstView(), CBaseView) : nullptr;
        PageView* pages = view ? view->View() : nullptr;
        if (!pages || !doc->Links())
            return;
        const std::vector<SyncTexBox> boxes = doc->Links()->Forward(source, line);
        if (boxes.empty())
            return;
        const double pixels = pages->Resolution() / 72.0;
        pages->ShowSourcePosition(boxes.front().page, static_cast<int>(boxes.front().left * pixels),
                                  static_cast<int>(boxes.front().baseline * pixels));
    });
    return true;
}

}  // namespace quirn::gui
