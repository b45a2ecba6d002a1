// Forward search within a paragraph on a real run with source specials: a line in the
// middle of a paragraph (which has no special of its own) is found on the typeset line
// that holds its first word, not at the paragraph's start.
#include "dvi/source_refine.h"

#include <gtest/gtest.h>

#include "dvi/dvi_context.h"
#include "dvi/dvi_doc.h"
#include "dvi/dvi_test_support.h"
#include "dvi/interpret_page.h"

namespace quirn {
namespace {

TEST(SourceRefine, LettersOfASourceLine) {
    EXPECT_EQ(TypesetLetters("Two words."), 8u);
    EXPECT_EQ(TypesetLetters("\\textbf{bold} x % comment"), 5u);
    EXPECT_EQ(TypesetLetters("\\\\ 12"), 2u);
}

TEST(SourceRefine, ALineInsideAParagraphIsFoundWhereItsTextIsSet) {
    test::TempDir dir;
    // Line 3 starts the paragraph; lines 4 to 9 continue it. Each line's first word
    // is a marker that stands nowhere else.
    std::string source = "\\documentclass{article}\n\\begin{document}\n";
    const char* markers[] = {"Alpha", "Bravo", "Charlie", "Delta", "Echo", "Foxtrot", "Golf"};
    for (const char* marker : markers) {
        source += std::string(marker) +
                  " opens this source line, and the words after it run on for a while so that "
                  "the paragraph takes several typeset lines.\n";
    }
    source += "\n\\end{document}\n";
    const std::string dvi = test::TypesetDvi(dir, "para", source, "latex -src-specials");
    ASSERT_FALSE(dvi.empty());
    StringSink sink;
    DviContext context{test::BuildDir() + "/", &sink, nullptr};
    CDVIDoc doc(context);
    ASSERT_TRUE(doc.OpenDocument(dvi));
    const int dpi = 96;
    const double factor = PixelsPerDviUnit(doc, dpi);

    for (int i = 1; i < 7; ++i) {
        const uint32_t line = 3 + static_cast<uint32_t>(i);
        int page = -1, x = 0, y = 0;
        ASSERT_TRUE(doc.ForwardSearch(dir.File("para.tex"), line, dpi, page, x, y));
        const int paragraphY = y;
        ASSERT_TRUE(RefineSourcePlace(doc, source, line, dpi, page, x, y)) << line;
        EXPECT_GT(y, paragraphY) << line;
        // The glyph at the place is the marker's first letter, on the marker's baseline.
        const PageContent* content = GetPageContent(doc, page, false);
        ASSERT_NE(content, nullptr);
        bool found = false;
        for (const GlyphPlacement& g : content->glyphs) {
            if (static_cast<int>(g.h * factor) == x && static_cast<int>(g.v * factor) == y)
                found = found || g.code == static_cast<uint32_t>(markers[i][0]);
        }
        EXPECT_TRUE(found) << markers[i];
    }
    // The paragraph's own line stays where its special is.
    int page = -1, x = 0, y = 0;
    ASSERT_TRUE(doc.ForwardSearch(dir.File("para.tex"), 3, dpi, page, x, y));
    EXPECT_FALSE(RefineSourcePlace(doc, source, 3, dpi, page, x, y));
}

}  // namespace
}  // namespace quirn
