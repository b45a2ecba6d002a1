#include <gtest/gtest.h>

#include <filesystem>

#include "platform/output_sink.h"
#include "platform/settings_store.h"
#include "support/test_support.h"

namespace quirn {
namespace {

using test::TempDir;

TEST(FileStore, KeepsTypedValuesAcrossReopeningAndComparesNamesWithoutCase) {
    TempDir dir;
    StringSink sink;
    {
        auto store = OpenFileStore(dir.Path(), &sink);
        ASSERT_TRUE(store->CreateKey(StoreRoot::User, "Software/Tolvane Inc/Quirn6/Settings"));
        EXPECT_TRUE(store->Write(StoreRoot::User, "Software/Tolvane Inc/Quirn6/Settings",
                                 "WordWrap", StoreValue::Int(-7)));
        EXPECT_TRUE(store->Write(StoreRoot::User, "Software/Tolvane Inc/Quirn6/Settings", "Units",
                                 StoreValue::Str("a \"quoted\"\nline\\ with \x01 bytes")));
        EXPECT_TRUE(store->Write(StoreRoot::User, "Software/Tolvane Inc/Quirn6/Settings", "",
                                 StoreValue::Str("default value")));
        // Writing into a key that does not exist fails; the caller creates it first.
        EXPECT_FALSE(store->Write(StoreRoot::User, "Software/Nowhere", "x", StoreValue::Int(1)));
        EXPECT_TRUE(store->CreateKey(StoreRoot::Machine, "Software\\Tolvane, Inc\\Quirn6"));
    }
    auto store = OpenFileStore(dir.Path(), &sink);
    auto v = store->Read(StoreRoot::User, "software/TOLVANE INC/quirn6/settings", "wordwrap");
    ASSERT_TRUE(v);
    EXPECT_EQ(*v, StoreValue::Int(-7));
    EXPECT_EQ(store->Read(StoreRoot::User, "Software/Tolvane Inc/Quirn6/Settings", "Units")->text,
              "a \"quoted\"\nline\\ with \x01 bytes");
    EXPECT_EQ(store->Read(StoreRoot::User, "Software/Tolvane Inc/Quirn6/Settings", "")->text,
              "default value");
    EXPECT_EQ(store->ValueNames(StoreRoot::User, "Software/Tolvane Inc/Quirn6/Settings"),
              (std::vector<std::string>{"", "Units", "WordWrap"}));
    EXPECT_EQ(store->Subkeys(StoreRoot::Machine, "Software"),
              (std::vector<std::string>{"Tolvane, Inc"}));
    EXPECT_FALSE(store->KeyExists(StoreRoot::Classes, "Software"));
    EXPECT_TRUE(store->DeleteKey(StoreRoot::User, "Software/Tolvane Inc"));
    EXPECT_FALSE(store->KeyExists(StoreRoot::User, "Software/Tolvane Inc/Quirn6"));
    EXPECT_EQ(sink.Text(), "");
}

TEST(FileStore, DamagedFileIsKeptAsideReportedAndReplacedByAnEmptyRoot) {
    TempDir dir;
    std::string damaged = "quirn-settings 1\nkey \"Software\"\nint \"A\" 12x\nend\n";
    dir.Write("user.store", damaged);
    // A file cut short (no end mark) is damaged too.
    dir.Write("machine.store", "quirn-settings 1\nkey \"Software\"\n");
    StringSink sink;
    auto store = OpenFileStore(dir.Path(), &sink);
    EXPECT_FALSE(store->KeyExists(StoreRoot::User, "Software"));
    EXPECT_FALSE(store->KeyExists(StoreRoot::Machine, "Software"));
    EXPECT_EQ(test::ReadFile(dir.File("user.store.damaged-1")), damaged);
    EXPECT_NE(sink.Text().find("user.store was damaged"), std::string::npos) << sink.Text();
    EXPECT_NE(sink.Text().find("machine.store was damaged"), std::string::npos);

    // The store works again, and a second damage is kept beside the first.
    ASSERT_TRUE(store->CreateKey(StoreRoot::User, "Software"));
    EXPECT_TRUE(store->Write(StoreRoot::User, "Software", "A", StoreValue::Int(1)));
    dir.Write("user.store", "garbage");
    EXPECT_FALSE(store->KeyExists(StoreRoot::User, "Software"));
    EXPECT_TRUE(std::filesystem::exists(dir.File("user.store.damaged-2")));
}

TEST(FileStore, SeesChangesOtherProcessesMadeAndBatchesWrites) {
    TempDir dir;
    StringSink sink;
    auto a = OpenFileStore(dir.Path(), &sink);
    auto b = OpenFileStore(dir.Path(), &sink);
    ASSERT_TRUE(a->CreateKey(StoreRoot::User, "K"));
    ASSERT_TRUE(a->Write(StoreRoot::User, "K", "one", StoreValue::Int(1)));
    ASSERT_TRUE(b->Write(StoreRoot::User, "K", "two", StoreValue::Int(2)));
    // Neither write lost the other's value.
    EXPECT_EQ(a->Read(StoreRoot::User, "K", "two")->integer, 2);
    ASSERT_TRUE(a->Write(StoreRoot::User, "K", "three", StoreValue::Int(3)));
    EXPECT_EQ(b->Read(StoreRoot::User, "K", "one")->integer, 1);
    EXPECT_EQ(b->Read(StoreRoot::User, "K", "three")->integer, 3);

    {
        StoreUpdate batch(*a);
        a->Write(StoreRoot::User, "K", "four", StoreValue::Int(4));
        // Not yet on disk while the update is open.
        EXPECT_FALSE(b->Read(StoreRoot::User, "K", "four"));
    }
    EXPECT_EQ(b->Read(StoreRoot::User, "K", "four")->integer, 4);
}

TEST(FileStore, AnUpdateKeepsWhatOthersWroteWhileItWasOpen) {
    TempDir dir;
    StringSink sink;
    auto a = OpenFileStore(dir.Path(), &sink);
    auto b = OpenFileStore(dir.Path(), &sink);
    ASSERT_TRUE(a->CreateKey(StoreRoot::User, "K"));
    ASSERT_TRUE(a->Write(StoreRoot::User, "K", "kept", StoreValue::Int(1)));
    {
        StoreUpdate batch(*a);
        ASSERT_TRUE(a->Write(StoreRoot::User, "K", "mine", StoreValue::Int(2)));
        ASSERT_TRUE(a->CreateKey(StoreRoot::User, "K/Sub"));
        ASSERT_TRUE(a->Write(StoreRoot::User, "K/Sub", "deep", StoreValue::Str("x")));
        ASSERT_TRUE(a->DeleteValue(StoreRoot::User, "K", "kept"));
        // Another process writes and deletes while the update is open.
        ASSERT_TRUE(b->Write(StoreRoot::User, "K", "theirs", StoreValue::Int(3)));
        ASSERT_TRUE(b->CreateKey(StoreRoot::User, "Other"));
        // Inside the update its own changes are what it sees.
        EXPECT_FALSE(a->Read(StoreRoot::User, "K", "kept"));
        EXPECT_EQ(a->Read(StoreRoot::User, "K", "mine")->integer, 2);
    }
    for (auto* store : {a.get(), b.get()}) {
        EXPECT_EQ(store->ValueNames(StoreRoot::User, "K"),
                  (std::vector<std::string>{"mine", "theirs"}));
        EXPECT_EQ(store->Read(StoreRoot::User, "K/Sub", "deep")->text, "x");
        EXPECT_TRUE(store->KeyExists(StoreRoot::User, "Other"));
    }
    EXPECT_EQ(sink.Text(), "");
}

TEST(FileStore, ReportsAStoreThatCannotBeWritten) {
    TempDir dir;
    // A directory that cannot exist (its parent is a plain file): even root fails here.
    std::string blocked = dir.Write("plain-file", "x") + "/settings";
    StringSink sink;
    auto store = OpenFileStore(blocked, &sink);
    EXPECT_FALSE(store->CreateKey(StoreRoot::User, "K"));
    EXPECT_NE(sink.Text().find("Could not write the settings file"), std::string::npos);
    EXPECT_FALSE(store->KeyExists(StoreRoot::User, "K"));
}

}  // namespace
}  // namespace quirn
