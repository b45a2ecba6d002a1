// The Open dialog: filters for TeX sources, DVI, PostScript and EPS, PDF and all files,
// each label written once (the dialog lists the patterns itself). A file of any kind
// opens with the document type of its extension; TeX sources of every extension, and
// files of no known kind, open in the TeX editor.
#pragma once

#include <wx/docview.h>

#include <string>
#include <vector>

namespace quirn::gui {

struct OpenFilter {
    std::string label;
    std::vector<std::string> extensions;  // empty: all files
};

// The Open dialog's filters, in order.
const std::vector<OpenFilter>& OpenFilters();
// The filters in the file dialog's "label|patterns|label|patterns" form.
wxString OpenDialogWildcard();

// The document manager with Quirn's Open dialog.
class QuirnDocManager : public wxDocManager {
  public:
    wxDocTemplate* SelectDocumentPath(wxDocTemplate** templates, int noTemplates, wxString& path,
                                      long flags, bool save = false) override;
};

}  // namespace quirn::gui
