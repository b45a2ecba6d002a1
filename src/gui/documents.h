// The seven document types and their document, frame and view classes. The TeX
// editor and the viewers grow in their own files; these are the shapes the document
// manager creates.
#pragma once

#include <wx/docmdi.h>
#include <wx/docview.h>
#include <wx/stc/stc.h>
#include <wx/textctrl.h>

#include <string>

namespace quirn::gui {

// A document whose file is read and written as raw bytes.
class CByteDoc : public wxDocument {
  public:
    const std::string& Bytes() const { return bytes_; }
    void SetBytes(std::string b) { bytes_ = std::move(b); }

  protected:
    bool DoOpenDocument(const wxString& file) override;
    bool DoSaveDocument(const wxString& file) override;
    std::string bytes_;
};

class CQuirnWinDoc : public CByteDoc {
  public:
    bool IsModified() const override;
    void Modify(bool modified) override;

  protected:
    bool DoSaveDocument(const wxString& file) override;

  private:
    wxStyledTextCtrl* Editor() const;
    wxDECLARE_DYNAMIC_CLASS(CQuirnWinDoc);
};

class CQuirnWinView : public wxView {
  public:
    bool OnCreate(wxDocument* doc, long flags) override;
    void OnDraw(wxDC*) override {}
    bool OnClose(bool deleteWindow) override;
    void OnUpdate(wxView* sender, wxObject* hint) override;
    wxStyledTextCtrl* Editor() { return editor_; }

  private:
    wxStyledTextCtrl* editor_ = nullptr;
    wxDECLARE_DYNAMIC_CLASS(CQuirnWinView);
};

// The viewer documents share one base: a file shown page by page.
class CBaseDoc : public wxDocument {
  protected:
    bool DoOpenDocument(const wxString& file) override;
    bool DoSaveDocument(const wxString&) override { return false; }
    wxDECLARE_DYNAMIC_CLASS(CBaseDoc);
};

class CDVIDoc : public CBaseDoc {
    wxDECLARE_DYNAMIC_CLASS(CDVIDoc);
};
class CPostscriptDoc : public CBaseDoc {
    wxDECLARE_DYNAMIC_CLASS(CPostscriptDoc);
};
class CPDFDoc : public CBaseDoc {
    wxDECLARE_DYNAMIC_CLASS(CPDFDoc);
};
class CEPSDoc : public CBaseDoc {
    wxDECLARE_DYNAMIC_CLASS(CEPSDoc);
};

class CBaseView : public wxView {
  public:
    bool OnCreate(wxDocument* doc, long flags) override;
    void OnDraw(wxDC* dc) override;
    bool OnClose(bool deleteWindow) override;

  protected:
    wxWindow* canvas_ = nullptr;
    wxDECLARE_DYNAMIC_CLASS(CBaseView);
};

class CDVIView : public CBaseView {
    wxDECLARE_DYNAMIC_CLASS(CDVIView);
};

// Project and package manifest files open as plain text.
class CPTPDoc : public CByteDoc {
    wxDECLARE_DYNAMIC_CLASS(CPTPDoc);
};
class CTPMDoc : public CByteDoc {
    wxDECLARE_DYNAMIC_CLASS(CTPMDoc);
};

class CPlainTextView : public wxView {
  public:
    bool OnCreate(wxDocument* doc, long flags) override;
    void OnDraw(wxDC*) override {}
    bool OnClose(bool deleteWindow) override;

  private:
    wxTextCtrl* text_ = nullptr;
    wxDECLARE_DYNAMIC_CLASS(CPlainTextView);
};

// The TeX editor's frame (own accelerators) and the viewers' frame.
class CQuirnMDITeXChildWnd : public wxDocMDIChildFrame {
  public:
    using wxDocMDIChildFrame::wxDocMDIChildFrame;
};
class CQuirnMDIChildWnd : public wxDocMDIChildFrame {
  public:
    using wxDocMDIChildFrame::wxDocMDIChildFrame;
};

// Registers the seven document types, in order, with the document manager.
void RegisterDocumentTypes(wxDocManager* manager);

// The type strings of each registered type and of workspace files, as
// "\nUntitled\n<new name>\n<filter>\n<ext>\n<type id>\n<type name>".
extern const char* const kDocumentTypeStrings[7];
extern const char* const kWorkspaceTypeString;

}  // namespace quirn::gui
