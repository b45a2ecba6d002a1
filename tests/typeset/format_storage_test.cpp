#include "typeset/format_storage.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>

#include "platform/output_sink.h"
#include "support/test_support.h"

namespace quirn {
namespace {

namespace fs = std::filesystem;

// Bytes shaped a little like a format: long runs of small numbers with noise between.
std::string FormatLikeBytes(size_t size) {
    std::mt19937 random(42);
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i % 7 == 0 ? random() & 0xff : (i / 64) & 0x0f);
    return bytes;
}

std::string Compress(const std::string& bytes) {
    uLongf size = compressBound(static_cast<uLong>(bytes.size())) + 64;
    std::string out(size, '\0');
    z_stream z{};
    // Window bits 31: a gzip stream, as the engine writes its formats.
    EXPECT_EQ(deflateInit2(&z, Z_BEST_SPEED, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY), Z_OK);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z.avail_in = static_cast<uInt>(bytes.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

std::string Leftovers(const std::string& dir) {
    std::string names;
    for (const auto& e : fs::directory_iterator(dir)) {
        if (e.path().filename().string().find(".inflating-") != std::string::npos)
            names += e.path().filename().string() + " ";
    }
    return names;
}

TEST(FormatStorage, InflatesOnceAndLeavesUncompressedFormatsAlone) {
    test::TempDir dir;
    const std::string bytes = FormatLikeBytes(3 << 20);
    const std::string path = dir.Write("latex.fmt", Compress(bytes));
    ASSERT_TRUE(IsCompressedFormat(path));
    fs::permissions(path, fs::perms(0664));

    std::string error;
    ASSERT_TRUE(InflateFormatFile(path, error)) << error;
    EXPECT_FALSE(IsCompressedFormat(path));
    EXPECT_TRUE(test::ReadFile(path) == bytes);
    EXPECT_EQ(fs::status(path).permissions(), fs::perms(0664));
    // A second pass finds nothing to do and changes nothing.
    EXPECT_TRUE(InflateFormatFile(path, error)) << error;
    EXPECT_TRUE(test::ReadFile(path) == bytes);
    EXPECT_EQ(Leftovers(dir.Path()), "");
}

// A damaged format stays as it was: the engine may still read the part it needs, or
// report the damage itself, and nothing of the user's is lost.
TEST(FormatStorage, DamagedFormatsStayAsTheyWere) {
    test::TempDir dir;
    const std::string compressed = Compress(FormatLikeBytes(1 << 20));

    std::string cut = compressed.substr(0, compressed.size() / 2);
    std::string garbled = compressed;
    for (size_t i = 200; i < 260; ++i)
        garbled[i] = static_cast<char>(garbled[i] ^ 0x5a);
    std::string badCheck = compressed;
    badCheck[badCheck.size() - 6] = static_cast<char>(badCheck[badCheck.size() - 6] ^ 1);

    for (const std::string& damaged : {cut, garbled, badCheck}) {
        const std::string path = dir.Write("broken.fmt", damaged);
        std::string error;
        EXPECT_FALSE(InflateFormatFile(path, error));
        EXPECT_NE(error.find("damaged"), std::string::npos) << error;
        EXPECT_TRUE(test::ReadFile(path) == damaged);
        EXPECT_EQ(Leftovers(dir.Path()), "");
    }
}

TEST(FormatStorage, FormatsDirectoryPassNamesWhatItCouldNotInflate) {
    test::TempDir dir;
    const std::string plain = FormatLikeBytes(200000);
    const std::string compressed = Compress(plain);
    dir.Write("plain.fmt", compressed);
    dir.Write("amsplain.fmt", compressed.substr(0, 1000));
    dir.Write("notes.gz", compressed);  // not a format
    // A format linked from elsewhere is not replaced by a file of its own.
    const std::string elsewhere = dir.Write("shared/etex.fmt", compressed);
    fs::create_symlink(elsewhere, dir.File("etex.fmt"));
    // A temporary file of a killed run goes once it is old; a new one may be in use.
    const std::string stale = dir.Write("plain.fmt.inflating-a1b2c3", "half");
    fs::last_write_time(stale, fs::file_time_type::clock::now() - std::chrono::hours(2));
    const std::string fresh = dir.Write("plain.fmt.inflating-d4e5f6", "half");

    StringSink output;
    InflateFormatsIn(dir.Path(), output);
    EXPECT_TRUE(test::ReadFile(dir.File("plain.fmt")) == plain);
    EXPECT_TRUE(test::ReadFile(dir.File("amsplain.fmt")) == compressed.substr(0, 1000));
    EXPECT_TRUE(test::ReadFile(dir.File("notes.gz")) == compressed);
    EXPECT_TRUE(fs::is_symlink(dir.File("etex.fmt")));
    EXPECT_TRUE(test::ReadFile(elsewhere) == compressed);
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(fresh));
    EXPECT_EQ(output.Text(), "The format " + dir.File("amsplain.fmt") +
                                 " stays compressed and loads more slowly: it is damaged: the "
                                 "compressed data ends too early\n");

    // A missing directory is no error: nothing was built there yet.
    output.Clear();
    InflateFormatsIn(dir.File("none"), output);
    EXPECT_EQ(output.Text(), "");
}

}  // namespace
}  // namespace quirn
