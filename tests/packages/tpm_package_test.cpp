// Package manifests, targets, and all-or-nothing installs and removes on real files
// and real zip archives (made by the pack operation and by libzip).
#include "packages/tpm_package.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "packages/package_lists.h"
#include "packages/package_maker.h"
#include "platform/output_sink.h"
#include "platform/paths.h"
#include "platform/zip_archive.h"
#include "support/test_support.h"

namespace quirn {
namespace {

namespace fs = std::filesystem;

std::string Manifest(const std::string& name, const std::string& runFiles,
                     const std::string& docFiles = "", const std::string& extra = "") {
    return "<?xml version=\"1.0\"?>\n<!DOCTYPE rdf:RDF SYSTEM \"../tpm.dtd\">\n"
           "<rdf:RDF xmlns:TPM=\"urn:x\">\n<rdf:Description about=\"" +
           name +
           "\">\n"
           "  <TPM:Name>" +
           name +
           "</TPM:Name>\n  <TPM:Version>1.0</TPM:Version>\n"
           "  <TPM:RunFiles size=\"1\">" +
           runFiles +
           "</TPM:RunFiles>\n"
           "  <TPM:DocFiles size=\"1\">" +
           docFiles + "</TPM:DocFiles>\n" + extra + "</rdf:Description>\n</rdf:RDF>\n";
}

// All files below `dir`, relative, sorted.
std::vector<std::string> Tree(const std::string& dir) {
    std::vector<std::string> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        files.push_back(fs::relative(it->path(), dir).generic_string() +
                        (it->is_directory() ? "/" : ""));
    std::sort(files.begin(), files.end());
    return files;
}

class Tpm : public ::testing::Test {
  protected:
    TpmInstallContext Context() {
        TpmInstallContext c;
        c.roots = {dir.File("install/"), dir.File("root/"), dir.File("root/"), dir.File("user/")};
        c.output = &output;
        c.report = [this](const TpmFileOutcome& o) {
            const char* what[] = {"placed", "skipped", "failed", "removed"};
            report += std::string(what[static_cast<int>(o.what)]) + " " + o.relativePath + "\n";
        };
        return c;
    }
    test::TempDir dir;
    StringSink output;
    std::string report;
};

TEST_F(Tpm, ReadsPropertiesRequiresAndMapsByTheTagRules) {
    // CRLF line ends read like LF; list pieces are not trimmed; a Requires tag and an
    // addMap tag are handled by their rule alone (the current element stays).
    const std::string text =
        "<!DOCTYPE rdf:RDF SYSTEM \"tpm.dtd\">\r\n<TPM:Name>  demo </TPM:Name>\r\n"
        "<TPM:Requires>\r\n<TPM:Package name=\"a\"/>\r\n<TPM:Package name=\"b c\"/>\r\n"
        "</TPM:Requires>\r\n<TPM:Installation>\r\n"
        "<TPM:Execute function=\"addMap\"\r\n mode=\"mixed\" parameter=\"one.map\"/>\r\n"
        "<TPM:Execute function=\"addMap\" other=\"x\"/>\r\n"
        "<TPM:Execute function=\"addMap\" parameter=\"two.map\"/>\r\n</TPM:Installation>\r\n"
        "<TPM:RunFiles size=\"2\">texmf/a.sty\r\n  texmf/b.sty</TPM:RunFiles>\r\n"
        "<TPM:Requires><TPM:Package name=\"late\"/></TPM:Requires>";
    TpmPackage p;
    ASSERT_TRUE(p.ReadText(text));
    EXPECT_EQ(p.GetName(), "demo");
    EXPECT_EQ(p.Requires(), (std::vector<std::string>{"a", "b", "late"}));
    EXPECT_EQ(p.AddMapParameters(), (std::vector<std::string>{"one.map", "two.map"}));
    auto files = p.FileList();
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[1].relativePath, "  texmf/b.sty");  // kept as written: no target
    EXPECT_EQ(TpmTargetOf(files[1].relativePath, Context().roots), "");
    // Well-formed XML without the document type is no manifest.
    EXPECT_FALSE(p.ReadText("<TPM:Name>x</TPM:Name>"));
}

TEST_F(Tpm, TargetsFollowThePrefixesAndNeverLeaveTheRoots) {
    DataRoots roots{"/i/", "/root/", "/root/", "/user/"};
    EXPECT_EQ(TpmTargetOf("texmf/tpm/packages/x.tpm", roots), "/root/texmf/tpm/package/x.tpm");
    EXPECT_EQ(TpmTargetOf("texmf/tpm/collections/x.tpm", roots),
              "/root/texmf/tpm/collection/x.tpm");
    EXPECT_EQ(TpmTargetOf("texmf-dist\\tex\\a.sty", roots), "/root/texmf-dist/tex/a.sty");
    EXPECT_EQ(TpmTargetOf("templates/letter.tex", roots), "/user/templates/letter.tex");
    EXPECT_EQ(TpmTargetOf("doc/readme", roots), "");
    EXPECT_EQ(TpmTargetOf("texmf/../../etc/passwd", roots), "");
    EXPECT_EQ(TpmTargetOf("texmf/a/..", roots), "");
    EXPECT_EQ(TpmTargetOf("/texmf/a.sty", roots), "");
    EXPECT_EQ(WithoutPackageMarkers("pkg[3](7)"), "pkg");
}

TEST_F(Tpm, InstallsFromAFolderAndFromItsSiblingArchiveAndRemovesAgain) {
    dir.Write("repo/texmf/tex/latex/demo/demo.sty", "sty");
    dir.Write("repo/texmf/doc/demo/readme", "doc");
    const std::string manifest = dir.Write(
        "repo/texmf/tpm/packages/demo.tpm",
        Manifest("demo", "texmf/tex/latex/demo/demo.sty\ntexmf/tpm/packages/demo.tpm\ndoc/skipped",
                 "texmf/doc/demo/readme\ntexmf/doc/demo/missing"));
    dir.Write("root/texmf/tex/latex/other.sty", "another package");
    TpmPackage p;
    ASSERT_TRUE(p.Read(manifest));
    EXPECT_FALSE(p.IsArchive());
    ASSERT_TRUE(p.Install(Context())) << output.Text();
    EXPECT_EQ(report,
              "placed texmf/tex/latex/demo/demo.sty\nplaced texmf/tpm/packages/demo.tpm\n"
              "skipped doc/skipped\nplaced texmf/doc/demo/readme\nfailed texmf/doc/demo/missing\n");
    EXPECT_NE(output.Text().find("Warning: could not copy file:\n " +
                                 dir.File("repo/texmf/doc/demo/missing") + "\nto\n" +
                                 dir.File("root/texmf/doc/demo/missing") + "\n"),
              std::string::npos)
        << output.Text();
    EXPECT_EQ(test::ReadFile(dir.File("root/texmf/tex/latex/demo/demo.sty")), "sty");
    PackageSources sources;
    sources.roots = Context().roots;
    auto installed = GatherInstalledPackages(sources);
    ASSERT_EQ(installed.size(), 1u);
    EXPECT_EQ(installed[0].Path(), dir.File("root/texmf/tpm/package/demo.tpm"));

    report.clear();
    installed[0].Remove(Context());
    // The folders that held only the package are gone; "tex/latex" keeps another file,
    // and the data root stays.
    EXPECT_EQ(Tree(dir.File("root")),
              (std::vector<std::string>{"texmf/", "texmf/tex/", "texmf/tex/latex/",
                                        "texmf/tex/latex/other.sty"}));
    EXPECT_NE(report.find("skipped doc/skipped"), std::string::npos);

    // A manifest with a sibling archive installs from the archive.
    std::string error;
    ASSERT_TRUE(WriteZipArchive(
        dir.File("repo/texmf/tpm/packages/demo.zip"),
        {{"texmf/tex/latex/demo/demo.sty", dir.File("repo/texmf/doc/demo/readme")}}, error))
        << error;
    TpmPackage q;
    ASSERT_TRUE(q.Read(manifest));
    EXPECT_EQ(q.Path(), dir.File("repo/texmf/tpm/packages/demo.zip"));
    EXPECT_TRUE(q.IsArchive());
}

TEST_F(Tpm, AFailedRequiredFileLeavesTheTreesAsTheyWere) {
    // An earlier read-only version of one file, and a required file the archive lacks.
    const std::string old = dir.Write("root/texmf/tex/latex/demo/a.sty", "old a");
    ::chmod(old.c_str(), 0444);
    dir.Write("src/a.sty", "new a");
    dir.Write("src/b.sty", "new b");
    dir.Write("src/demo.tpm",
              Manifest("demo",
                       "texmf/tex/latex/demo/a.sty\ntexmf/tex/latex/new/deep/b.sty\n"
                       "texmf/tex/latex/demo/missing.sty"));
    std::string error;
    ASSERT_TRUE(WriteZipArchive(dir.File("demo.zip"),
                                {{"texmf/tex/latex/demo/a.sty", dir.File("src/a.sty")},
                                 {"texmf/tex/latex/new/deep/b.sty", dir.File("src/b.sty")},
                                 {"texmf/tpm/packages/demo.tpm", dir.File("src/demo.tpm")}},
                                error));
    const auto before = Tree(dir.File("root"));
    TpmPackage p;
    ASSERT_TRUE(p.Read(dir.File("demo.zip")));
    EXPECT_FALSE(p.Install(Context()));
    EXPECT_EQ(report,
              "placed texmf/tex/latex/demo/a.sty\nplaced texmf/tex/latex/new/deep/b.sty\n"
              "failed texmf/tex/latex/demo/missing.sty\n");
    EXPECT_EQ(Tree(dir.File("root")), before);
    EXPECT_EQ(test::ReadFile(old), "old a");

    // Once the file is there, the install goes through and leaves it writable.
    dir.Write("missing.sty", "found beside the archive");
    report.clear();
    ASSERT_TRUE(p.Install(Context()));
    EXPECT_EQ(test::ReadFile(old), "new a");
    EXPECT_EQ(test::ReadFile(dir.File("root/texmf/tex/latex/demo/missing.sty")),
              "found beside the archive");
    struct stat st {};
    ASSERT_EQ(::stat(old.c_str(), &st), 0);
    EXPECT_TRUE(st.st_mode & S_IWUSR);
}

TEST_F(Tpm, DamagedArchivesAndManifestlessArchivesAreNoPackages) {
    dir.Write("a.sty", "x");
    std::string error;
    ASSERT_TRUE(
        WriteZipArchive(dir.File("plain.zip"), {{"texmf/a.sty", dir.File("a.sty")}}, error));
    TpmPackage p;
    EXPECT_FALSE(p.Read(dir.File("plain.zip")));
    // Cut short: the central directory is gone.
    std::string bytes = test::ReadFile(dir.File("plain.zip"));
    dir.Write("cut.zip", bytes.substr(0, bytes.size() / 2));
    EXPECT_FALSE(p.Read(dir.File("cut.zip")));
    EXPECT_FALSE(p.Read(dir.File("nothing-here.tpm")));
    // "PK" at the start makes any name an archive; ".tpm" never is one.
    dir.Write("magic", "PK\x03\x04");
    EXPECT_TRUE(IsPackageArchivePath(dir.File("magic")));
    EXPECT_TRUE(IsPackageArchivePath("x.ZIP.tpm"));
    EXPECT_FALSE(IsPackageArchivePath(dir.File("magic.tpm")));
}

TEST_F(Tpm, PackMakesAnArchiveThatListsAndInstallsItself) {
    dir.Write("tree/tex/latex/made/made.sty", "\\ProvidesPackage{made}");
    dir.Write("tree/fonts/map/dvips/made/made.map", "madefont MadeFont <made.pfb\n");
    dir.Write("tree/doc/latex/made/README", "read me");
    dir.Write("tree/source/latex/made/made.dtx", "source");
    std::string error;
    ASSERT_TRUE(PackPackage(dir.File("tree"), "made", dir.File("repo/tpm/made.zip"),
                            {"2.1", "A test"}, error))
        << error;
    EXPECT_FALSE(fs::exists(dir.File("repo/tpm/made.zip.manifest")));
    TpmPackage p;
    ASSERT_TRUE(p.Read(dir.File("repo/tpm/made.zip")));
    EXPECT_EQ(p.Property("Version"), "2.1");
    EXPECT_EQ(p.AddMapParameters(), std::vector<std::string>{"made.map"});
    EXPECT_EQ(p.Property("SourceFiles"), "texmf/source/latex/made/made.dtx");
    ASSERT_TRUE(p.Install(Context())) << output.Text();
    EXPECT_EQ(test::ReadFile(dir.File("root/texmf/tex/latex/made/made.sty")),
              "\\ProvidesPackage{made}");

    // Listed as installed, and not again as available from the repository.
    PackageSources sources;
    sources.roots = Context().roots;
    sources.repository = dir.File("repo");
    dir.Write("list.txt",
              "url: http://127.0.0.1:9/web.zip\nName: web\nVersion: 3\n-\n"
              "url: /local/path.zip\nName: local\n-\n");
    sources.packageList = dir.File("list.txt");
    PackageLists lists = GatherPackages(sources);
    ASSERT_EQ(lists.installed.size(), 1u);
    ASSERT_EQ(lists.available.size(), 2u);
    EXPECT_EQ(lists.available[0].DisplayName(), "local");
    EXPECT_EQ(lists.available[1].DisplayName(), "web (WEB)");
    EXPECT_EQ(lists.available[1].Property("Version"), "3");
    EXPECT_NE(lists.FindAvailable("web"), nullptr);
}

}  // namespace
}  // namespace quirn
