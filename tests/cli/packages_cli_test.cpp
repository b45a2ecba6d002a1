// quirn-cli tpm, jit and typeset together on a fresh data root: a package made with
// `tpm pack`, served by a real HTTP server on 127.0.0.1 with the database `tpm index`
// wrote, fetched by `jit load`, and installed by the typeset run that misses it; a
// second package from a local archive; then the package commands' own lines.
#include <gtest/gtest.h>

#include <filesystem>

#include "packages/local_http_server.h"
#include "support/test_support.h"

namespace quirn {
namespace {

namespace fs = std::filesystem;
using test::RunCommand;

bool Contains(const std::string& text, const std::string& what) {
    return text.find(what) != std::string::npos;
}

class PackagesCli : public ::testing::Test {
  protected:
    int Cli(const std::string& args, std::string* out, std::string* err) {
        return RunCommand("cd '" + dir.Path() + "' && QUIRN_CONFIG_DIR='" + dir.File("config") +
                              "' XDG_DATA_HOME='" + dir.File("xdg") + "' TMPDIR='" +
                              dir.File("tmp") + "' " + test::Program("quirn-cli") + " " + args +
                              " </dev/null",
                          out, err);
    }
    void MakePackage(const std::string& name, const std::string& folder) {
        dir.Write(
            "trees/" + name + "/tex/latex/" + name + "/" + name + ".sty",
            "\\ProvidesPackage{" + name + "}\\newcommand\\" + name + "{From " + name + ".}\n");
        dir.Write("trees/" + name + "/doc/latex/" + name + "/README", "About " + name + "\n");
        std::string out, err;
        ASSERT_EQ(Cli("tpm pack trees/" + name + " " + name + " -o " + folder + "/" + name +
                          ".zip --version 1.0",
                      &out, &err),
                  0)
            << err;
    }
    std::string Document(const std::string& package) {
        return dir.Write(package + ".tex", "\\documentclass{article}\n\\usepackage{" + package +
                                               "}\n\\begin{document}\n\\" + package +
                                               "\n\\end{document}\n");
    }
    std::string Data() { return dir.File("xdg/quirn"); }
    test::TempDir dir;
};

TEST_F(PackagesCli, ATypesetRunInstallsWhatItMissesAndGoesOn) {
    fs::create_directories(dir.File("tmp"));
    MakePackage("quirnserved", "server/pkgs");
    MakePackage("quirnlocal", "server/local");
    std::string out, err;
    ASSERT_EQ(Cli("tpm index server/pkgs -o server/v6a/tlv-jit.zip --url pkgs", &out, &err), 0)
        << err;
    test::LocalHttpServer server(dir.File("server"));
    ASSERT_FALSE(server.Base().empty());
    const std::string settings = "settings write '/HKCU/Software/Tolvane Inc/Quirn6/Settings/";
    ASSERT_EQ(Cli(settings + "PackageServer' " + server.Base(), &out, &err), 0) << err;

    ASSERT_EQ(Cli("jit load", &out, &err), 0) << err;
    EXPECT_TRUE(out.starts_with("ID: pkgs-")) << out;
    ASSERT_EQ(Cli("jit find quirnserved.sty", &out, &err), 0) << err;
    EXPECT_EQ(out, "quirnserved\tpkgs/quirnserved.zip\n");
    EXPECT_EQ(Cli("jit find quirnserved", &out, &err), 1);
    EXPECT_EQ(out, "");

    // The run stops at the missing file, installs its package from the server and
    // typesets again in the same call.
    ASSERT_EQ(Cli("typeset " + Document("quirnserved") + " --answer yes", &out, &err), 0)
        << out << err;
    EXPECT_TRUE(Contains(out, "Typesetter process aborted")) << out;
    EXPECT_TRUE(Contains(out, "Typesetting was successful")) << out;
    EXPECT_TRUE(Contains(err, "question: Found it!\nYou need package: quirnserved\n")) << err;
    EXPECT_TRUE(fs::exists(Data() + "/texmf/tex/latex/quirnserved/quirnserved.sty"));
    EXPECT_TRUE(
        fs::is_empty(dir.File("tmp")) ||
        std::none_of(fs::recursive_directory_iterator(dir.File("tmp")), {},
                     [](const fs::directory_entry& e) { return e.path().extension() == ".zip"; }));

    // A local archive in the data root's tpm folder, found through a hand-made database.
    fs::create_directories(Data() + "/tpm");
    fs::copy_file(dir.File("server/local/quirnlocal.zip"), Data() + "/tpm/quirnlocal.zip");
    dir.Write("xdg/quirn/tpm/jitdb.txt", "ID: by hand\nName: quirnlocal\nFiles: quirnlocal.sty \n");
    ASSERT_EQ(Cli("settings write '/HKCU/Software/Tolvane Inc/Quirn6/Prompts/JITinstall' 0 --int",
                  &out, &err),
              0);
    ASSERT_EQ(Cli("typeset " + Document("quirnlocal") + " --answer yes", &out, &err), 0)
        << out << err;
    EXPECT_FALSE(Contains(err, "Found it!")) << err;
    // Refused: nothing is installed and no second run follows.
    ASSERT_EQ(Cli("typeset " + Document("quirnnowhere") + " --answer yes", &out, &err), 99) << out;
    EXPECT_TRUE(Contains(
        err,
        "message: The file quirnnowhere.sty couldn't be found in any standard TeX packages.\n"));

    // The package commands.
    ASSERT_EQ(Cli("tpm list", &out, &err), 0) << err;
    EXPECT_TRUE(Contains(
        out, "installed\tquirnlocal\t1.0\t" + Data() + "/texmf/tpm/package/quirnlocal.tpm\n"))
        << out;
    EXPECT_TRUE(Contains(out, "installed\tquirnserved\t1.0\t")) << out;
    ASSERT_EQ(Cli("tpm install server/local/quirnlocal.zip --answer no", &out, &err), 1);
    EXPECT_EQ(err,
              "question: A package 'quirnlocal' is already present in Quirn.\n"
              "Would you like to install this on top of the existing package?\n");
    ASSERT_EQ(Cli("tpm remove quirnlocal[2]", &out, &err), 0) << err;
    EXPECT_EQ(out, "removed\t" + Data() +
                       "/texmf/tex/latex/quirnlocal/quirnlocal.sty\n"
                       "removed\t" +
                       Data() +
                       "/texmf/tpm/package/quirnlocal.tpm\n"
                       "removed\t" +
                       Data() + "/texmf/doc/latex/quirnlocal/README\n");
    EXPECT_FALSE(fs::exists(Data() + "/texmf/tex/latex/quirnlocal"));
    ASSERT_EQ(Cli("tpm list --repository server/local", &out, &err), 0) << err;
    EXPECT_TRUE(Contains(out, "available\tquirnlocal\t1.0\t" + Data() + "/tpm/quirnlocal.zip\n"))
        << out;
    ASSERT_EQ(Cli("tpm install quirnlocal", &out, &err), 0) << err;
    EXPECT_TRUE(out.starts_with("placed\ttexmf/tex/latex/quirnlocal/quirnlocal.sty\t" + Data() +
                                "/texmf/tex/latex/quirnlocal/quirnlocal.sty\n"))
        << out;
    EXPECT_TRUE(out.ends_with("installed\tquirnlocal\n")) << out;
    // A package's font map is marked active and its lines reach the combined maps.
    dir.Write("trees/mapped/fonts/map/dvips/mapped/mapped.map",
              "quirnmappedfont Mapped <mapped.pfb\n");
    ASSERT_EQ(Cli("tpm pack trees/mapped mapped -o mapped.zip", &out, &err), 0) << err;
    ASSERT_EQ(Cli("tpm install mapped.zip", &out, &err), 0) << err;
    EXPECT_TRUE(
        Contains(test::ReadFile(Data() + "/texmf-var/fonts/map/mapfiles.map"), "PD mapped.map\n"));
    for (const char* combined : {"dvips.map", "pdftex.map"})
        EXPECT_TRUE(Contains(test::ReadFile(Data() + "/texmf-var/fonts/map/" + combined),
                             "quirnmappedfont Mapped <mapped.pfb\n"))
            << combined;
    EXPECT_EQ(Cli("tpm list --repository nowhere", &out, &err), 1);
    EXPECT_EQ(err, "message: The specified path is invalid\n");
    EXPECT_EQ(Cli("tpm install nothing-of-that-name", &out, &err), 1);
    EXPECT_EQ(err, "quirn-cli: no package nothing-of-that-name\n");
    dir.Write("fake.zip", "PK but no archive");
    EXPECT_EQ(Cli("tpm info fake.zip", &out, &err), 1);
    EXPECT_EQ(err, "quirn-cli: not a package: fake.zip\n");
    // A web package from a downloaded package list.
    MakePackage("quirnweb", "server/web");
    dir.Write("server/list.txt", "url: " + server.Base() +
                                     "/web/quirnweb.zip\nName: quirnweb\n"
                                     "Version: 2.0\n-\nurl: " +
                                     server.Base() +
                                     "/web/gone.zip\n"
                                     "Name: gone\n-\n");
    ASSERT_EQ(Cli("tpm list --list " + server.Base() + "/list.txt", &out, &err), 0) << err;
    EXPECT_TRUE(
        Contains(out, "available\tquirnweb (WEB)\t2.0\t" + server.Base() + "/web/quirnweb.zip\n"))
        << out;
    ASSERT_EQ(Cli("tpm install 'quirnweb (WEB)' --list " + server.Base() + "/list.txt", &out, &err),
              0)
        << err;
    EXPECT_TRUE(out.ends_with("installed\tquirnweb\n")) << out;
    EXPECT_TRUE(fs::exists(Data() + "/texmf/tex/latex/quirnweb/quirnweb.sty"));
    EXPECT_EQ(Cli("tpm install gone --list " + server.Base() + "/list.txt", &out, &err), 1);
    EXPECT_EQ(err, "message: Download of web package failed\n");
    EXPECT_EQ(Cli("tpm list --list " + server.Base() + "/missing.txt", &out, &err), 1);
    EXPECT_EQ(err, "quirn-cli: cannot download " + server.Base() + "/missing.txt\n");
}

}  // namespace
}  // namespace quirn
