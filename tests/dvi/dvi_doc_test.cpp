// Loading DVI files: real TeX output against dvitype, the paper size rules, and the
// document operations on a loaded file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "dvi/dvi_doc.h"
#include "dvi/dvi_test_support.h"
#include "dvi/fonts/tfm.h"
#include "dvi/specials.h"
#include "platform/paths.h"

namespace quirn {
namespace {

using test::TempDir;

constexpr const char* kLatexDocument = R"(\documentclass{article}
\usepackage{times}
\begin{document}
Hello $x^2$ world.\newpage Second page \textbf{bold}.
\newpage\setcounter{page}{7} Seventh {\tiny small}.
\end{document}
)";

struct Loader {
    StringSink sink;
    Settings settings;
    DviContext context{test::BuildDir(), &sink, &settings};
    CDVIDoc doc{context};
};

std::string CurrentDirectory() {
    char* cwd = ::getcwd(nullptr, 0);
    std::string s = cwd ? cwd : "";
    std::free(cwd);
    return s;
}

TEST(DviDoc, ReadsATypesetDocumentAsDvitypeDoes) {
    TempDir dir;
    const std::string dvi = test::TypesetDvi(dir, "doc", kLatexDocument);
    ASSERT_FALSE(dvi.empty());
    const test::DvitypeReport ref = test::RunDvitype(dvi);
    ASSERT_TRUE(ref.ok);
    ASSERT_EQ(ref.pages.size(), 3u);

    Loader l;
    const std::string before = CurrentDirectory();
    ASSERT_TRUE(l.doc.OpenDocument(dvi)) << l.sink.Text();
    EXPECT_EQ(CurrentDirectory(), before) << "the load restores the current directory";
    EXPECT_EQ(l.sink.Text().find("Bad or missing TFM"), std::string::npos) << l.sink.Text();

    EXPECT_EQ(l.doc.num, ref.num);
    EXPECT_EQ(l.doc.den, ref.den);
    EXPECT_EQ(l.doc.mag, ref.mag);
    ASSERT_EQ(l.doc.GetPageCount(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(l.doc.pages[i].bop, ref.pages[i].bop) << "page " << i;
        EXPECT_EQ(l.doc.GetPageCount0(i), ref.pages[i].count0) << "page " << i;
    }
    EXPECT_EQ(l.doc.GetPageCount0(2), 7);

    ASSERT_EQ(l.doc.fontTable.size(), ref.fonts.size());
    for (const test::DvitypeFont& f : ref.fonts) {
        SCOPED_TRACE(f.name);
        ASSERT_TRUE(l.doc.fontTable.count(f.k));
        const DviFont& font = *l.doc.fontTable.at(f.k);
        EXPECT_EQ(font.name, f.name);
        EXPECT_EQ(font.s, f.scaled);
        EXPECT_NE(font.c, 0) << "checksums come from the definitions";
    }
    // The metrics are those of the font's own TFM at its size.
    const DviFont* tiny = nullptr;
    for (const auto& [k, font] : l.doc.fontTable) {
        if (font->name == "ptmr7t" && font->s != font->d)
            tiny = font;
    }
    ASSERT_NE(tiny, nullptr) << "\\tiny Times is a scaled font";
    DviFont reference;
    reference.s = tiny->s;
    reference.d = tiny->d;
    FileSearch search(test::BuildDir());
    reference.name = "ptmr7t";
    ASSERT_TRUE(LoadMetrics(reference, search));
    EXPECT_EQ(tiny->metrics['H'].width, reference.metrics['H'].width);
    EXPECT_GT(tiny->metrics['H'].width, 0);

    // Portrait paper from the settings: the widest page is narrower than the tallest.
    EXPECT_EQ(l.doc.pageWidth, 8500);
    EXPECT_EQ(l.doc.pageHeight, 11000);
    EXPECT_EQ(l.doc.GetPageSize(72).width, 612);
    EXPECT_EQ(l.doc.GetPageSize(72).height, 792);
}

TEST(DviDoc, PaperFollowsTheWidestPageAndTheLandscapeSetting) {
    TempDir dir;
    const std::string wide = test::TypesetDvi(
        dir, "wide", "\\magnification=2000 \\hsize=5in \\vsize=2in Wide.\\bye\n", "tex");
    const std::string tall = test::TypesetDvi(dir, "tall", "Tall.\\bye\n", "tex");
    ASSERT_FALSE(wide.empty());
    ASSERT_FALSE(tall.empty());

    Loader l;
    ASSERT_TRUE(l.doc.OpenDocument(wide));
    EXPECT_EQ(l.doc.mag, 2000);
    EXPECT_EQ(l.doc.mag, test::RunDvitype(wide).mag);
    EXPECT_EQ(l.doc.pageWidth, 11000) << "u > l turns the paper";
    EXPECT_EQ(l.doc.pageHeight, 8500);

    l.settings.landscape = 1;
    ASSERT_TRUE(l.doc.OpenDocument(wide));
    EXPECT_EQ(l.doc.pageWidth, 11000) << "exchanged once, not twice";
    ASSERT_TRUE(l.doc.OpenDocument(tall));
    EXPECT_EQ(l.doc.pageWidth, 11000) << "the setting alone turns it too";

    l.settings.landscape = 0;
    l.settings.cmUnits = 1;
    l.settings.pageWidth = 21.0;
    l.settings.pageHeight = 29.7;
    ASSERT_TRUE(l.doc.OpenDocument(tall));
    EXPECT_EQ(l.doc.pageWidth, 8267);
    EXPECT_EQ(l.doc.pageHeight, 11692);
    EXPECT_EQ(l.doc.GetPageSize(300).width, 2480);
}

// The last papersize special of the first page gives the paper, as the PostScript
// driver takes it, unless the user has chosen a paper size of their own.
TEST(DviDoc, PaperSizeSpecialOfTheFirstPageGivesThePaper) {
    TempDir dir;
    const std::string a4 =
        test::TypesetDvi(dir, "a4",
                         "\\documentclass{article}\\usepackage[a4paper]{geometry}\n"
                         "\\begin{document}Portrait.\\end{document}\n");
    const std::string landscape =
        test::TypesetDvi(dir, "landscape",
                         "\\documentclass{article}\\usepackage[a4paper,landscape]{geometry}\n"
                         "\\begin{document}Landscape.\\end{document}\n");
    const std::string plain = test::TypesetDvi(dir, "plain",
                                               "\\special{papersize=5in,7in}"
                                               "\\special{papersize=148mm, 210 truemm}"
                                               "\\special{papersize=bad}One.\\vfill\\eject"
                                               "\\special{papersize=20in,20in}Two.\\bye\n",
                                               "tex");
    ASSERT_FALSE(a4.empty());
    ASSERT_FALSE(landscape.empty());
    ASSERT_FALSE(plain.empty());

    Loader l;
    ASSERT_TRUE(l.doc.OpenDocument(a4));
    EXPECT_EQ(l.doc.pageWidth, 8268);
    EXPECT_EQ(l.doc.pageHeight, 11693);
    EXPECT_EQ(l.doc.GetPageSize(150).width, 1240);
    EXPECT_EQ(l.doc.GetPageSize(150).height, 1753);

    ASSERT_TRUE(l.doc.OpenDocument(landscape));
    EXPECT_EQ(l.doc.pageWidth, 11693) << "a landscape paper stays wide";
    EXPECT_EQ(l.doc.pageHeight, 8268);

    ASSERT_TRUE(l.doc.OpenDocument(plain));
    EXPECT_EQ(l.doc.pageWidth, 5827) << "the last valid one of the first page";
    EXPECT_EQ(l.doc.pageHeight, 8268);

    l.settings.pageWidth = 8.5;
    l.settings.pageHeight = 14.0;
    ASSERT_TRUE(l.doc.OpenDocument(a4));
    EXPECT_EQ(l.doc.pageWidth, 8500) << "the user's paper holds";
    EXPECT_EQ(l.doc.pageHeight, 14000);
}

TEST(DviDoc, PaperSizeSpecialsAreReadInEveryTexUnit) {
    struct Case {
        const char* text;
        int32_t width;
        int32_t height;
    };
    const Case cases[] = {
        {"papersize=8.5in,11in", 8500, 11000},
        {"papersize 21cm,29.7cm", 8268, 11693},
        {"papersize=612bp,792bp", 8500, 11000},
        {"papersize=51pc,66pc", 8468, 10959},
        {"papersize=614.295pt,794.97pt", 8500, 11000},
        {"papersize=40257351sp,52099154sp", 8500, 11000},
        {"papersize=575dd,50cc", 8513, 8883},
    };
    for (const Case& c : cases) {
        const std::optional<PaperSize> size = ParsePaperSizeSpecial(c.text);
        ASSERT_TRUE(size.has_value()) << c.text;
        EXPECT_EQ(size->width, c.width) << c.text;
        EXPECT_EQ(size->height, c.height) << c.text;
    }
    for (const char* bad :
         {"papersize", "papersize=", "papersize=a4", "papersize=8in", "papersize=8in,11",
          "papersize=0in,11in", "papersize=-8in,11in", "papersize=8furlong,11in",
          "papersize=1e300in,11in", "papersizes=8in,11in", "papersize=nanin,11in"}) {
        EXPECT_FALSE(ParsePaperSizeSpecial(bad).has_value()) << bad;
    }
}

TEST(DviDoc, PageSizeBeforeLoadingComesFromTheSettings) {
    Loader l;
    EXPECT_EQ(l.doc.GetPageSize(100).width, 850);
    EXPECT_EQ(l.doc.GetPageSize(100).height, 1100);
    l.settings.landscape = 1;
    EXPECT_EQ(l.doc.GetPageSize(100).width, 1100);
    EXPECT_EQ(l.doc.GetPageSize(100).height, 850);
}

TEST(DviDoc, InvalidateDropsOnlyTheExpandedContentOfAnExistingPage) {
    test::DviWriter w;
    w.Pre().Page(1).Page(2).Post().PostPost();
    Loader l;
    ASSERT_TRUE(l.doc.LoadDviBytes(w.Bytes()));
    std::vector<std::pair<int, bool>> redrawn;
    l.doc.onPageInvalidated = [&](int page, bool flag) { redrawn.emplace_back(page, flag); };
    for (DviPageEntry& page : l.doc.pages) {
        page.expanded.loaded = page.plain.loaded = true;
        page.expanded.rules.push_back({});
        page.plain.rules.push_back({});
    }
    l.doc.InvalidatePage(1, true);
    EXPECT_FALSE(l.doc.pages[1].expanded.loaded);
    EXPECT_TRUE(l.doc.pages[1].expanded.rules.empty());
    EXPECT_TRUE(l.doc.pages[1].plain.loaded);
    EXPECT_TRUE(l.doc.pages[0].expanded.loaded);
    l.doc.InvalidatePage(2, false);
    l.doc.InvalidatePage(-1, false);
    EXPECT_EQ(redrawn, (std::vector<std::pair<int, bool>>{{1, true}}));
}

TEST(DviDoc, ReloadRebuildsTheDocumentFromTheChangedFile) {
    TempDir dir;
    const std::string dvi = test::TypesetDvi(dir, "doc", "One.\\bye\n", "tex");
    Loader l;
    ASSERT_TRUE(l.doc.OpenDocument(dvi));
    ASSERT_EQ(l.doc.GetPageCount(), 1);
    l.doc.pages[0].plain.loaded = true;
    l.doc.colorStack.push_back(0xFF);
    l.doc.currentColor = 0xFF;
    l.doc.postScriptDrawing = true;

    test::TypesetDvi(dir, "doc", "One.\\vfill\\eject Two.\\vfill\\eject Three.\\bye\n", "tex");
    ASSERT_TRUE(l.doc.Reload());
    ASSERT_EQ(l.doc.GetPageCount(), 3);
    EXPECT_FALSE(l.doc.pages[0].plain.loaded);
    EXPECT_TRUE(l.doc.colorStack.empty());
    EXPECT_EQ(l.doc.currentColor, 0u);
    EXPECT_FALSE(l.doc.postScriptDrawing);
    EXPECT_EQ(l.doc.pages[2].bop, test::RunDvitype(dvi).pages[2].bop);
}

TEST(DviDoc, DebugModeLeavesTheSearchTraceInATemporaryFile) {
    TempDir dir;
    const std::string dvi = test::TypesetDvi(dir, "doc", "Trace.\\bye\n", "tex");
    Loader l;
    l.context.debugMode = true;
    TempFolder temporary(dir.Path());
    l.context.temporary = &temporary;
    ASSERT_TRUE(l.doc.OpenDocument(dvi));
    // The trace is in the instance's own temporary folder.
    const std::string prefix = "See kpathsea log " + dir.Path() + "/quirn-";
    const std::string& out = l.sink.Text();
    const std::size_t at = out.find(prefix);
    ASSERT_NE(at, std::string::npos) << out;
    const std::string log = out.substr(at + 17, out.find('\n', at) - at - 17);
    EXPECT_NE(test::ReadFile(log).find("kdebug:"), std::string::npos);
    EXPECT_EQ(std::getenv("KPATHSEA_DEBUG"), nullptr);
    EXPECT_EQ(std::getenv("KPATHSEA_DEBUG_OUTPUT"), nullptr);
    EXPECT_FALSE(l.context.fileSearch.Running()) << "stopped so the next search is untraced";
}

// A document that brings its own font (a TFM beside it, as the engine found it in the
// folder it ran in) loads with that font from any current directory, here opened by a
// name relative to the current directory.
TEST(DviDoc, FontsBesideADocumentInAnotherFolderAreFound) {
    TempDir dir;
    std::string out;
    ASSERT_EQ(test::RunCommand(
                  "cp \"$(kpsewhich cmbx10.tfm)\" '" + dir.File("quirnown10.tfm") + "'", &out),
              0);
    const std::string dvi = test::TypesetDvi(
        dir, "doc", "\\font\\own=quirnown10 \\font\\bx=cmbx10 {\\own Own} {\\bx Bold}\\bye\n",
        "tex");
    ASSERT_FALSE(dvi.empty());
    const std::string relative =
        std::filesystem::relative(dvi, std::filesystem::current_path()).string();
    ASSERT_FALSE(IsAbsolute(relative));

    Loader l;
    ASSERT_TRUE(l.doc.OpenDocument(relative)) << l.sink.Text();
    EXPECT_EQ(l.sink.Text().find("Bad or missing TFM"), std::string::npos) << l.sink.Text();
    const DviFont* own = nullptr;
    const DviFont* bold = nullptr;
    for (const auto& font : l.doc.fonts) {
        if (font->name == "quirnown10")
            own = font.get();
        if (font->name == "cmbx10")
            bold = font.get();
    }
    ASSERT_TRUE(own != nullptr && bold != nullptr);
    // The document's own font is the copy of cmbx10, not a substitute.
    EXPECT_NE(own->metrics['O'].width, 0);
    for (int code = 0; code < 128; ++code)
        EXPECT_EQ(own->metrics[code].width, bold->metrics[code].width) << code;
    // Outside the load, files beside the document are no longer preferred.
    EXPECT_EQ(l.context.fileSearch.DocumentFolder(), "");
}

}  // namespace
}  // namespace quirn
