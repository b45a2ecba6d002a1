#include "platform/print_job.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/program_resolver.h"
#include "platform/temp_folder.h"
#include "support/test_support.h"

namespace quirn {
namespace {

// A real DVI file from the engine: two pages of plain TeX.
std::string TypesetPlainDvi(const test::TempDir& dir) {
    dir.Write("doc/hello.tex", "Hello printer.\\vfill\\eject Second page.\\bye\n");
    std::string out;
    test::RunCommand("cd '" + dir.File("doc") + "' && tex -interaction=batchmode hello.tex", &out);
    return dir.File("doc/hello.dvi");
}

// The printing system's lp, played by a script in the installation's bin folder: a
// real printer cannot be had on demand. It keeps its arguments and the file it got.
void InstallFakeLp(const test::TempDir& install) {
    std::string lp = install.Write("bin/lp",
                                   "#!/bin/sh\n"
                                   "here=$(dirname \"$0\")\n"
                                   "printf '%s\\n' \"$@\" > \"$here/../lp-args\"\n"
                                   "echo \"check=$PRINT_CHECK\" > \"$here/../lp-env\"\n"
                                   "for last; do :; done\n"
                                   "cp \"$last\" \"$here/../printed\"\n");
    ::chmod(lp.c_str(), 0755);
}

TEST(PrintJob, ADviGoesThroughDvipsToLpAsPostScript) {
    test::TempDir dir, install;
    TempFolder temporary(dir.Path());
    std::string dvi = TypesetPlainDvi(dir);
    ASSERT_TRUE(std::filesystem::exists(dvi));
    InstallFakeLp(install);

    // The children start with the environment the request gives them.
    PrintRequest request{install.Path(), dvi, false, "a4",
                         EnvironmentWith(ProcessEnvironment(), {"PRINT_CHECK=given"})};
    PrintResult result = PrintDocument(request, temporary);
    EXPECT_TRUE(result.printed) << result.message;
    std::string args = test::ReadFile(install.File("lp-args"));
    EXPECT_EQ(args.rfind("-t\nhello.dvi\n--\n", 0), 0u) << args;
    EXPECT_NE(args.find("hello.ps\n"), std::string::npos) << args;
    EXPECT_EQ(test::ReadFile(install.File("lp-env")), "check=given\n");
    std::string ps = test::ReadFile(install.File("printed"));
    EXPECT_EQ(ps.rfind("%!PS-Adobe", 0), 0u);
    EXPECT_NE(ps.find("%%Pages: 2"), std::string::npos);
    EXPECT_NE(ps.find("%%DocumentPaperSizes: a4"), std::string::npos);

    // A PostScript or PDF file goes to lp as it is.
    std::string pdf = dir.Write("doc/ready.pdf", "%PDF-1.4\n");
    result = PrintDocument({install.Path(), pdf, false, "", {}}, temporary);
    EXPECT_TRUE(result.printed) << result.message;
    EXPECT_EQ(test::ReadFile(install.File("printed")), "%PDF-1.4\n");
}

TEST(PrintJob, WithoutAPrinterOrLpNothingIsPrintedAndTheMessageSaysWhy) {
    test::TempDir dir, install;
    TempFolder temporary(dir.Path());
    std::string ps = dir.Write("page.ps", "%!PS\nshowpage\n");
    if (!FindOnPath("lp").empty()) {
        // The real lp, with the printing system out of reach: no printer is known.
        test::ScopedEnvironment server;
        server.Set("CUPS_SERVER", dir.File("no-such-socket"));
        PrintResult result = PrintDocument({install.Path(), ps, false, "", {}}, temporary);
        EXPECT_FALSE(result.printed);
        EXPECT_NE(result.message.find("Unable to print page.ps: no printer is set up"),
                  std::string::npos)
            << result.message;
    }
    {
        test::ScopedEnvironment path;
        path.Set("PATH", dir.File("empty"));
        PrintResult result = PrintDocument({install.Path(), ps, false, "", {}}, temporary);
        EXPECT_FALSE(result.printed);
        EXPECT_NE(result.message.find("lp command is not installed"), std::string::npos)
            << result.message;
    }
    PrintResult missing =
        PrintDocument({install.Path(), dir.File("gone.dvi"), false, "", {}}, temporary);
    EXPECT_FALSE(missing.printed);
    EXPECT_NE(missing.message.find("does not exist"), std::string::npos);
}

}  // namespace
}  // namespace quirn
