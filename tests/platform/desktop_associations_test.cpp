#include "platform/desktop_associations.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/program_resolver.h"
#include "support/test_support.h"

namespace quirn {
namespace {

// The real xdg-mime and update-mime-database, working in a temporary home: the desktop
// entry and the type package are written, the type database is compiled, and xdg-mime
// answers Quirn for every type afterwards.
TEST(DesktopAssociations, QuirnBecomesTheDesktopsProgramForItsTypes) {
    if (FindOnPath("xdg-mime").empty())
        GTEST_SKIP() << "xdg-mime (xdg-utils) is not installed";
    test::TempDir dir;
    test::ScopedEnvironment data;
    data.Set("XDG_DATA_HOME", dir.File("data"));
    test::ScopedEnvironment config;
    config.Set("XDG_CONFIG_HOME", dir.File("config"));
    test::ScopedEnvironment desktop;
    desktop.Unset("XDG_CURRENT_DESKTOP");
    const std::string program = "/opt/my apps/quirn \"6\"/bin/quirn";

    AssociationResult result = RegisterDesktopAssociations(program, dir.Path(), dir.File("data"));
    ASSERT_TRUE(result.ok) << result.message;

    std::string entry = test::ReadFile(dir.File("data/applications/quirn.desktop"));
    EXPECT_NE(entry.find("[Desktop Entry]\nType=Application\nName=Quirn\n"), std::string::npos);
    EXPECT_NE(entry.find("\nExec=\"/opt/my apps/quirn \\\\\"6\\\\\"/bin/quirn\" %F\n"),
              std::string::npos)
        << entry;
    EXPECT_NE(entry.find("\nMimeType=text/x-tex;application/x-dvi;"), std::string::npos);
    std::string package = test::ReadFile(dir.File("data/mime/packages/quirn.xml"));
    EXPECT_NE(package.find("<glob pattern=\"*.ptp\"/>"), std::string::npos);
    if (!FindOnPath("update-mime-database").empty()) {
        EXPECT_TRUE(std::filesystem::exists(dir.File("data/mime/mime.cache")));
    }

    for (const auto& type : AssociatedMimeTypes()) {
        std::string out;
        test::RunCommand("xdg-mime query default " + type, &out);
        EXPECT_EQ(out, "quirn.desktop\n") << type;
    }
}

TEST(DesktopAssociations, AFolderThatCannotBeWrittenIsReported) {
    test::TempDir dir;
    dir.Write("data", "a file where the folder should be");
    AssociationResult result =
        RegisterDesktopAssociations("/bin/quirn", dir.Path(), dir.File("data"));
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.message.find("Unable to write " + dir.File("data/applications")),
              std::string::npos)
        << result.message;
}

}  // namespace
}  // namespace quirn
