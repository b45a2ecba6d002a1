// The engine's trace preload: the file-search trace comes out the same as without it,
// and a child the traced program starts writes after what the program wrote before.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/test_support.h"

namespace quirn {
namespace {

std::string Preload() {
    return test::BuildDir() + "/lib/libquirn-tracebuf.so";
}

TEST(TracePreload, TraceIsCompleteAndChildrenWriteInOrder) {
    ASSERT_TRUE(std::filesystem::exists(Preload()));
    test::TempDir dir;
    std::string out;

    // kpathsea's own trace of a search, with and without the preload.
    const std::string search = "KPATHSEA_DEBUG=32 kpsewhich -progname=latex article.cls size10.clo";
    ASSERT_EQ(test::RunCommand(search + " 2>'" + dir.File("plain.trace") + "'", &out), 0);
    ASSERT_EQ(test::RunCommand("LD_PRELOAD='" + Preload() + "' " + search + " 2>'" +
                                   dir.File("buffered.trace") + "'",
                               &out),
              0);
    const std::string plain = test::ReadFile(dir.File("plain.trace"));
    EXPECT_NE(plain.find("kdebug:"), std::string::npos);
    EXPECT_EQ(test::ReadFile(dir.File("buffered.trace")), plain);

    // Flushes are left out, but a child's line still comes after the lines before it.
    const std::string script =
        "BEGIN { printf \"one\\n\" > \"/dev/stderr\"; fflush(\"/dev/stderr\"); "
        "system(\"echo two >&2\"); printf \"three\\n\" > \"/dev/stderr\" }";
    ASSERT_EQ(test::RunCommand("LD_PRELOAD='" + Preload() + "' awk '" + script + "' 2>'" +
                                   dir.File("order") + "'",
                               &out),
              0);
    EXPECT_EQ(test::ReadFile(dir.File("order")), "one\ntwo\nthree\n");
}

}  // namespace
}  // namespace quirn
