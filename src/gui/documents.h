// The seven document types and the document manager's registration of them. The TeX
// editor (editor_view.h) and the viewers (page_view_window.h) live in their own files;
// project and package manifest files open as plain text here.
#pragma once

#include <wx/docview.h>
#include <wx/stc/stc.h>
#include <wx/textctrl.h>

#include <string>

#include "gui/child_frames.h"
#include "gui/editor_view.h"
#include "gui/page_view_window.h"

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
    void OnUpdate(wxView* sender, wxObject* hint) override;
    bool OnClose(bool deleteWindow) override;

  private:
    wxTextCtrl* text_ = nullptr;
    wxDECLARE_DYNAMIC_CLASS(CPlainTextView);
};

// After the Settings dialog: every editor takes the editor settings again and every
// page view repaints with the viewer settings.
void ApplySettingsToOpenWindows(wxDocManager& documents);

// Registers the seven document types, in order, with the document manager.
void RegisterDocumentTypes(wxDocManager* manager);

// The type strings of each registered type and of workspace files, as
// "\nUntitled\n<new name>\n<filter>\n<ext>\n<type id>\n<type name>".
extern const char* const kDocumentTypeStrings[7];
extern const char* const kWorkspaceTypeString;

}  // namespace quirn::gui
