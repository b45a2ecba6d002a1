#include "gui/open_dialog.h"

#include <wx/app.h>
#include <wx/filedlg.h>

#include "gui/editor_view.h"

namespace quirn::gui {

const std::vector<OpenFilter>& OpenFilters() {
    static const std::vector<OpenFilter> filters = {
        {"TeX sources", {"tex", "ltx", "dtx", "ins", "sty", "cls", "bib", "bst"}},
        {"DVI files", {"dvi"}},
        {"PostScript and EPS files", {"ps", "eps"}},
        {"PDF files", {"pdf"}},
        {"All files", {}},
    };
    return filters;
}

wxString OpenDialogWildcard() {
    wxString wildcard;
    for (const OpenFilter& filter : OpenFilters()) {
        wxString patterns;
        for (const std::string& ext : filter.extensions)
            patterns << (patterns.empty() ? "" : ";") << "*." << ext;
        if (patterns.empty())
            patterns = "*";
        wildcard << (wildcard.empty() ? "" : "|") << filter.label << "|" << patterns;
    }
    return wildcard;
}

wxDocTemplate* QuirnDocManager::SelectDocumentPath(wxDocTemplate** templates, int noTemplates,
                                                   wxString& path, long flags, bool save) {
    if (save)
        return wxDocManager::SelectDocumentPath(templates, noTemplates, path, flags, save);
    wxFileDialog dialog(wxTheApp->GetTopWindow(), "Open", GetLastDirectory(), "",
                        OpenDialogWildcard(), wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (dialog.ShowModal() != wxID_OK) {
        path.clear();
        return nullptr;
    }
    path = dialog.GetPath();
    SetLastDirectory(dialog.GetDirectory());
    if (wxDocTemplate* found = FindTemplateForPath(path))
        return found;
    for (int i = 0; i < noTemplates; ++i) {
        if (templates[i]->GetDocClassInfo() == CLASSINFO(CQuirnWinDoc))
            return templates[i];
    }
    return nullptr;
}

}  // namespace quirn::gui
