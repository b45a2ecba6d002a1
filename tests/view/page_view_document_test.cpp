// The page view on real TeX output: a LaTeX document with colour typeset by the
// engine, opened as a DVI document, shown and painted through the view, and the same
// document driven through `quirn-cli view`.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "dvi/dvi_doc.h"
#include "dvi/interpret_page.h"
#include "platform/output_sink.h"
#include "support/test_support.h"
#include "view/dvi_page_source.h"
#include "view/page_view.h"
#include "view/view_fakes.h"

namespace quirn {
namespace {

const char* const kDocument = R"(\documentclass{article}
\usepackage{xcolor}
\pagestyle{plain}
\begin{document}
\section*{First}
Plain black text on the first page.
\newpage
\setcounter{page}{7}
\color{blue}Blue text begins on the second page, whose TeX page is seven.
\newpage
Still blue on the third page, because the colour of the second never ended.
\newpage
\color{black}Black again \textcolor{red}{and red}.
\end{document}
)";

std::string Typeset(const test::TempDir& dir) {
    dir.Write("doc.tex", kDocument);
    std::string out;
    test::RunCommand("cd '" + dir.Path() + "' && latex -interaction=nonstopmode doc.tex", &out);
    const std::string dvi = dir.File("doc.dvi");
    return std::ifstream(dvi).good() ? dvi : std::string();
}

// Counts the pixels of a client rectangle that are coloured (not grey) and inked.
struct InkCount {
    int ink = 0;
    int coloured = 0;
    int blue = 0;
};
InkCount CountInk(const RasterCanvas& canvas, const CanvasRect& r) {
    InkCount count;
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            const uint32_t p = canvas.Pixel(x, y);
            const int red = p & 0xFF, green = (p >> 8) & 0xFF, blue = (p >> 16) & 0xFF;
            if (p != 0xFFFFFF) {
                ++count.ink;
            }
            if (red != green || green != blue) {
                ++count.coloured;
            }
            if (blue > 150 && red < 100) {
                ++count.blue;
            }
        }
    }
    return count;
}

TEST(PageViewDocument, ShowsTypesetPagesWithTheirColoursAndTexts) {
    test::TempDir dir;
    setenv("QUIRN_CONFIG_DIR", dir.File("config").c_str(), 1);
    const std::string dvi = Typeset(dir);
    ASSERT_FALSE(dvi.empty());

    StringSink sink;
    DviContext context(test::BuildDir() + "/", &sink, nullptr);
    auto find = [&context](const std::string& name, bool allowInstall) {
        return context.fileSearch.FindFile(name, allowInstall);
    };
    context.fontMap.LoadFontMap({"psfonts.map"}, find, &sink, false);
    CDVIDoc doc(context);
    ASSERT_TRUE(doc.OpenDocument(dvi)) << sink.Text();

    DviPageSource source(doc);
    test::FakeHost host;
    Settings settings;
    settings.pageViewMode = kModeSingle;
    settings.viewColors = 1;
    PageView view(source, host, settings, 96);
    view.SetZoom(kCmdZoomPageWidth);
    EXPECT_EQ(view.Resolution(), 112);  // letter paper in 1000 pixels
    view.UpdateStatus();
    EXPECT_EQ(host.status[StatusField::Page], "Page 1 of 4");
    EXPECT_EQ(host.status[StatusField::TexPage], "TeXPage 1");

    // The visible width fits the text block (ink symmetric about the page centre).
    const CanvasRect ink = source.InkBounds(0);
    EXPECT_GT(ink.left, 900);
    EXPECT_LT(ink.right, 7600);
    view.SetZoom(kCmdZoomVisibleWidth);
    EXPECT_GT(view.Resolution(), 112);
    view.SetResolution(100);
    view.SetScrollPosition(0, 0);

    RasterCanvas canvas(1000, 800);
    view.Paint(canvas, canvas.Bounds());
    const CanvasRect page{20, 20, 870, 800};
    const InkCount first = CountInk(canvas, page);
    EXPECT_GT(first.ink, 500);
    EXPECT_EQ(first.coloured, 0);

    // Page 3's colour comes from a special on page 2: replayed, it is blue.
    view.Execute(kCmdNextPage);
    view.Execute(kCmdNextPage);
    view.UpdateStatus();
    EXPECT_EQ(host.status[StatusField::TexPage], "TeXPage 8");
    view.Paint(canvas, canvas.Bounds());
    const InkCount third = CountInk(canvas, page);
    EXPECT_GT(third.blue, 200);
    // In greys the same page has no colour but the same amount of ink.
    view.Execute(kCmdGreys);
    view.Paint(canvas, canvas.Bounds());
    const InkCount grey = CountInk(canvas, page);
    EXPECT_EQ(grey.coloured, 0);
    EXPECT_EQ(grey.ink, third.ink);

    // Font information of the first character of the third page ("S" of "Still").
    view.Execute(kCmdFontInfoTool);
    const PageContent* content = GetPageContent(doc, 2, false);
    ASSERT_NE(content, nullptr);
    ASSERT_FALSE(content->glyphs.empty());
    const GlyphPlacement& g = content->glyphs.front();
    const double s = PixelsPerDviUnit(doc, 100);
    const int px = static_cast<int>(g.h * s) + 2;
    const int py = static_cast<int>(g.v * s) - 2;
    view.OnLeftDown(20 + px, 20 + py, false);
    view.OnLeftUp(20 + px, 20 + py, false);
    EXPECT_EQ(host.status[StatusField::Pointer].substr(0, 7), "(x,y) (");
    EXPECT_NE(host.status[StatusField::Pointer].find(
                  "  Font: cmr10  CharCode: 83 ('S')  designsize: 10.0pt scaled 100%"),
              std::string::npos)
        << host.status[StatusField::Pointer];
    EXPECT_EQ(sink.Text(), "");
}

TEST(PageViewDocument, HeadlessCommandPrintsStateAndWritesThePicture) {
    test::TempDir dir;
    setenv("QUIRN_CONFIG_DIR", dir.File("config").c_str(), 1);
    const std::string dvi = Typeset(dir);
    ASSERT_FALSE(dvi.empty());
    std::string out, err;
    const std::string png = dir.File("view.png");
    const int status =
        test::RunCommand("'" + test::Program("quirn-cli") + "' view '" + dvi +
                             "' --client 1000x800 --cmd 32852 --cmd 31219 --answer 4 --cmd 32781 "
                             "--cmd 59201 --tool 1 --units cm --png '" +
                             png + "'",
                         &out, &err);
    ASSERT_EQ(status, 0) << err;
    EXPECT_NE(out.find("prompt: Goto Page: Which page do you want to go to? 4\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("page: Page 4 of 4\n"), std::string::npos) << out;
    EXPECT_NE(out.find("texpage: TeXPage 9\n"), std::string::npos) << out;
    EXPECT_NE(out.find("zoom: 55 DPI\n"), std::string::npos) << out;
    EXPECT_NE(out.find("actual: 57%\n"), std::string::npos) << out;
    EXPECT_NE(out.find("state: 3 -2\n"), std::string::npos) << out;
    EXPECT_NE(out.find("unit: cm\n"), std::string::npos) << out;
    EXPECT_NE(out.find("tool: 1\n"), std::string::npos) << out;
    std::ifstream picture(png, std::ios::binary);
    char magic[4] = {};
    picture.read(magic, 4);
    EXPECT_EQ(std::string(magic + 1, 3), "PNG");

    EXPECT_NE(test::RunCommand("'" + test::Program("quirn-cli") + "' view '" + dvi + "' --cmd 4242",
                               &out, &err),
              0);
    EXPECT_NE(err.find("4242 is not a page view command"), std::string::npos) << err;
    EXPECT_NE(
        test::RunCommand("'" + test::Program("quirn-cli") + "' view '" + dir.File("none.dvi") + "'",
                         &out, &err),
        0);
    EXPECT_NE(err.find("Bad/missing DVI file"), std::string::npos) << err;
}

}  // namespace
}  // namespace quirn
