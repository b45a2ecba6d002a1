// Damaged DVI files and unusual font definitions: what loads, what fails with the
// document's message, and what the page index holds afterwards.
#include <gtest/gtest.h>

#include "dvi/dvi_doc.h"
#include "dvi/dvi_test_support.h"
#include "dvi/fonts/font_definition.h"
#include "dvi/fonts/tfm.h"

namespace quirn {
namespace {

using test::DviWriter;
using test::TempDir;

// The structure is what matters here: no virtual or outline fonts are loaded.
struct Loader {
    Loader() { context.steps = {}; }
    StringSink sink;
    DviContext context{test::BuildDir(), &sink, nullptr};
    CDVIDoc doc{context};
};

// A real three-page file, and its reference page index.
class DamagedDvi : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        const std::string dvi = test::TypesetDvi(
            *dir_, "doc", "One.\\vfill\\eject Two.\\vfill\\eject Three.\\bye\n", "tex");
        ASSERT_FALSE(dvi.empty());
        original_ = new std::vector<uint8_t>(test::ReadBytes(dvi));
        reference_ = new test::DvitypeReport(test::RunDvitype(dvi));
        ASSERT_EQ(reference_->pages.size(), 3u);
    }
    static void TearDownTestSuite() {
        delete original_;
        delete reference_;
        delete dir_;
    }

    // Position of the identification byte at the end (before the 223 bytes).
    static std::size_t TrailerId(const std::vector<uint8_t>& bytes) {
        std::size_t i = bytes.size() - 1;
        while (bytes[i] == 223)
            --i;
        return i;
    }
    static int32_t Get32(const std::vector<uint8_t>& b, std::size_t at) {
        return static_cast<int32_t>(uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 |
                                    uint32_t{b[at + 2]} << 8 | uint32_t{b[at + 3]});
    }
    static void Put32(std::vector<uint8_t>& b, std::size_t at, int32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + i] = static_cast<uint8_t>(uint32_t(v) >> (24 - 8 * i));
    }
    static std::size_t PostOffset(const std::vector<uint8_t>& b) {
        return static_cast<std::size_t>(Get32(b, TrailerId(b) - 4));
    }

    // Writes the bytes to a file and opens it; the sink's text afterwards.
    bool Open(const std::vector<uint8_t>& bytes) {
        path_ = dir_->File("damaged.dvi");
        test::WriteBytes(path_, bytes);
        l_.sink.Clear();
        return l_.doc.OpenDocument(path_);
    }
    std::string FailureMessage() const { return "Bad/missing DVI file " + path_ + "\n"; }

    static TempDir* dir_;
    static std::vector<uint8_t>* original_;
    static test::DvitypeReport* reference_;
    Loader l_;
    std::string path_;
};

TempDir* DamagedDvi::dir_ = nullptr;
std::vector<uint8_t>* DamagedDvi::original_ = nullptr;
test::DvitypeReport* DamagedDvi::reference_ = nullptr;

TEST_F(DamagedDvi, StructuralFaultsFailWithTheDocumentMessage) {
    ASSERT_TRUE(Open(*original_));
    EXPECT_EQ(l_.sink.Text(), "");

    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> damage;
    };
    const std::vector<Case> cases = {
        {"truncated", [](auto& b) { b.resize(b.size() / 2); }},
        {"empty file", [](auto& b) { b.clear(); }},
        {"first byte not pre", [](auto& b) { b[0] = 248; }},
        {"wrong identification", [](auto& b) { b[1] = 3; }},
        {"trailer not ending in 2", [](auto& b) { b[TrailerId(b)] = 3; }},
        {"only 223 bytes", [](auto& b) { std::fill(b.begin(), b.end(), 223); }},
        {"pointer not at post", [](auto& b) { Put32(b, TrailerId(b) - 4, 3); }},
        {"pointer negative", [](auto& b) { Put32(b, TrailerId(b) - 4, -20); }},
        {"pointer past the end", [](auto& b) { Put32(b, TrailerId(b) - 4, 1 << 30); }},
        {"num differs", [](auto& b) { b[PostOffset(b) + 5 + 3] ^= 1; }},
        {"mag differs", [](auto& b) { b[PostOffset(b) + 13 + 3] ^= 1; }},
        {"no post_post", [](auto& b) { b[TrailerId(b) - 5] = 0; }},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = *original_;
        c.damage(bytes);
        EXPECT_FALSE(Open(bytes)) << c.what;
        EXPECT_EQ(l_.sink.Text(), FailureMessage()) << c.what;
    }

    l_.sink.Clear();
    EXPECT_FALSE(l_.doc.OpenDocument(dir_->File("no-such-file.dvi")));
    EXPECT_EQ(l_.sink.Text(), "Bad/missing DVI file " + dir_->File("no-such-file.dvi") + "\n");
}

TEST_F(DamagedDvi, ABrokenPageChainKeepsThePagesReadBeforeTheFault) {
    // The first page's back pointer should be -1.
    std::vector<uint8_t> bytes = *original_;
    Put32(bytes, static_cast<std::size_t>(reference_->pages[0].bop) + 41, 0);
    EXPECT_FALSE(Open(bytes));
    EXPECT_EQ(l_.sink.Text(), FailureMessage());
    ASSERT_EQ(l_.doc.GetPageCount(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(l_.doc.pages[i].bop, reference_->pages[i].bop);
        EXPECT_EQ(l_.doc.pages[i].count0, reference_->pages[i].count0);
    }

    // The second page's back pointer leads to a byte that is not a bop: the last two
    // pages are indexed, the first has only the offset that was tried.
    bytes = *original_;
    Put32(bytes, static_cast<std::size_t>(reference_->pages[1].bop) + 41,
          reference_->pages[0].bop + 1);
    EXPECT_FALSE(Open(bytes));
    EXPECT_EQ(l_.doc.pages[2].count0, 3);
    EXPECT_EQ(l_.doc.pages[1].count0, 2);
    EXPECT_EQ(l_.doc.pages[0].bop, reference_->pages[0].bop + 1);
    EXPECT_EQ(l_.doc.pages[0].count0, 0);

    // A negative pointer in the middle of the chain.
    bytes = *original_;
    Put32(bytes, static_cast<std::size_t>(reference_->pages[2].bop) + 41, -5);
    EXPECT_FALSE(Open(bytes));
    EXPECT_EQ(l_.doc.pages[2].count0, 3);
    EXPECT_EQ(l_.doc.pages[1].bop, 0);
}

TEST_F(DamagedDvi, TheTrailerNeedsNoFillBytes) {
    std::vector<uint8_t> bytes = *original_;
    bytes.resize(TrailerId(bytes) + 1);
    ASSERT_TRUE(Open(bytes));
    EXPECT_EQ(l_.doc.GetPageCount(), 3);
    bytes.push_back(223);
    EXPECT_TRUE(Open(bytes));
}

TEST(DviDefinitions, AnEmptyDocumentNeedsTheEndOfChainPointer) {
    Loader l;
    DviWriter empty;
    empty.Pre().Post().PostPost();
    ASSERT_TRUE(l.doc.LoadDviBytes(empty.Bytes()));
    EXPECT_EQ(l.doc.GetPageCount(), 0);

    DviWriter wrong;
    wrong.Pre().Post().PostPost();
    wrong.Bytes()[static_cast<std::size_t>(wrong.postOffset) + 4] = 15;  // p = 15, t = 0
    EXPECT_FALSE(l.doc.LoadDviBytes(wrong.Bytes()));
}

TEST(DviDefinitions, MissingMetricsAreReplacedByCmr10UnderTheFontsOwnName) {
    Loader l;
    std::vector<std::string> virtualAsked, outlineAsked;
    l.context.steps.loadVirtualFont = [&](FontContext&, DviFont& font, DviFontList&) {
        virtualAsked.push_back(font.name);
        return font.name != "cmmi10";  // pretend cmmi10's VF is corrupt
    };
    l.context.steps.attachOutlineFont = [&](FontContext&, DviFont& font) {
        outlineAsked.push_back(font.name);
    };

    DviWriter w;
    w.Pre().Page(1).Post();
    w.FontDef(3, "QuirnMissing10", 786432, 655360, 12345);
    w.Byte(138);  // a nop between definitions
    w.FontDef(5, "cmr10");
    w.FontDef(5, "cmmi10");  // the same number again: the later one wins
    w.PostPost();
    ASSERT_TRUE(l.doc.LoadDviBytes(w.Bytes()));
    EXPECT_EQ(l.sink.Text(),
              "Bad or missing TFM file quirnmissing10 (substituting with cmr10)\n"
              "Corrupt VF file cmmi10\n");

    ASSERT_EQ(l.doc.fonts.size(), 3u);
    ASSERT_EQ(l.doc.fontTable.size(), 2u);
    EXPECT_EQ(l.doc.fontTable.at(5)->name, "cmmi10");
    const DviFont& missing = *l.doc.fontTable.at(3);
    EXPECT_EQ(missing.name, "quirnmissing10") << "names are kept in lower case";
    EXPECT_EQ(missing.c, 0);

    DviFont cmr10;
    cmr10.name = "cmr10";
    cmr10.s = 786432;
    cmr10.d = 655360;
    FileSearch search(test::BuildDir());
    ASSERT_TRUE(LoadMetrics(cmr10, search));
    for (int code = 0; code < 256; ++code) {
        EXPECT_EQ(missing.metrics[code].width, cmr10.metrics[code].width);
        EXPECT_EQ(missing.metrics[code].depth, cmr10.metrics[code].depth);
    }
    // A font without its own metrics is never looked for as a virtual font, but its
    // outline is looked up under its own name.
    EXPECT_EQ(virtualAsked, (std::vector<std::string>{"cmr10", "cmmi10"}));
    EXPECT_EQ(outlineAsked, (std::vector<std::string>{"quirnmissing10", "cmr10", "cmmi10"}));
}

TEST(DviDefinitions, AVirtualFontsDefinitionsAreScaledByTheParent) {
    StringSink sink;
    FontContext context(test::BuildDir(), &sink);
    context.steps = {};
    DviFont parent;
    parent.s = 2 * 655360;  // cmr10 used at 20pt
    parent.d = 655360;

    DviWriter w;
    w.FontDef(7, "cmr10", 1 << 20, 10 << 20);  // the VF's own size and a 10pt design size
    w.Byte(250);
    ByteReader in(w.Bytes());
    DviFontList list;
    DviFontTable table;
    ASSERT_TRUE(ReadFontDefinition(context, in, list, table, &parent));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(table.at(7), list[0].get());
    EXPECT_EQ(list[0]->s, 2 * 655360);
    EXPECT_EQ(list[0]->d, 655360);
    EXPECT_EQ(list[0]->metrics['A'].width, 2 * 491521) << "metrics at the scaled size";
    // The next byte is not a definition: it is left for the caller.
    EXPECT_FALSE(ReadFontDefinition(context, in, list, table, &parent));
    EXPECT_EQ(in.ReadByte(), 250);
    EXPECT_EQ(sink.Text(), "");
}

}  // namespace
}  // namespace quirn
