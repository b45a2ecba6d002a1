#include "app/registry.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "app/migration.h"
#include "app/profile.h"
#include "platform/user_prompt.h"

namespace quirn {
namespace {

TEST(Registry, PathSyntaxSelectsRootKeysAndValue) {
    auto store = MakeMemoryStore();
    Registry reg(*store);
    // A user-root path whose keys do not exist yet creates the whole chain.
    EXPECT_TRUE(reg.WriteText(UserPath("Settings\\Units"), "cm"));
    EXPECT_EQ(reg.ReadText("/HKCU/Software/Tolvane Inc/Quirn6/Settings/Units"), "cm");
    EXPECT_TRUE(store->KeyExists(StoreRoot::User, "Software/Tolvane Inc/Quirn6/Settings"));
    // A path ending in "/" names the key's default value.
    EXPECT_TRUE(reg.WriteText("/HKCR/Quirn.Document/DefaultIcon/", "quirn,1"));
    EXPECT_EQ(store->Read(StoreRoot::Classes, "Quirn.Document/DefaultIcon", "")->text, "quirn,1");
    EXPECT_TRUE(reg.WriteInt(MachinePath("Setup/Count"), 3));
    EXPECT_EQ(reg.ReadInt("/HKLM/Software/Tolvane, Inc/Quirn6/Setup/Count"), 3);
    EXPECT_FALSE(reg.ReadText("/HKLM/Software/Tolvane, Inc/Quirn6/Setup/Count"));  // not a text

    // Refused: no known root prefix, empty key names, missing keys.
    EXPECT_FALSE(reg.WriteText("/HKXX/Software/A", "x"));
    EXPECT_FALSE(reg.WriteText("Software/A", "x"));
    EXPECT_FALSE(reg.WriteText("/HKCU/Software//Deeper/A", "x"));
    EXPECT_FALSE(reg.ReadText("/HKCU/Software/Missing/Value"));
    EXPECT_FALSE(reg.ListSubkeys("/HKCU/Software/Missing"));

    EXPECT_TRUE(reg.CreateKey("/HKCU/Software/Tolvane Inc/Quirn6/Tools"));
    auto subkeys = reg.ListSubkeys("/HKCU/Software/Tolvane Inc/Quirn6/");
    ASSERT_TRUE(subkeys);
    EXPECT_EQ(*subkeys, (std::vector<std::string>{"Settings", "Tools"}));
    EXPECT_EQ(*reg.ListValues("/HKCU/Software/Tolvane Inc/Quirn6/Settings"),
              std::vector<std::string>{"Units"});
    EXPECT_TRUE(reg.DeleteKey("/HKCU/Software/Tolvane Inc/Quirn6/Tools"));
    EXPECT_FALSE(reg.DeleteKey("/HKCU/Software/Tolvane Inc/Quirn6/Tools"));
}

TEST(Registry, WellKnownFoldersComeFromTheStoreOrTheDesktopDirectories) {
    auto store = MakeMemoryStore();
    Registry reg(*store);
    ::setenv("XDG_DATA_HOME", "/tmp/quirn-data-home", 1);
    ::setenv("XDG_DOCUMENTS_DIR", "/tmp/quirn-docs", 1);
    EXPECT_EQ(DocumentsFolder(reg, "/opt/quirn/"), "/tmp/quirn-docs");
    EXPECT_EQ(AppDataFolder(reg, "/opt/quirn/"), "/tmp/quirn-data-home");
    EXPECT_EQ(LocalAppDataFolder(reg, "/opt/quirn/"), "/tmp/quirn-data-home");
    EXPECT_EQ(CommonAppDataFolder(reg, "/opt/quirn/"), "/tmp/quirn-data-home");
    // A value stored under the same key wins.
    reg.WriteText("/HKCU/Software/Microsoft/Windows/CurrentVersion/Explorer/Shell Folders/Personal",
                  "/srv/papers");
    EXPECT_EQ(DocumentsFolder(reg, "/opt/quirn/"), "/srv/papers");
    ::unsetenv("XDG_DOCUMENTS_DIR");
    ::unsetenv("XDG_DATA_HOME");
}

TEST(Migration, CopiesOnlyMissingSectionsOnce) {
    auto store = MakeMemoryStore();
    Registry reg(*store);
    reg.WriteText("/HKCU/Software/Tolvane Inc/Quirn/BibTeX/OptionString", "-min-crossrefs=3");
    reg.WriteInt("/HKCU/Software/Tolvane Inc/Quirn/Settings/WordWrap", 0);
    reg.WriteText("/HKCU/Software/Tolvane Inc/Quirn/Tools/Count", "2");
    reg.WriteText("/HKCU/Software/Tolvane Inc/Quirn/Unlisted/Value", "x");
    // "Tools" already exists under the new root: left alone.
    reg.WriteText(UserPath("Tools/Count"), "5");

    MigrateSettings(*store, "Quirn6");
    EXPECT_EQ(reg.ReadText(UserPath("BibTeX/OptionString")), "-min-crossrefs=3");
    EXPECT_EQ(reg.ReadInt(UserPath("Settings/WordWrap")), 0);
    EXPECT_EQ(reg.ReadText(UserPath("Tools/Count")), "5");
    EXPECT_FALSE(reg.ReadText(UserPath("Unlisted/Value")));
    EXPECT_TRUE(store->KeyExists(StoreRoot::User, std::string(kUserRootKey) + "/Workspace"));
    EXPECT_EQ(reg.ReadInt(UserPath("Migration/RegKeys")), 1);
    EXPECT_EQ(reg.ReadInt(UserPath("Settings/FirstTime")), 0);

    // A second run changes nothing, even after the old root changed.
    reg.WriteText("/HKCU/Software/Tolvane Inc/Quirn/BibTeX/OptionString", "-changed");
    reg.WriteInt(UserPath("Settings/FirstTime"), 1);
    MigrateSettings(*store, "Quirn6");
    EXPECT_EQ(reg.ReadText(UserPath("BibTeX/OptionString")), "-min-crossrefs=3");
    EXPECT_EQ(reg.ReadInt(UserPath("Settings/FirstTime")), 1);

    // Another program title migrates nothing and says nothing.
    auto other = MakeMemoryStore();
    MigrateSettings(*other, "Quirn5");
    EXPECT_FALSE(other->KeyExists(StoreRoot::User, kUserRootKey));
}

}  // namespace
}  // namespace quirn
