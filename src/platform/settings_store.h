// The hierarchical key-value store behind Quirn's settings. Three roots (classes,
// machine, user), each kept in one file; a key holds sub-keys and named values, each
// value a 32-bit integer or a text. Key paths use "/" between key names ("\" is taken
// as "/" too). Every change is written through at once with an atomic replace of the
// root's file, so a crash or kill never leaves a half-written store. Processes share
// the files: each change is merged into the file as it is at that moment, under a lock,
// so writers in different processes never lose each other's values.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quirn {

class OutputSink;

struct StoreValue {
    enum class Type { Integer, Text };
    Type type = Type::Text;
    std::int32_t integer = 0;
    std::string text;

    static StoreValue Int(std::int32_t v) { return {Type::Integer, v, {}}; }
    static StoreValue Str(std::string v) { return {Type::Text, 0, std::move(v)}; }
    bool operator==(const StoreValue&) const = default;
};

enum class StoreRoot { Classes, Machine, User };

class SettingsStore {
  public:
    virtual ~SettingsStore() = default;

    virtual bool KeyExists(StoreRoot root, const std::string& key) const = 0;
    // Creates the key and every missing key above it.
    virtual bool CreateKey(StoreRoot root, const std::string& key) = 0;
    // Deletes the key with everything below it.
    virtual bool DeleteKey(StoreRoot root, const std::string& key) = 0;
    virtual std::vector<std::string> Subkeys(StoreRoot root, const std::string& key) const = 0;
    virtual std::vector<std::string> ValueNames(StoreRoot root, const std::string& key) const = 0;

    // Absent when the key or the value does not exist. An empty name is the key's
    // default value.
    virtual std::optional<StoreValue> Read(StoreRoot root, const std::string& key,
                                           const std::string& name) const = 0;
    // Fails when the key does not exist (callers create it first) or the file cannot
    // be written.
    virtual bool Write(StoreRoot root, const std::string& key, const std::string& name,
                       const StoreValue& value) = 0;
    virtual bool DeleteValue(StoreRoot root, const std::string& key, const std::string& name) = 0;

    // Between BeginUpdate and the matching EndUpdate, changes are kept in memory and
    // written together at the end (one file replace instead of one per value), merged
    // into what other processes wrote in the meantime.
    virtual void BeginUpdate() {}
    virtual bool EndUpdate() { return true; }
};

// Holds a store in one update for the lifetime of the object.
class StoreUpdate {
  public:
    explicit StoreUpdate(SettingsStore& store) : store_(store) { store_.BeginUpdate(); }
    ~StoreUpdate() { store_.EndUpdate(); }
    StoreUpdate(const StoreUpdate&) = delete;
    StoreUpdate& operator=(const StoreUpdate&) = delete;

  private:
    SettingsStore& store_;
};

// The file-backed store: "user.store", "machine.store" and "classes.store" in
// `directory` (created when missing). A damaged file is renamed aside with a
// ".damaged-N" suffix, reported through `sink`, and the root starts empty.
std::unique_ptr<SettingsStore> OpenFileStore(const std::string& directory, OutputSink* sink);

// An in-memory store for tests.
std::unique_ptr<SettingsStore> MakeMemoryStore();

// The directory of the settings stores: $QUIRN_CONFIG_DIR when set, otherwise
// $XDG_CONFIG_HOME/quirn (default ~/.config/quirn).
std::string DefaultStoreDirectory();

}  // namespace quirn
