// The errors-and-warnings list read from logs that the real engine writes: a document
// with an error in an included file, undefined references and citations, a font
// substitution and bad boxes, typeset as the window runs it and with file-line-error
// messages; and `quirn-cli log` over the same log.
#include "typeset/log_analysis.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace quirn {
namespace {

using test::ReadFile;
using test::RunCommand;
using test::TempDir;

// The document: chap1.tex holds the error, its source text an unbalanced parenthesis
// that the log never shows; the box at line 7 shows one in the log.
void WriteDocument(const TempDir& dir) {
    dir.Write("paper.tex",
              "\\documentclass{article}\n"
              "\\usepackage{natbib}\n"
              "\\begin{document}\n"
              "\\section{Intro}\\label{sec:a}\n"
              "See \\ref{nolabel} and \\cite{nobody}.\n"
              "\\input{chap1}\n"
              "\\hbox to 10pt{This box is far too wide for (its) width}\n"
              "\n"
              "Word word word word word word word word word word word word word word word\n"
              "\\mbox{averyveryveryveryveryveryveryveryveryveryveryveryverylongunbreakable}\n"
              "word word.\n"
              "\\textbf{\\fontfamily{xyz}\\selectfont Font}\n"
              "\\end{document}\n");
    dir.Write("chap1.tex",
              "Chapter text (with a parenthesis\n"
              "\\undefinedmacro here.\n"
              "\\ref{other}\n");
}

std::string Typeset(const TempDir& dir, const std::string& options) {
    std::string out;
    RunCommand(
        "cd '" + dir.Path() + "' && latex -interaction=nonstopmode " + options + " paper.tex",
        &out);
    return ReadFile(dir.File("paper.log"));
}

const LogEntry* Find(const std::vector<LogEntry>& entries, const std::string& text) {
    for (const LogEntry& e : entries) {
        if (e.text.find(text) != std::string::npos)
            return &e;
    }
    return nullptr;
}

TEST(LogAnalysis, ListsErrorsWarningsAndBadBoxesOfARealRun) {
    for (const std::string options : {"", "-file-line-error"}) {
        SCOPED_TRACE(options);
        TempDir dir;
        WriteDocument(dir);
        std::vector<LogEntry> entries = AnalyseLog(Typeset(dir, options));

        const LogEntry* error = Find(entries, "Undefined control sequence");
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(error->kind, LogEntryKind::Error);
        EXPECT_EQ(error->file, "chap1.tex");
        EXPECT_EQ(error->line, 2);

        const LogEntry* ref = Find(entries, "Reference `nolabel'");
        ASSERT_NE(ref, nullptr);
        EXPECT_EQ(ref->kind, LogEntryKind::Warning);
        EXPECT_EQ(ref->file, "paper.tex");
        EXPECT_EQ(ref->line, 5);
        // After the included file: its reference is its own, the box is the main file's.
        const LogEntry* other = Find(entries, "Reference `other'");
        ASSERT_NE(other, nullptr);
        EXPECT_EQ(other->file, "chap1.tex");
        EXPECT_EQ(other->line, 3);
        const LogEntry* cite = Find(entries, "Citation `nobody'");
        ASSERT_NE(cite, nullptr);
        EXPECT_EQ(cite->line, 5);

        // A font warning's continuation line joins its text.
        const LogEntry* font = Find(entries, "Font shape `OT1/xyz/bx/n' undefined using");
        ASSERT_NE(font, nullptr);
        EXPECT_EQ(font->line, 12);

        const LogEntry* box = Find(entries, "detected at line 7");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->kind, LogEntryKind::BadBox);
        EXPECT_EQ(box->file, "paper.tex");
        EXPECT_EQ(box->line, 7);
        const LogEntry* paragraph = Find(entries, "in paragraph at lines 9--13");
        ASSERT_NE(paragraph, nullptr);
        EXPECT_EQ(paragraph->line, 9);
        EXPECT_EQ(paragraph->lastLine, 13);
        EXPECT_EQ(paragraph->file, "paper.tex");

        const LogEntry* summary = Find(entries, "There were undefined references");
        ASSERT_NE(summary, nullptr);
        EXPECT_EQ(summary->line, 0);
        EXPECT_EQ(FormatLogEntry(*summary),
                  "warning: paper.tex: LaTeX Warning: There were undefined references.");

        int errors = 0;
        for (const LogEntry& e : entries)
            errors += e.kind == LogEntryKind::Error;
        EXPECT_EQ(errors, 1);
    }
}

TEST(LogAnalysis, CommandPrintsTheListAndRefusesWhatItCannotRead) {
    TempDir dir;
    WriteDocument(dir);
    Typeset(dir, "");
    std::string out, err;
    const std::string cli = test::Program("quirn-cli");
    EXPECT_EQ(RunCommand("cd '" + dir.Path() + "' && " + cli + " log paper.log", &out, &err), 0);
    EXPECT_NE(out.find("error: chap1.tex:2: Undefined control sequence.\n"), std::string::npos)
        << out;
    EXPECT_NE(out.find("badbox: paper.tex:9: Overfull \\hbox"), std::string::npos) << out;
    EXPECT_NE(out.find("\nsummary: 1 error(s), "), std::string::npos) << out;

    EXPECT_EQ(RunCommand(cli + " log '" + dir.File("none.log") + "'", &out, &err), 1);
    EXPECT_NE(err.find("cannot read"), std::string::npos);
    EXPECT_EQ(RunCommand(cli + " log", &out, &err), 2);
    // A file that is no log gives an empty list, not a failure.
    EXPECT_EQ(RunCommand(cli + " log '" + dir.File("paper.tex") + "'", &out, &err), 0);
    EXPECT_EQ(out, "summary: 0 error(s), 0 warning(s), 0 bad box(es)\n");
}

}  // namespace
}  // namespace quirn
