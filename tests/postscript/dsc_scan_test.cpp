// The DSC page scan and the EPS parts on hand-made files whose offsets are known.
#include "postscript/dsc_scan.h"

#include <gtest/gtest.h>

#include <string>

namespace quirn {
namespace {

// `text` padded with comment lines until it is `size` bytes long.
std::string PadTo(std::string text, std::size_t size) {
    while (text.size() + 2 <= size) {
        const std::size_t n = std::min<std::size_t>(size - text.size() - 1, 60);
        text += std::string(1, '%') + std::string(n - 1, 'x') + "\n";
    }
    return text;
}

TEST(DscScan, PagesPrologAndTrailerFromTheComments) {
    std::string ps = PadTo("%!PS-Adobe-3.0\n", 1000);
    ps = PadTo(ps + "%%Page: 1 1\n%%BeginDocument: inner.eps\n%%Page: 9 9\n%%EndDocument\n", 5000);
    ps = PadTo(ps + "%%Page: 2 2\n", 9000);
    ps += "%%Trailer\n%%EOF\n%%Trailer\n%%EOF\n";
    DscStructure s;
    ASSERT_TRUE(ScanDsc(ps, s));
    ASSERT_EQ(s.pages.size(), 2u);
    EXPECT_EQ(s.pages[0].begin, 1000);
    EXPECT_EQ(s.pages[0].end, 5000);
    EXPECT_EQ(s.pages[1].begin, 5000);
    // Neither the second trailer nor the later EOF moves the last page's end.
    EXPECT_EQ(s.pages[1].end, 9000);
    EXPECT_EQ(s.prologStart, 0);
    EXPECT_EQ(s.fileEnd, static_cast<int64_t>(ps.size()));
}

TEST(DscScan, FilesWithoutUsablePagesFail) {
    DscStructure s;
    EXPECT_FALSE(ScanDsc("not PostScript\n%%Page: 1 1\n", s));
    EXPECT_FALSE(ScanDsc("%!PS\nnewpath\nshowpage\n", s));
    EXPECT_FALSE(ScanDsc("%!PS\n%%Trailer\n%%Page: 1 1\n", s));
    EXPECT_FALSE(ScanDsc("", s));
    const DscStructure one = SinglePageStructure(62);
    ASSERT_EQ(one.pages.size(), 1u);
    EXPECT_EQ(one.pages[0].begin, 0);
    EXPECT_EQ(one.pages[0].end, 0);
    EXPECT_EQ(one.fileEnd, 62);
}

TEST(DscScan, ATruncatedFileEndsItsLastPageAtItsLength) {
    const std::string ps = "%!PS\n%%Page: 1 1\nA\n%%Page: 2 2\nhalf a pa";
    DscStructure s;
    ASSERT_TRUE(ScanDsc(ps, s));
    ASSERT_EQ(s.pages.size(), 2u);
    EXPECT_EQ(s.pages[0].end, s.pages[1].begin);
    EXPECT_EQ(s.pages[1].end, static_cast<int32_t>(ps.size()));
    EXPECT_EQ(s.fileEnd, static_cast<int64_t>(ps.size()));
}

TEST(EpsParts, DosHeaderBoxSearchAndCopy) {
    // Header offsets 32 and 5000: the box is looked for from byte 0, the PostScript
    // copied from byte 32 to 5032.
    std::string file(32, '\0');
    const unsigned char header[12] = {0xC5, 0xD0, 0xD3, 0xC6, 32, 0, 0, 0, 0x88, 0x13, 0, 0};
    file.replace(0, 12, reinterpret_cast<const char*>(header), 12);
    std::string ps = "%!PS-Adobe-3.0 EPSF-3.0\r\n%%BoundingBox: 1.9 -2.7 100 50.5\r\n";
    ps += "%%BeginBinary: 5\r\n\r\n\n\r\0x";
    ps = PadTo(ps, 5000);
    file += ps + "TIFF preview bytes";
    const EpsSection section = FindEpsSection(file);
    EXPECT_TRUE(section.binaryHeader);
    EXPECT_EQ(section.start, 32u);
    EXPECT_EQ(section.End(), 5032);
    const auto box = FindBoundingBox(file);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->llx, 1);
    EXPECT_EQ(box->lly, -2);
    EXPECT_EQ(box->urx, 100);
    EXPECT_EQ(box->ury, 50);
    std::string copied;
    ASSERT_TRUE(CopyEpsPostScript(file, [&copied](std::string_view bytes) {
        copied += bytes;
        return true;
    }));
    EXPECT_EQ(copied, ps);

    // A header pointing past the end copies what there is.
    std::string damaged = file.substr(0, 40);
    copied.clear();
    EXPECT_TRUE(CopyEpsPostScript(damaged, [&copied](std::string_view bytes) {
        copied += bytes;
        return true;
    }));
    EXPECT_EQ(copied, damaged.substr(32));
}

TEST(EpsParts, TheBoxMustBeAmongTheFirst300Lines) {
    std::string eps = "%!PS-Adobe-3.0 EPSF-3.0\n";
    for (int i = 0; i < 299; ++i) {
        eps += "%line\n";
    }
    EXPECT_FALSE(FindBoundingBox(eps + "%%BoundingBox: 0 0 10 10\n"));
    EXPECT_TRUE(FindBoundingBox(eps.substr(eps.find('\n') + 1) + "%%BoundingBox: 0 0 10 10\n"));
    EXPECT_FALSE(FindBoundingBox("%!PS\n%%BoundingBox: (atend)\n%%BoundingBox: 1 2 3\n"));
    // A box of no width is read as it is; it gives no page.
    const auto flat = FindBoundingBox("%!PS\n%%BoundingBox: 50 50 50 80\n");
    ASSERT_TRUE(flat);
    EXPECT_EQ(flat->urx, 50);
    EXPECT_FALSE(flat->Usable());
}

}  // namespace
}  // namespace quirn
