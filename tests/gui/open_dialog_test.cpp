// The Open dialog's filters and the document types behind them: every TeX source kind
// opens in the editor, each label is written once (the file chooser shows the
// patterns itself), and the last filter takes every file.
#include "gui/open_dialog.h"

#include <gtest/gtest.h>
#include <wx/tokenzr.h>

#include "gui/documents.h"
#include "gui/window_system.h"

namespace quirn::gui {
namespace {

using test_window::RanUnderXvfb;
using test_window::StartWindowSystem;

TEST(OpenDialog, FiltersNameEachKindOnceAndTeXSourcesOpenInTheEditor) {
    if (RanUnderXvfb())
        return;
    StartWindowSystem();
    wxArrayString parts = wxStringTokenize(OpenDialogWildcard(), "|", wxTOKEN_RET_EMPTY_ALL);
    ASSERT_EQ(parts.size(), 10u);
    std::vector<std::string> labels;
    for (size_t i = 0; i < parts.size(); i += 2) {
        labels.push_back(parts[i].utf8_string());
        EXPECT_EQ(parts[i].Find('*'), wxNOT_FOUND) << parts[i];
    }
    EXPECT_EQ(labels,
              (std::vector<std::string>{"TeX sources", "DVI files", "PostScript and EPS files",
                                        "PDF files", "All files"}));
    EXPECT_EQ(parts[1], "*.tex;*.ltx;*.dtx;*.ins;*.sty;*.cls;*.bib;*.bst");
    EXPECT_EQ(parts[5], "*.ps;*.eps");
    EXPECT_EQ(parts[9], "*");

    QuirnDocManager manager;
    RegisterDocumentTypes(&manager);
    for (const char* name :
         {"a.tex", "b.ltx", "c.dtx", "d.ins", "e.sty", "f.cls", "g.bib", "h.bst"}) {
        wxDocTemplate* t = manager.FindTemplateForPath(name);
        ASSERT_NE(t, nullptr) << name;
        EXPECT_EQ(t->GetDocClassInfo(), CLASSINFO(CQuirnWinDoc)) << name;
    }
    wxDocTemplate* dvi = manager.FindTemplateForPath("p.dvi");
    ASSERT_NE(dvi, nullptr);
    EXPECT_EQ(dvi->GetDocClassInfo(), CLASSINFO(CDVIWinDoc));
}

}  // namespace
}  // namespace quirn::gui
