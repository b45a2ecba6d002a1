#include "gui/documents.h"

#include "gui/pdf_view_document.h"

#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/ffile.h>
#include <wx/scrolwin.h>
#include <wx/sizer.h>
#include <wx/tokenzr.h>

#include <fstream>

#include <iterator>
#include "gui/open_dialog.h"

#include "gui/project_workspace.h"

namespace quirn::gui {

const char* const kDocumentTypeStrings[7] = {
    "\nUntitled\nTeX file\nTEX Files (*.tex)\n.tex\nQuirn.Document\nQuirn Document",
    "\nUntitled\nDVI file\nDVI Files (*.dvi)\n.dvi\nQuirnDVI.Document\nQuirn DVI Document",
    "\nUntitled\nPS file\nPS Files (*.ps)\n.ps\nQuirnPS.Document\nQuirn PS Document",
    "\nUntitled\nPDF file\nPDF Files (*.pdf)\n.pdf\nQuirnPS.Document\nQuirn PS Document",
    "\nUntitled\nEPS file\nEPS Files (*.eps)\n.eps\nQuirnPS.Document\nQuirn PS Document",
    "\nUntitled\nPTP file\nPTP Files (*.ptp)\n.ptp\nQuirnPTP.Document\nQuirn Project File\n",
    "\nUntitled\nTPM file\nTPM Files (*.tpm)\n.tpm\nQuirnTPM.Document\nTeX Package File\n",
};
const char* const kWorkspaceTypeString =
    "\nUntitled\nPTW file\nPTW Files (*.ptw)\n.ptw\nQuirnPTW.Document\nQuirn Workspace File\n";

wxIMPLEMENT_DYNAMIC_CLASS(CPTPDoc, wxDocument);
wxIMPLEMENT_DYNAMIC_CLASS(CTPMDoc, wxDocument);
wxIMPLEMENT_DYNAMIC_CLASS(CPlainTextView, wxView);

static bool ReadBytes(const wxString& file, std::string& out) {
    std::ifstream in(file.fn_str(), std::ios::binary);
    if (!in)
        return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool CByteDoc::DoOpenDocument(const wxString& file) {
    return ReadBytes(file, bytes_);
}

bool CByteDoc::DoSaveDocument(const wxString& file) {
    wxFFile out(file, "wb");
    return out.IsOpened() && out.Write(bytes_.data(), bytes_.size()) == bytes_.size() &&
           out.Close();
}

bool CPlainTextView::OnCreate(wxDocument* doc, long) {
    // A project file opened as a document is only the carrier of its project: once the
    // project is open, the document goes.
    if (wxDynamicCast(doc, CPTPDoc) && RunningProjects()) {
        const std::string path = doc->GetFilename().utf8_string();
        wxTheApp->CallAfter([path] {
            if (GuiProjects* projects = RunningProjects())
                projects->Open(path);
            wxDocManager* docs = wxDocManager::GetDocumentManager();
            for (wxDocument* d : docs ? docs->GetDocumentsVector() : wxDocVector()) {
                if (wxDynamicCast(d, CPTPDoc) && d->GetFilename().utf8_string() == path)
                    docs->CloseDocument(d, true);
            }
        });
    }
    auto* frame = new DocChildFrame(doc, this, ParentFrame(), wxID_ANY, doc->GetTitle(),
                                    wxDefaultPosition, DocumentAreaSize());
    text_ = new wxTextCtrl(frame, wxID_ANY, "", wxDefaultPosition, frame->GetClientSize(),
                           wxTE_MULTILINE | wxTE_READONLY);
    SetFrame(frame);
    frame->Show();
    return true;
}

// The file is read after the view is made: the text comes with the update.
void CPlainTextView::OnUpdate(wxView*, wxObject*) {
    const std::string& bytes = static_cast<CByteDoc*>(GetDocument())->Bytes();
    wxString text = wxString::FromUTF8(bytes.data(), bytes.size());
    if (text.empty() && !bytes.empty())
        text = wxString::From8BitData(bytes.data(), bytes.size());
    text_->SetValue(text);
}

bool CPlainTextView::OnClose(bool deleteWindow) {
    if (!wxView::OnClose(deleteWindow))
        return false;
    Activate(false);
    return true;
}

namespace {

// Splits a type string into its seven fields (the first, the window title, is empty).
wxArrayString Fields(const char* typeString) {
    wxArrayString f = wxStringTokenize(typeString, "\n", wxTOKEN_RET_EMPTY_ALL);
    while (f.size() < 7)
        f.Add("");
    return f;
}

void AddType(wxDocManager* m, const char* typeString, wxClassInfo* doc, wxClassInfo* view) {
    wxArrayString f = Fields(typeString);
    wxString ext = f[4].AfterFirst('.').Lower();
    wxString patterns = "*." + ext;
    // The TeX editor takes TeX sources of every kind.
    if (doc == CLASSINFO(CQuirnWinDoc)) {
        patterns.clear();
        for (const std::string& e : OpenFilters().front().extensions)
            patterns << (patterns.empty() ? "" : ";") << "*." << e;
    }
    new wxDocTemplate(m, f[3], patterns, "", ext, f[5], f[6], doc, view);
}

}  // namespace

void ApplySettingsToOpenWindows(wxDocManager& documents) {
    for (wxDocument* doc : documents.GetDocumentsVector()) {
        for (wxView* view : doc->GetViewsVector()) {
            if (auto* editor = wxDynamicCast(view, CQuirnWinView)) {
                editor->ApplySettings();
            } else if (auto* pages = wxDynamicCast(view, CBaseView)) {
                if (pages->View())
                    pages->View()->DocumentReloaded();  // drawn pages follow the new settings
                if (pages->Canvas())
                    pages->Canvas()->Refresh(false);
            }
        }
    }
}

void RegisterDocumentTypes(wxDocManager* m) {
    AddType(m, kDocumentTypeStrings[0], CLASSINFO(CQuirnWinDoc), CLASSINFO(CQuirnWinView));
    AddType(m, kDocumentTypeStrings[1], CLASSINFO(CDVIWinDoc), CLASSINFO(CDVIView));
    AddType(m, kDocumentTypeStrings[2], CLASSINFO(CPostscriptDoc), CLASSINFO(CBaseView));
    AddType(m, kDocumentTypeStrings[3], CLASSINFO(CPdfWinDoc), CLASSINFO(CBaseView));
    AddType(m, kDocumentTypeStrings[4], CLASSINFO(CEPSDoc), CLASSINFO(CBaseView));
    AddType(m, kDocumentTypeStrings[5], CLASSINFO(CPTPDoc), CLASSINFO(CPlainTextView));
    AddType(m, kDocumentTypeStrings[6], CLASSINFO(CTPMDoc), CLASSINFO(CPlainTextView));
}

}  // namespace quirn::gui
