// quirn-cli typeset: the whole batch path, with the real engine and with scripted
// fakes in a test installation.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/test_support.h"

namespace quirn {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::RunCommand;
using test::TempDir;

bool Contains(const std::string& text, const std::string& what) {
    return text.find(what) != std::string::npos;
}

// `s` as one word of a shell command.
std::string Quote(const std::string& s) {
    std::string quoted = "'";
    for (char c : s)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Settings and data of a Quirn that has already built its formats, made once per build
// tree (the first start builds latex.fmt and plain.fmt) and copied for every test.
std::string PreparedTemplate() {
    std::string root = test::BuildDir() + "/test-typeset-cli";
    std::string ready = root + "/ready";
    if (::access(ready.c_str(), F_OK) == 0)
        return root;
    fs::create_directories(root);
    int lock = ::open((root + ".lock").c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0644);
    ::flock(lock, LOCK_EX);
    if (::access(ready.c_str(), F_OK) != 0) {
        for (const char* d : {"config", "data", "tmp", "doc"})
            fs::create_directories(root + "/" + d);
        std::ofstream(root + "/doc/hello.tex")
            << "\\documentclass{article}\\begin{document}Hello\\end{document}\n";
        std::string out;
        int rc = RunCommand(
            "cd " + Quote(root + "/doc") + " && QUIRN_CONFIG_DIR=" + Quote(root + "/config") +
                " XDG_DATA_HOME=" + Quote(root + "/data") + " TMPDIR=" + Quote(root + "/tmp") +
                " " + Quote(test::Program("quirn-cli")) + " typeset hello.tex",
            &out);
        if (rc == 0)
            std::ofstream(ready) << "1\n";
    }
    ::flock(lock, LOCK_UN);
    ::close(lock);
    return root;
}

// One test's Quirn: a copy of the prepared settings and data, its own temporary
// directory, and optionally its own installation with fake programs.
class CliRun {
  public:
    CliRun() {
        std::string tmpl = PreparedTemplate();
        std::string out;
        RunCommand("cp -a " + Quote(tmpl + "/config") + " " + Quote(tmpl + "/data") + " " +
                       Quote(dir.Path()),
                   &out);
        fs::create_directories(dir.File("tmp"));
    }

    // An installation of its own whose bin/ holds the given fake programs.
    void FakeInstall(const std::string& name, const std::string& script) {
        fs::create_directories(dir.File("install/bin"));
        std::error_code ec;
        fs::create_symlink(test::SourceDir() + "/data/texmf-tlv", dir.File("install/texmf-tlv"),
                           ec);
        std::string path = dir.File("install/bin/" + name);
        std::ofstream(path) << "#!/bin/sh\n" << script;
        ::chmod(path.c_str(), 0755);
        install_ = dir.File("install");
    }

    // The environment and program for a shell command line.
    std::string Command(const std::string& args) const {
        std::string env = "QUIRN_CONFIG_DIR=" + Quote(dir.File("config")) +
                          " XDG_DATA_HOME=" + Quote(dir.File("data")) +
                          " TMPDIR=" + Quote(dir.File("tmp"));
        if (!install_.empty())
            env += " QUIRN_INSTALL_DIR=" + Quote(install_);
        return env + " " + Quote(test::Program("quirn-cli")) + " " + args;
    }

    int Typeset(const std::string& workDir, const std::string& args) {
        return RunCommand("cd " + Quote(workDir) + " && " + Command("typeset " + args), &out, &err);
    }

    TempDir dir;
    std::string out, err;

  private:
    std::string install_;
};

TEST(TypesetCli, LatexDocumentWithRerunAndPdfMode) {
    CliRun run;
    run.dir.Write("doc/doc.tex",
                  "\\documentclass{article}\n\\begin{document}\n\\tableofcontents\n"
                  "\\section{One}\nHello.\n\\section{Two}\nWorld.\n\\end{document}\n");
    ASSERT_EQ(run.Typeset(run.dir.File("doc"), "doc.tex"), 0) << run.out << run.err;
    EXPECT_TRUE(Contains(run.out, "*** Typesetting " + run.dir.File("doc/doc.tex") + " ***\n"));
    EXPECT_TRUE(Contains(run.out, "For proper cross-referencing,\nplease typeset again."));
    EXPECT_TRUE(Contains(run.out, "\nTypesetting was successful\n"));
    EXPECT_TRUE(
        Contains(run.err, "question: For proper cross-referencing,\nplease typeset again.\n"))
        << run.err;
    EXPECT_TRUE(Contains(run.err, "view: " + run.dir.File("doc/doc.dvi") + "\n")) << run.err;
    EXPECT_TRUE(Contains(ReadFile(run.dir.File("doc/doc.dvi")), "src:"));

    // A PDF run opens the PDF.
    ASSERT_EQ(run.Typeset(run.dir.File("doc"), "doc.tex --mode PDF"), 0) << run.out << run.err;
    EXPECT_TRUE(Contains(run.err, "view: " + run.dir.File("doc/doc.pdf") + "\n")) << run.err;
    EXPECT_EQ(ReadFile(run.dir.File("doc/doc.pdf")).substr(0, 5), "%PDF-");
    // The mode was for that run only.
    std::string mode;
    RunCommand(run.Command("settings read '/HKCU/Software/Tolvane Inc/Quirn6/Typeset/Mode'"),
               &mode);
    EXPECT_NE(mode, "PDF\n");
}

TEST(TypesetCli, ErrorInIncludedFileGivesGotoOrEndsWithoutAnswer) {
    CliRun run;
    run.dir.Write("doc/doc.tex",
                  "\\documentclass{article}\n\\begin{document}\nStart.\n\\input{chap1}\n"
                  "\\end{document}\n");
    std::string chap;
    for (int line = 1; line < 42; ++line)
        chap += "Line " + std::to_string(line) + ".\n";
    run.dir.Write("doc/chap1.tex", chap + "\\undefinedmacro\n");

    int rc = run.Typeset(run.dir.File("doc"), "doc.tex");
    EXPECT_EQ(rc, 1) << run.out << run.err;
    EXPECT_TRUE(Contains(run.err, "question: The typesetter has encountered an error"));
    EXPECT_TRUE(Contains(run.err, "goto: " + run.dir.File("doc/chap1.tex") + ":42\n")) << run.err;

    // Answered no, the engine would wait for a user; with nothing more on standard
    // input it is ended, and the run reports its errors.
    rc = run.Typeset(run.dir.File("doc"), "doc.tex --answer no");
    EXPECT_NE(rc, 0);
    EXPECT_NE(rc, 99);
    EXPECT_FALSE(Contains(run.err, "goto:")) << run.err;
    EXPECT_TRUE(Contains(run.err, "question: Errors detected during typesetting.")) << run.err;

    // Standard input is typed into the output window (and echoed there); the engine
    // reads the waiting "x" at the error and ends the run without a question.
    rc = RunCommand("cd " + Quote(run.dir.File("doc")) + " && printf 'x\\n' | " +
                        run.Command("typeset doc.tex --answer no"),
                    &run.out, &run.err);
    EXPECT_NE(rc, 0);
    EXPECT_TRUE(Contains(run.out, " ***\nx\n")) << run.out;
    EXPECT_FALSE(Contains(run.err, "encountered an error")) << run.err;
    EXPECT_TRUE(Contains(run.out, "No pages of output.")) << run.out;
}

// The engine gets the file name whole and the editor call's line survives it: blanks
// (in the folder too), an apostrophe, and the shell's own characters.
TEST(TypesetCli, FileNamesWithBlanksQuotesAndShellCharactersLeadToTheErrorLine) {
    CliRun run;
    const std::string body =
        "\\documentclass{article}\n\\begin{document}\nFine.\n\n\\undefinedmacro\n"
        "\\end{document}\n";
    for (const std::string name : {"my paper.tex", "bob's.tex", "a$b;c&d `x`.tex"}) {
        SCOPED_TRACE(name);
        std::string source = run.dir.Write("my folder/" + name, body);
        int rc = run.Typeset(run.dir.File("my folder"), Quote(name));
        EXPECT_EQ(rc, 1) << run.out << run.err;
        EXPECT_FALSE(Contains(run.out, "I can't find file")) << run.out;
        EXPECT_FALSE(Contains(run.err, "couldn't find the file")) << run.err;
        EXPECT_TRUE(Contains(run.err, "question: The typesetter has encountered an error"));
        EXPECT_TRUE(Contains(run.err, "goto: " + source + ":5\n")) << run.out << run.err;
        // The engine named its own files after the whole name.
        EXPECT_TRUE(
            fs::exists(run.dir.File("my folder/" + name.substr(0, name.size() - 4) + ".log")));
    }
}

TEST(TypesetCli, MissingInputEndsCancelled) {
    CliRun run;
    run.dir.Write(
        "doc/doc.tex",
        "\\documentclass{article}\n\\begin{document}\n\\input{nothere}\n\\end{document}\n");
    EXPECT_EQ(run.Typeset(run.dir.File("doc"), "doc.tex"), 99) << run.out << run.err;
    EXPECT_TRUE(Contains(run.err,
                         "question: The typesetter couldn't find the file `nothere.tex' "
                         "required to typeset your document"))
        << run.err;
    EXPECT_TRUE(Contains(run.out, "\nTypesetter process aborted\n"));
}

TEST(TypesetCli, HungEngineIsCancelledBySignal) {
    CliRun run;
    run.FakeInstall("pdfetex", "echo $$ > engine.pid\necho working\nexec sleep 600\n");
    run.dir.Write("doc/doc.tex", "x");
    std::string script = "cd " + Quote(run.dir.File("doc")) + " && (" +
                         run.Command("typeset doc.tex") +
                         " > out.txt 2> err.txt & pid=$!; i=0; "
                         "while ! grep -q working out.txt 2>/dev/null && [ $i -lt 300 ]; do "
                         "sleep 0.1; i=$((i+1)); done; kill -TERM $pid; wait $pid; echo $?)";
    std::string status;
    RunCommand(script, &status);
    EXPECT_EQ(status, "99\n");
    EXPECT_TRUE(Contains(ReadFile(run.dir.File("doc/out.txt")), "\nTypesetter process aborted\n"));
    std::string pid = ReadFile(run.dir.File("doc/engine.pid"));
    ASSERT_FALSE(pid.empty());
    EXPECT_NE(RunCommand("kill -0 " + pid, nullptr), 0) << "the engine outlived the run";
}

TEST(TypesetCli, EngineOptionBuildsItsFormatsAndIsNotKept) {
    CliRun run;
    // A fake engine: INITeX runs write the format, typeset runs record their arguments.
    run.FakeInstall("myengine",
                    "case \" $* \" in *' -ini '*) for a; do :; done\n"
                    "  touch latex.fmt plain.fmt; echo made; exit 0;; esac\n"
                    "printf '%s\\n' \"$@\" > args.txt\necho 'LaTeX2e' > doc.log\n");
    run.dir.Write("doc/doc.tex", "x");
    ASSERT_EQ(run.Typeset(run.dir.File("doc"), "doc.tex --engine myengine --format LaTeX"), 0)
        << run.out << run.err;
    EXPECT_TRUE(Contains(run.out, "INITeXing was successful")) << run.out;
    EXPECT_EQ(ReadFile(run.dir.File("doc/args.txt")),
              "-8bit\n-src-specials\n-progname=latex\n&latex\n\"doc.tex\"\n");
    std::string engine;
    RunCommand(run.Command("settings read '/HKCU/Software/Tolvane Inc/Quirn6/Settings/TeXEngine6'"),
               &engine);
    EXPECT_EQ(engine, "pdfetex\n");
}

// XeLaTeX and LuaLaTeX: each engine builds its own LaTeX format at the first run, writes
// PDF with a SyncTeX file (also for a name with blanks, which LuaTeX does not quote by
// itself), and the PDF's pages lead back to the words of the source.
TEST(TypesetCli, XeLatexAndLuaLatexWritePdfLinkedToTheSource) {
    for (const char* engine : {"xetex", "luatex"}) {
        std::string where;
        if (RunCommand(std::string("command -v ") + engine, &where) != 0) {
            ADD_FAILURE() << engine << " is not installed (scripts/setup installs it)";
            continue;
        }
        CliRun run;
        run.dir.Write("doc/my paper.tex",
                      "\\documentclass{article}\n\\begin{document}\n\\section{Intro}\n"
                      "Gr\xc3\xbc\xc3\x9f"
                      "e and plain words for the engine.\n\\end{document}\n");
        ASSERT_EQ(
            run.Typeset(run.dir.File("doc"), "'my paper.tex' --format LaTeX --answer no --engine " +
                                                 std::string(engine)),
            0)
            << engine << run.out << run.err;
        EXPECT_TRUE(Contains(run.out, "INITeXing was successful")) << run.out;
        EXPECT_TRUE(Contains(run.err, "view: " + run.dir.File("doc/my paper.pdf") + "\n"))
            << run.err;
        EXPECT_TRUE(fs::exists(run.dir.File("doc/my paper.synctex.gz"))) << engine;
        EXPECT_FALSE(fs::exists(run.dir.File("doc/my paper.dvi"))) << engine;

        std::string info;
        ASSERT_EQ(
            RunCommand(run.Command("ps-info " + Quote(run.dir.File("doc/my paper.pdf"))), &info),
            0);
        EXPECT_EQ(info.substr(0, 16), "kind 3\npages 1\ns") << info;
        // Forward search finds line 4 on page 1; a click there goes back to line 4.
        std::string place;
        ASSERT_EQ(
            RunCommand(run.Command("forward-search " + Quote(run.dir.File("doc/my paper.pdf")) +
                                   " " + Quote(run.dir.File("doc/my paper.tex")) + " 4 --dpi 72"),
                       &place),
            0)
            << engine;
        int x = 0, y = 0;
        ASSERT_EQ(std::sscanf(place.c_str(), "page: 1\npoint: %d %d", &x, &y), 2) << place;
        std::string back;
        ASSERT_EQ(
            RunCommand(
                run.Command("inverse-search " + Quote(run.dir.File("doc/my paper.pdf")) + " 1 " +
                            std::to_string(x + 3) + " " + std::to_string(y - 3) + " --dpi 72"),
                &back),
            0);
        EXPECT_EQ(back, "goto: " + run.dir.File("doc/my paper.tex") + ":4\ncolumn: 1\n") << engine;
    }
}

TEST(TypesetCli, WrongCommandLines) {
    CliRun run;
    run.dir.Write("doc/doc.tex", "x");
    EXPECT_EQ(run.Typeset(run.dir.File("doc"), ""), 2);
    EXPECT_EQ(run.Typeset(run.dir.File("doc"), "doc.tex --mode XPS"), 2);
    EXPECT_EQ(run.Typeset(run.dir.File("doc"), "doc.tex --answer maybe"), 2);
    EXPECT_EQ(run.Typeset(run.dir.File("doc"), "doc.tex other.tex"), 2);
    EXPECT_EQ(run.Typeset(run.dir.File("doc"), "missing.tex"), 1);
    EXPECT_TRUE(Contains(run.err, "cannot find the file to typeset: missing.tex")) << run.err;
}

}  // namespace
}  // namespace quirn

namespace quirn {
namespace {

TEST(TypesetCli, CitationsAndIndexSettleInOneTypeset) {
    CliRun run;
    run.dir.Write("doc/refs.bib",
                  "@book{knuth,\n  author = {Donald Knuth},\n  title = {The Book},\n"
                  "  year = 1984,\n  publisher = {Tolvane}\n}\n");
    const std::string doc =
        "\\documentclass{article}\n\\makeindex\n\\begin{document}\nSee "
        "\\cite{knuth}.\\index{word}\n"
        "\\bibliographystyle{plain}\n\\bibliography{refs}\n\\end{document}\n";
    run.dir.Write("doc/doc.tex", doc);
    const std::string dir = run.dir.File("doc");

    // Without the chain the citation stays undefined.
    ASSERT_EQ(run.Typeset(dir, "doc.tex --no-auto"), 0) << run.out << run.err;
    EXPECT_FALSE(Contains(run.out, "Running BibTeX")) << run.out;
    EXPECT_FALSE(fs::exists(run.dir.File("doc/doc.bbl")));

    ASSERT_EQ(run.Typeset(dir, "doc.tex"), 0) << run.out << run.err;
    EXPECT_TRUE(Contains(run.out, "*** Running BibTeX (doc.bbl is missing) ***\n")) << run.out;
    EXPECT_TRUE(Contains(run.out, "*** Running MakeIndex (doc.ind is missing) ***\n"));
    EXPECT_TRUE(Contains(run.out, "Database file #1: refs.bib"));
    EXPECT_TRUE(Contains(run.out, "*** Typesetting again: BibTeX and MakeIndex ran ***\n"));
    EXPECT_FALSE(Contains(run.err, "question:")) << run.err;
    EXPECT_FALSE(Contains(ReadFile(run.dir.File("doc/doc.log")), "undefined"));
    EXPECT_TRUE(Contains(ReadFile(run.dir.File("doc/doc.aux")), "\\bibcite{knuth}{1}"));

    // Settled: the next Typeset runs LaTeX alone; a new citation runs BibTeX again.
    ASSERT_EQ(run.Typeset(dir, "doc.tex"), 0) << run.out << run.err;
    EXPECT_FALSE(Contains(run.out, "*** Running")) << run.out;
    run.dir.Write("doc/refs.bib", ReadFile(run.dir.File("doc/refs.bib")) +
                                      "@book{lamport, author={Leslie Lamport}, title={Other},"
                                      " year=1986, publisher={Tolvane}}\n");
    run.dir.Write("doc/doc.tex",
                  "\\documentclass{article}\n\\begin{document}\n\\cite{knuth,lamport}\n"
                  "\\bibliographystyle{plain}\n\\bibliography{refs}\n\\end{document}\n");
    ASSERT_EQ(run.Typeset(dir, "doc.tex"), 0) << run.out << run.err;
    EXPECT_TRUE(Contains(run.out, "*** Running BibTeX (the citations changed) ***\n")) << run.out;
    EXPECT_TRUE(Contains(ReadFile(run.dir.File("doc/doc.aux")), "\\bibcite{lamport}{2}"));

    // A bad entry is shown like a TeX error: the editor goes to the .bib line.
    run.dir.Write("doc/refs.bib", "@book{knuth,\n  author = {Donald Knuth}\n  title = {X},\n}\n");
    EXPECT_EQ(run.Typeset(dir, "doc.tex"), 2) << run.out << run.err;
    EXPECT_TRUE(Contains(run.err, "goto: " + run.dir.File("doc/refs.bib") + ":3\n")) << run.err;
}

}  // namespace
}  // namespace quirn
