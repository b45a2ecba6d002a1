// Typesetting with the real engine: LaTeX documents through pdfetex with the latex
// format, and a plain TeX format built by Quirn's own INITeX run.
#include <gtest/gtest.h>

#include <algorithm>

#include "typeset_harness.h"

namespace quirn {
namespace {

using test::ReadFile;
using test::TypesetHarness;

bool Contains(const std::string& text, const std::string& what) {
    return text.find(what) != std::string::npos;
}

bool HasUsed(const std::vector<std::string>& used, const std::string& suffix) {
    return std::any_of(used.begin(), used.end(), [&](const std::string& p) {
        return p.size() >= suffix.size() &&
               p.compare(p.size() - suffix.size(), suffix.size(), suffix) == 0;
    });
}

// The engine sees the TeX environment (the configuration overlay and the user's input
// directories as they are set when the run starts), while Quirn's own environment stays
// exactly as it was.
TEST(TypesetEngine, EngineGetsTheTexEnvironmentAndQuirnKeepsItsOwn) {
    const EnvironmentBlock before = ProcessEnvironment();
    TypesetHarness h;
    h.dir.Write("inputs/quirnextra.tex", "\\def\\QuirnExtra{found through the input path}\n");
    h.profile->WriteText("Directories", "ExtraTexInputPath", h.dir.File("inputs"));
    std::string doc = h.dir.Write("paper/doc.tex",
                                  "\\documentclass{article}\n\\input{quirnextra}\n"
                                  "\\begin{document}\n\\QuirnExtra\n\\end{document}\n");
    ASSERT_EQ(h.typesetter->Typeset(doc), 0);
    EXPECT_EQ(ProcessEnvironment(), before);
    ASSERT_TRUE(h.RunToEnd());
    EXPECT_EQ(h.typesetter->LastResult(), 0) << h.Output();
    EXPECT_TRUE(Contains(h.Output(), h.dir.File("inputs/quirnextra.tex"))) << h.Output();
    EXPECT_EQ(ProcessEnvironment(), before);
}

TEST(TypesetEngine, TableOfContentsAsksForRerunThenShowsDviWithSourceSpecials) {
    TypesetHarness h;
    std::string doc = h.dir.Write("paper/doc.tex",
                                  "\\documentclass{article}\n"
                                  "\\begin{document}\n"
                                  "\\tableofcontents\n"
                                  "\\section{One}\nHello.\n"
                                  "\\section{Two}\nWorld.\n"
                                  "\\end{document}\n");
    ASSERT_EQ(h.typesetter->Typeset(doc), 0);
    ASSERT_TRUE(h.RunToEnd());

    // First run: the table of contents appeared, so the dialog proposed typesetting
    // again (the scripted "yes"); the second run settled and the output was shown.
    ASSERT_EQ(h.prompt.questions.size(), 1u) << h.Output();
    EXPECT_EQ(h.prompt.questions[0], "For proper cross-referencing,\nplease typeset again.");
    EXPECT_TRUE(Contains(h.Output(), "\nFor proper cross-referencing,\nplease typeset again.\n"));
    EXPECT_EQ(h.typesetter->LastResult(), 0);
    EXPECT_EQ(h.typesetter->State().rerunCounter, 1);
    EXPECT_TRUE(Contains(h.Output(), "*** Typesetting " + doc + " ***\n"));
    EXPECT_TRUE(Contains(
        h.Output(), "\nTypesetting was successful\n----------------------------------------\n"));
    ASSERT_EQ(h.seams.opened.size(), 1u);
    EXPECT_EQ(h.seams.opened[0], h.dir.File("paper/doc.dvi"));
    EXPECT_TRUE(h.prompt.messages.empty());
    EXPECT_FALSE(Contains(h.Output(), "TeX reported that it used")) << h.Output();

    // The DVI carries the source specials the previewer links back with.
    std::string dvi = ReadFile(h.dir.File("paper/doc.dvi"));
    EXPECT_TRUE(Contains(dvi, "src:")) << "no source specials";
    EXPECT_TRUE(Contains(dvi, "doc.tex"));

    // The project hears of the files the engine read, from the search trace.
    EXPECT_TRUE(HasUsed(h.seams.used, "doc.tex"));
    EXPECT_TRUE(HasUsed(h.seams.used, "/article.cls"));
    EXPECT_TRUE(HasUsed(h.seams.used, "/cmbx12.tfm"));
    // The trace was read and removed with its variables.
    EXPECT_TRUE(h.typesetter->State().traceFile.empty());
    EXPECT_EQ(getenv("KPATHSEA_DEBUG"), nullptr);
}

TEST(TypesetEngine, LatexRerunRequestAloneAsksForRerun) {
    TypesetHarness h;
    std::string doc = h.dir.Write("doc.tex",
                                  "\\documentclass{article}\n\\begin{document}\n"
                                  "\\section{A}\\label{a} See~\\ref{a}.\n\\end{document}\n");
    h.prompt.fallback = "no";  // "Done"
    ASSERT_EQ(h.typesetter->Typeset(doc), 0);
    ASSERT_TRUE(h.RunToEnd());
    ASSERT_EQ(h.prompt.questions.size(), 1u) << h.Output();
    EXPECT_EQ(h.prompt.questions[0], "For proper cross-referencing,\nplease typeset again.");
    EXPECT_EQ(h.typesetter->LastResult(), 0);
    EXPECT_TRUE(h.seams.opened.empty());  // "Done" shows nothing
}

TEST(TypesetEngine, ErrorInIncludedFileGoesToItsLine) {
    TypesetHarness h;
    std::string doc = h.dir.Write("book/doc.tex",
                                  "\\documentclass{article}\n\\begin{document}\nStart.\n"
                                  "\\input{chap1}\n\\end{document}\n");
    std::string chap;
    for (int line = 1; line < 42; ++line)
        chap += "Line " + std::to_string(line) + ".\n";
    chap += "\\undefinedmacro\n";
    h.dir.Write("book/chap1.tex", chap);

    ASSERT_EQ(h.typesetter->Typeset(doc), 0);
    ASSERT_TRUE(h.RunToEnd());

    // The error stop was offered for editing; "e" made the engine print the position
    // through TEXEDIT, and the editor was sent to the included file's line.
    ASSERT_EQ(h.prompt.questions.size(), 1u) << h.Output();
    EXPECT_TRUE(Contains(h.prompt.questions[0], "encountered an error in your document"));
    EXPECT_TRUE(Contains(h.Output(), "? e\n*** ERROR Line 42 in ")) << h.Output();
    ASSERT_EQ(h.seams.gotos.size(), 1u);
    EXPECT_EQ(h.seams.gotos[0], h.dir.File("book/chap1.tex") + ":42");
    EXPECT_NE(h.typesetter->LastResult(), 0);
    // The "! Undefined control sequence." line is marked.
    ASSERT_EQ(h.seams.marked.size(), 1u);
    EXPECT_GT(h.seams.marked[0], 0);
}

TEST(TypesetEngine, MissingInputAndFontAreRecognisedAndTheRunEndsCancelled) {
    // No attempt to generate the unknown font with METAFONT first (it would only fail
    // slowly): Quirn's parent says so, and the engine inherits it.
    test::ScopedEnvironment parent;
    parent.Set("MKTEXTFM", "0");
    for (const char* body : {"x\\input{nothere}\n", "\\font\\x=nofontxyz at 10pt \\x x\n"}) {
        TypesetHarness h;
        std::string doc = h.dir.Write("doc.tex", std::string("\\documentclass{article}\n"
                                                             "\\begin{document}\n") +
                                                     body + "\\end{document}\n");
        ASSERT_EQ(h.typesetter->Typeset(doc), 0);
        ASSERT_TRUE(h.RunToEnd()) << h.Output();
        // Missing-file resolution answered "not installed": cancelled, exit code 99.
        ASSERT_EQ(h.seams.missing.size(), 1u) << h.Output();
        bool font = Contains(body, "font");
        EXPECT_EQ(h.seams.missing[0], font ? "nofontxyz.tfm" : "nothere.tex");
        ASSERT_GE(h.prompt.questions.size(), 1u);
        EXPECT_TRUE(
            Contains(h.prompt.questions[0], "couldn't find the file `" + h.seams.missing[0] + "'"));
        EXPECT_TRUE(Contains(h.Output(), "\nTypesetter process aborted\n"));
        EXPECT_EQ(h.typesetter->LastResult(), 99);
        EXPECT_TRUE(h.seams.gotos.empty());
    }
}

TEST(TypesetEngine, IniTeXBuildsPlainAndPlainRunsNeverAskForRerun) {
    TypesetHarness h("");
    ASSERT_EQ(h.formats->IniTeX(*h.typesetter, "plain"), 1);
    EXPECT_TRUE(h.typesetter->IniTexRunning());
    ASSERT_TRUE(h.RunToEnd());
    EXPECT_FALSE(h.typesetter->IniTexRunning());
    EXPECT_TRUE(Contains(h.Output(), "(INITEX)")) << h.Output();
    EXPECT_TRUE(Contains(h.Output(), "\nINITeXing was successful\n")) << h.Output();
    ASSERT_TRUE(h.formats->SelectFormatByName("plain"));

    // A list file that changes during the run asks nothing of a plain TeX document.
    std::string doc = h.dir.Write("doc.tex",
                                  "\\immediate\\openout1=\\jobname.toc\n"
                                  "\\immediate\\write1{new contents}\\immediate\\closeout1\n"
                                  "Hello.\\bye\n");
    h.dir.Write("doc.toc", "old contents\n");
    ASSERT_EQ(h.typesetter->Typeset(doc), 0);
    ASSERT_TRUE(h.RunToEnd());
    EXPECT_EQ(ReadFile(h.dir.File("doc.toc")), "new contents\n");
    EXPECT_TRUE(h.prompt.questions.empty()) << h.Output();
    EXPECT_FALSE(Contains(h.Output(), "For proper cross-referencing"));
    EXPECT_EQ(h.typesetter->LastResult(), 0);
    EXPECT_EQ(h.seams.opened.size(), 1u);
}

}  // namespace
}  // namespace quirn
