// The kpathsearch helper and the FileSearch client that keeps it running.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "dvi/dvi_test_support.h"
#include "dvi/fonts/file_search.h"

namespace quirn {
namespace {

namespace fs = std::filesystem;
using test::RunCommand;
using test::TempDir;

std::string Kpsewhich(const std::string& name) {
    std::string out;
    RunCommand("kpsewhich " + name, &out);
    while (!out.empty() && out.back() == '\n') {
        out.pop_back();
    }
    return out;
}

// An installation directory whose bin/kpathsearch is the program under test, or a
// script standing in for it.
struct FakeInstall {
    TempDir dir;
    FakeInstall() { fs::create_directories(dir.File("bin")); }
    void UseRealHelper() const {
        fs::create_symlink(test::Program("kpathsearch"), dir.File("bin/kpathsearch"));
    }
    void UseScript(const std::string& body) const {
        dir.Write("bin/kpathsearch", "#!/bin/sh\n" + body);
        ::chmod(dir.File("bin/kpathsearch").c_str(), 0755);
    }
};

// Copies a real TFM into the installation directory, where the restarted helper's
// search of its current directory finds it.
class CopyingInstaller : public MissingFileInstaller {
  public:
    CopyingInstaller(std::string target, bool reallyInstall)
        : target_(std::move(target)), reallyInstall_(reallyInstall) {}
    bool InstallMissingFile(const std::string& name) override {
        asked.push_back(name);
        if (reallyInstall_) {
            fs::copy_file(Kpsewhich("cmr10.tfm"), target_ + "/" + name);
        }
        return true;
    }
    std::vector<std::string> asked;

  private:
    std::string target_;
    bool reallyInstall_;
};

TEST(Kpathsearch, AnswersOneLinePerRequest) {
    TempDir dir;
    dir.Write("requests",
              "find cmr10.tfm\n"
              "find ptmr7t.vf\n"
              "find 8r.enc\n"
              "find article.cls\n"
              "find quirn-no-such-file.tfm\n"
              "hello\n"
              "find cmmi10.tfm\r\n");
    std::string out;
    ASSERT_EQ(RunCommand(test::Program("kpathsearch") + " < " + dir.File("requests"), &out), 0);
    EXPECT_EQ(out, "OK " + Kpsewhich("cmr10.tfm") + "\n" +        //
                       "OK " + Kpsewhich("ptmr7t.vf") + "\n" +    //
                       "OK " + Kpsewhich("8r.enc") + "\n" +       //
                       "OK " + Kpsewhich("article.cls") + "\n" +  //
                       "NOTFOUND quirn-no-such-file.tfm\n" +      //
                       "ERROR unknown request\n" +                //
                       "OK " + Kpsewhich("cmmi10.tfm") + "\n");
}

TEST(FileSearch, KeepsOneHelperAndStartsANewOneWhenItDied) {
    FileSearch search(test::BuildDir());
    EXPECT_FALSE(search.Running());
    EXPECT_EQ(search.FindFile("cmr10.tfm", false), Kpsewhich("cmr10.tfm"));
    EXPECT_EQ(search.FindFile("ptmr8r.tfm", true), Kpsewhich("ptmr8r.tfm"));
    EXPECT_EQ(search.FindFile("quirn-no-such-file.vf", false), "");
    EXPECT_EQ(search.FindFile("bad\nname.tfm", false), "") << "a name cannot split a request";
    EXPECT_EQ(search.StartCount(), 1);

    const int pid = search.HelperPid();
    ASSERT_GT(pid, 0);
    ::kill(pid, SIGKILL);
    for (int i = 0; i < 200 && search.Running(); ++i) {
        ::usleep(10000);
    }
    EXPECT_EQ(search.FindFile("cmmi10.tfm", false), Kpsewhich("cmmi10.tfm"));
    EXPECT_EQ(search.StartCount(), 2);

    search.StopFileSearch();
    EXPECT_FALSE(search.Running());
    EXPECT_EQ(search.FindFile("cmr10.tfm", false), Kpsewhich("cmr10.tfm"));
    EXPECT_EQ(search.StartCount(), 3);
}

// Virtual fonts are searched on the virtual font path, which VFFONTS sets; TFM files
// on the metric path, which TFMFONTS sets.
TEST(FileSearch, HonoursTheFontPathVariables) {
    TempDir vf;
    TempDir tfm;
    fs::copy_file(Kpsewhich("ptmr7t.vf"), vf.File("quirnvfonly.vf"));
    fs::copy_file(Kpsewhich("cmr10.tfm"), tfm.File("quirntfmonly.tfm"));
    FileSearch search(test::BuildDir());
    search.SetEnvironment(EnvironmentWith(
        ProcessEnvironment(), {"VFFONTS=" + vf.Path() + ":", "TFMFONTS=" + tfm.Path() + ":"}));
    EXPECT_EQ(search.FindFile("quirnvfonly.vf", false), vf.File("quirnvfonly.vf"));
    EXPECT_EQ(search.FindFile("quirntfmonly.tfm", false), tfm.File("quirntfmonly.tfm"));
    EXPECT_EQ(search.FindFile("ptmr7t.vf", false), Kpsewhich("ptmr7t.vf"));
}

TEST(FileSearch, OffersAMissingFileToTheInstallerOnce) {
    FakeInstall install;
    install.UseRealHelper();
    FileSearch search(install.dir.Path());

    EXPECT_EQ(search.FindFile("quirnfresh.tfm", true), "") << "no installer: not installed";

    CopyingInstaller installer(install.dir.Path(), true);
    search.SetInstaller(&installer);
    EXPECT_EQ(search.FindFile("quirnlater.tfm", false), "");
    EXPECT_TRUE(installer.asked.empty()) << "lookups that may not install never ask";

    const int startsBefore = search.StartCount();
    const std::string found = search.FindFile("quirnfresh.tfm", true);
    EXPECT_EQ(fs::canonical(found), fs::canonical(install.dir.File("quirnfresh.tfm")));
    EXPECT_EQ(installer.asked, std::vector<std::string>{"quirnfresh.tfm"});
    EXPECT_EQ(search.StartCount(), startsBefore + 1) << "restarted to see the new file";

    // An install that reports success but leaves no file: one question, no loop.
    CopyingInstaller liar(install.dir.Path(), false);
    search.SetInstaller(&liar);
    EXPECT_EQ(search.FindFile("quirnnever.tfm", true), "");
    EXPECT_EQ(liar.asked, std::vector<std::string>{"quirnnever.tfm"});
    // The retry mark is cleared afterwards: the next lookup may ask again.
    EXPECT_EQ(search.FindFile("quirnnever.tfm", true), "");
    EXPECT_EQ(liar.asked.size(), 2u);
}

TEST(FileSearch, TakesOnlyOkAnswersWithoutTrailingBlanks) {
    FakeInstall install;
    install.UseScript(
        "while read verb name; do\n"
        "  case \"$name\" in\n"
        "    crlf*) printf 'OK /fonts/%s \\r\\n' \"$name\" ;;\n"
        "    odd*) echo \"FOUND /fonts/$name\" ;;\n"
        "    bye*) exit 0 ;;\n"
        "    *) echo \"OK /fonts/$name\" ;;\n"
        "  esac\n"
        "done\n");
    FileSearch search(install.dir.Path());
    EXPECT_EQ(search.FindFile("crlf.tfm", false), "/fonts/crlf.tfm");
    EXPECT_EQ(search.FindFile("odd.tfm", false), "");
    EXPECT_EQ(search.FindFile("plain.tfm", false), "/fonts/plain.tfm");
    // A helper that ends while being asked gives no answer, and a new one is started
    // for the next question.
    EXPECT_EQ(search.FindFile("bye.tfm", false), "");
    EXPECT_EQ(search.FindFile("again.tfm", false), "/fonts/again.tfm");
    EXPECT_EQ(search.StartCount(), 2);
}

TEST(FileSearch, AHelperThatCannotStartFindsNothingAndIsTriedAgain) {
    FakeInstall install;  // no bin/kpathsearch, and none on PATH
    const char* oldPath = std::getenv("PATH");
    std::string saved = oldPath ? oldPath : "";
    ::setenv("PATH", install.dir.Path().c_str(), 1);
    FileSearch search(install.dir.Path());
    EXPECT_EQ(search.FindFile("cmr10.tfm", false), "");
    EXPECT_EQ(search.FindFile("cmr10.tfm", false), "");
    EXPECT_EQ(search.StartCount(), 2);
    ::setenv("PATH", saved.c_str(), 1);
}

}  // namespace
}  // namespace quirn
