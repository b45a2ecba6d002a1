// The missing-file database and resolution: lookups by the blank rules, the start-up
// fetch of the database archive from a real HTTP server on 127.0.0.1, and installs
// from local archives and downloads, with the questions they ask.
#include "packages/missing_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/app_context.h"
#include "app/profile.h"
#include "packages/local_http_server.h"
#include "packages/package_maker.h"
#include "platform/output_sink.h"
#include "platform/paths.h"
#include "platform/settings_store.h"
#include "platform/user_prompt.h"
#include "support/test_support.h"

namespace quirn {
namespace {

namespace fs = std::filesystem;

class MissingFiles : public ::testing::Test {
  protected:
    MissingFiles()
        : store(OpenFileStore(dir.File("config"), nullptr)),
          profile(*store),
          context(MakeContext()) {}

    AppContext& MakeContext() {
        ctx.store = store.get();
        ctx.profile = &profile;
        ctx.output = &output;
        ctx.prompt = &prompt;
        ctx.roots = {dir.File("install/"), dir.File("data/"), dir.File("data/"), dir.File("data/")};
        return ctx;
    }
    std::string Database() const { return dir.File("data/tpm/jitdb.txt"); }
    // A package archive "NAME.zip" in `folder` that holds tex/latex/NAME/FILE.
    void MakePackage(const std::string& folder, const std::string& name, const std::string& file) {
        dir.Write("trees/" + name + "/tex/latex/" + name + "/" + file, "% " + file + "\n");
        std::string error;
        ASSERT_TRUE(PackPackage(dir.File("trees/" + name), name, JoinPath(folder, name + ".zip"),
                                {}, error))
            << error;
    }
    std::vector<std::string> Temporary() {
        std::vector<std::string> files;
        std::error_code ec;
        for (fs::recursive_directory_iterator it(ctx.temporary.Path(), ec), end; !ec && it != end;
             it.increment(ec))
            files.push_back(it->path().string());
        return files;
    }

    test::TempDir dir;
    std::unique_ptr<SettingsStore> store;
    Profile profile;
    StringSink output;
    ScriptedPrompt prompt;
    AppContext ctx;
    AppContext& context;
};

TEST_F(MissingFiles, FindsAFileOnlyBetweenTwoBlanks) {
    dir.Write("data/tpm/jitdb.txt",
              "ID: test-1\nurl: http://h/a.zip\nName: alpha\nFiles: xalpha.sty alpha.cls last.sty\n"
              "Name: beta\nFiles: beta.sty alpha.sty \nurl: http://h/c.zip\nName: gamma\nFiles: "
              "last.sty \n");
    MissingFileResolver resolver(context);
    PackageForFile found = resolver.FindPackageForFile("alpha.sty");
    EXPECT_TRUE(found.found);
    EXPECT_EQ(found.name, "beta");  // "xalpha.sty" does not match; beta's url is alpha's
    EXPECT_EQ(found.url, "http://h/a.zip");
    // The last name of a line matches only with a blank after it.
    EXPECT_EQ(resolver.FindPackageForFile("last.sty").name, "gamma");
    EXPECT_FALSE(resolver.FindPackageForFile("alpha").found);
    // A changed database is read again.
    dir.Write("data/tpm/jitdb.txt", "ID: test-2\nName: delta\nFiles: alpha.sty \n");
    EXPECT_EQ(resolver.FindPackageForFile("alpha.sty").name, "delta");
    fs::remove(Database());
    EXPECT_FALSE(resolver.FindPackageForFile("alpha.sty").found);
    EXPECT_EQ(output.Text(), "Can't open jit db: " + Database() + "\n");
}

TEST_F(MissingFiles, StartUpFetchesTheDatabaseArchiveWhenMissingOrSmall) {
    MakePackage(dir.File("server"), "served", "served.sty");
    std::string error;
    fs::create_directories(dir.File("server/v6a"));
    fs::create_directories(dir.File("server/v6"));
    ASSERT_EQ(
        WriteMissingFileIndex(dir.File("server"), dir.File("server/v6a/tlv-jit.zip"), "", error), 1)
        << error;
    test::LocalHttpServer server(dir.File("server"));
    ASSERT_FALSE(server.Base().empty());

    MissingFileResolver resolver(context);
    // Without a server nothing is fetched and the missing database is reported.
    EXPECT_FALSE(resolver.LoadMissingFileDatabase());
    EXPECT_EQ(output.Text(), "Can't open jitdb: " + Database() + "\n");

    // Neither the database nor the hash file: the first-install archive.
    profile.WriteText("Settings", "PackageServer", server.Base() + "/");
    profile.WriteText("Settings", "JitDbId", "older");
    output.Clear();
    ASSERT_TRUE(resolver.LoadMissingFileDatabase()) << output.Text();
    EXPECT_TRUE(resolver.DatabaseIdLine().starts_with("ID: server-")) << resolver.DatabaseIdLine();
    EXPECT_EQ(output.Text(),
              "Switching archives from: older to: " + resolver.DatabaseIdLine().substr(4) + "\n");
    EXPECT_EQ(profile.GetText("Settings", "JitDbId", ""), resolver.DatabaseIdLine().substr(4));
    for (const char* member : {"cls.tpi", "popcls.tpi", "pkg.tpi", "poppkg.tpi"})
        EXPECT_TRUE(RegularFileExists(dir.File(std::string("data/tpm/") + member))) << member;
    EXPECT_TRUE(Temporary().empty());

    // With the hash file, a database of exactly the current size is kept; one byte less
    // fetches the current archive, which the server lacks.
    dir.Write("data/ispell/english.hash", "hash");
    dir.Write("data/tpm/jitdb.txt", "ID: big\n" + std::string(kCurrentDatabaseSize - 8, '\n'));
    output.Clear();
    EXPECT_TRUE(resolver.LoadMissingFileDatabase()) << output.Text();
    dir.Write("data/tpm/jitdb.txt", "ID: big\n" + std::string(kCurrentDatabaseSize - 9, '\n'));
    output.Clear();
    EXPECT_FALSE(resolver.LoadMissingFileDatabase());
    EXPECT_EQ(output.Text(), "Cannot load file " + server.Base() + "/v6/tlv-jit.zip\n");
    EXPECT_TRUE(Temporary().empty());
    // Without Internet access the old database is read as it is.
    profile.WriteInt("Settings", "NetAccess", 0);
    output.Clear();
    EXPECT_TRUE(resolver.LoadMissingFileDatabase());
    dir.Write("data/tpm/jitdb.txt", "no id\n");
    EXPECT_FALSE(resolver.LoadMissingFileDatabase());
    EXPECT_EQ(output.Text(), "No jitdb ID\n");
}

TEST_F(MissingFiles, ResolvesFromALocalArchiveThenFromTheServer) {
    MakePackage(dir.File("data/tpm"), "local", "local.sty");
    MakePackage(dir.File("server/pkgs"), "remote", "remote.sty");
    fs::rename(dir.File("data/tpm/local.zip"), dir.File("data/tpm/local.zip.tpm"));
    dir.Write("data/tpm/jitdb.txt",
              "ID: t\nName: local\nFiles: local.sty \nurl: pkgs/remote.zip\n"
              "Name: remote\nFiles: remote.sty \nurl: pkgs/broken.zip\n"
              "Name: broken\nFiles: broken.sty \n");
    test::LocalHttpServer server(dir.File("server"));
    profile.WriteText("Settings", "PackageServer", server.Base());
    MissingFileResolver resolver(context);
    int afterInstall = 0;
    resolver.SetAfterInstall([&] { ++afterInstall; });

    // Unknown file: the message, nothing installed.
    EXPECT_FALSE(resolver.ResolveMissingFile("nowhere.sty", true, true));
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0],
              "The file nowhere.sty couldn't be found in any standard TeX packages.\n"
              "See Insert Package or Settings..Packages for package names.\n");

    // A ".zip.tpm" archive is only found when trying local archives.
    prompt.messages.clear();
    EXPECT_FALSE(resolver.ResolveMissingFile("local.sty", false, false));
    EXPECT_EQ(prompt.messages, std::vector<std::string>{"Couldn't install the package:local"});
    ASSERT_TRUE(resolver.ResolveMissingFile("local.sty", true, true));
    EXPECT_EQ(prompt.questions,
              std::vector<std::string>{
                  "Found it!\nYou need package: local\nWould you like to install that now?"});
    EXPECT_TRUE(RegularFileExists(dir.File("data/texmf/tex/latex/local/local.sty")));

    // "No" installs nothing; with JITinstall off there is no question.
    prompt.SetAnswer(false);
    EXPECT_FALSE(resolver.ResolveMissingFile("remote.sty", true, true));
    profile.WriteInt("Prompts", "JITinstall", 0);
    prompt.questions.clear();
    ASSERT_TRUE(resolver.ResolveMissingFile("remote.sty", true, true));
    EXPECT_TRUE(prompt.questions.empty());
    EXPECT_EQ(resolver.LastInstalledPackage(), "remote");
    EXPECT_TRUE(RegularFileExists(dir.File("data/texmf/tex/latex/remote/remote.sty")));
    EXPECT_EQ(afterInstall, 2);

    // A 404 fails, and so does everything without Internet access; no download stays.
    prompt.messages.clear();
    EXPECT_FALSE(resolver.ResolveMissingFile("broken.sty", true, true));
    EXPECT_EQ(prompt.messages, std::vector<std::string>{"Couldn't install the package:broken"});
    fs::remove_all(dir.File("data/texmf/tex/latex/remote"));
    profile.WriteInt("Settings", "NetAccess", 0);
    EXPECT_FALSE(resolver.ResolveMissingFile("remote.sty", true, true));
    EXPECT_TRUE(Temporary().empty());
}

}  // namespace
}  // namespace quirn
