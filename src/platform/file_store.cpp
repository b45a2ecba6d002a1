// The file-backed settings store. Each root is one text file:
//
//   quirn-settings 1
//   key "Software/Tolvane Inc/Quirn6/Settings"
//   int "WordWrap" 1
//   text "Units" "in"
//   end
//
// Every change rewrites the root's file as a whole into a temporary file beside it,
// flushes it to disk and renames it over the old one, so a reader (or a process that
// was killed half-way) only ever sees the old or the new complete file. A file that
// does not parse is renamed aside and reported; the root then starts empty.
//
// Several processes share the files (the window, quirn-cli, typeset runs). A change is
// a read-merge-write under an exclusive lock on "NAME.store.lock" beside the file: the
// file is read again with the lock held, the change is applied to what it holds now
// and the result is written, so no writer replaces another's values with an old copy.
// Changes made inside an update are remembered and replayed the same way when the
// update ends. The lock belongs to the open descriptor, so a writer that is killed
// releases it with its death. Readers take no lock: they see one complete file.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <sstream>

#include "platform/file_replacement.h"
#include "platform/output_sink.h"
#include "platform/paths.h"
#include "platform/settings_store.h"
#include "platform/store_tree.h"

namespace quirn {

namespace {

constexpr const char* kHeader = "quirn-settings 1";

std::string Quote(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20 || c == 0x7f) {
                    static const char* hex = "0123456789abcdef";
                    out += "\\x";
                    out += hex[c >> 4];
                    out += hex[c & 15];
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    out += '"';
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads a quoted text starting at line[pos]; advances pos past it and one blank.
bool Unquote(const std::string& line, size_t& pos, std::string& out) {
    if (pos >= line.size() || line[pos] != '"')
        return false;
    out.clear();
    for (++pos; pos < line.size(); ++pos) {
        char c = line[pos];
        if (c == '"') {
            ++pos;
            if (pos < line.size() && line[pos] == ' ')
                ++pos;
            return true;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++pos >= line.size())
            return false;
        switch (line[pos]) {
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case '"':
                out += '"';
                break;
            case '\\':
                out += '\\';
                break;
            case 'x': {
                if (pos + 2 >= line.size())
                    return false;
                int hi = HexDigit(line[pos + 1]), lo = HexDigit(line[pos + 2]);
                if (hi < 0 || lo < 0)
                    return false;
                out += static_cast<char>(hi * 16 + lo);
                pos += 2;
                break;
            }
            default:
                return false;
        }
    }
    return false;
}

void Serialise(const StoreKey& key, const std::string& path, std::string& out) {
    if (!path.empty()) {
        out += "key " + Quote(path) + "\n";
        for (const auto& [lower, entry] : key.values) {
            const auto& [name, value] = entry;
            if (value.type == StoreValue::Type::Integer) {
                out += "int " + Quote(name) + " " + std::to_string(value.integer) + "\n";
            } else {
                out += "text " + Quote(name) + " " + Quote(value.text) + "\n";
            }
        }
    }
    for (const auto& [lower, sub] : key.subkeys) {
        Serialise(*sub, path.empty() ? sub->name : path + "/" + sub->name, out);
    }
}

// Parses a whole file; false when anything in it is not as written by Serialise.
bool Parse(const std::string& text, StoreKey& root) {
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kHeader)
        return false;
    StoreKey* current = nullptr;
    bool ended = false;
    while (std::getline(in, line)) {
        if (ended)
            return false;  // nothing may follow the end mark
        size_t pos;
        if (line == "end") {
            ended = true;
        } else if (line.rfind("key ", 0) == 0) {
            std::string path;
            pos = 4;
            if (!Unquote(line, pos, path) || pos != line.size())
                return false;
            current = root.Create(path);
            if (!current)
                return false;
        } else if (line.rfind("int ", 0) == 0 || line.rfind("text ", 0) == 0) {
            if (!current)
                return false;
            bool isInt = line[0] == 'i';
            pos = isInt ? 4 : 5;
            std::string name, data;
            if (!Unquote(line, pos, name))
                return false;
            if (isInt) {
                std::string digits = line.substr(pos);
                char* endp = nullptr;
                errno = 0;
                long long v = std::strtoll(digits.c_str(), &endp, 10);
                if (digits.empty() || *endp != '\0' || errno != 0 || v < INT32_MIN ||
                    v > INT32_MAX) {
                    return false;
                }
                current->SetValue(name, StoreValue::Int(static_cast<std::int32_t>(v)));
            } else {
                if (!Unquote(line, pos, data) || pos != line.size())
                    return false;
                current->SetValue(name, StoreValue::Str(data));
            }
        } else {
            return false;
        }
    }
    return ended;
}

struct FileIdentity {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = -1;
    struct timespec mtime {};
    bool operator==(const FileIdentity& o) const {
        return dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
               mtime.tv_nsec == o.mtime.tv_nsec;
    }
};

FileIdentity Identify(const std::string& path) {
    struct stat st {};
    FileIdentity id;
    if (::stat(path.c_str(), &st) == 0) {
        id.dev = st.st_dev;
        id.ino = st.st_ino;
        id.size = st.st_size;
        id.mtime = st.st_mtim;
    }
    return id;
}

bool ReadWholeFile(const std::string& path, std::string& out) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    out.clear();
    char buf[65536];
    while (true) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        out.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return true;
}

// An exclusive lock on "STORE.lock", held while the object lives.
class StoreLock {
  public:
    explicit StoreLock(const std::string& storePath) {
        const std::string path = storePath + ".lock";
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0)
            return;
        while (::flock(fd_, LOCK_EX) != 0) {
            if (errno == EINTR)
                continue;
            const int failure = errno;
            ::close(fd_);
            fd_ = -1;
            errno = failure;
            return;
        }
    }
    ~StoreLock() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

    // False (with errno set) when the lock file could not be opened or locked.
    bool Held() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
};

// Writes `data` to `path` through a temporary file, fsync and rename.
bool AtomicWrite(const std::string& path, const std::string& data) {
    FileReplacement out(path, 0600);
    return out.Opened() && out.Write(data.data(), data.size()) && out.Finish() && out.Replace();
}

class FileStore : public SettingsStore {
  public:
    FileStore(std::string directory, OutputSink* sink) : dir_(std::move(directory)), sink_(sink) {
        ::mkdir(dir_.c_str(), 0700);
    }

    bool KeyExists(StoreRoot root, const std::string& key) const override {
        return Fresh(root).Find(key) != nullptr;
    }
    bool CreateKey(StoreRoot root, const std::string& key) override {
        return Mutate(root, [key](StoreKey& t, bool& changed) {
            changed = t.Find(key) == nullptr;
            return t.Create(key) != nullptr;
        });
    }
    bool DeleteKey(StoreRoot root, const std::string& key) override {
        return Mutate(root, [key](StoreKey& t, bool& changed) { return changed = t.Delete(key); });
    }
    std::vector<std::string> Subkeys(StoreRoot root, const std::string& key) const override {
        const StoreKey* k = Fresh(root).Find(key);
        return k ? k->SubkeyNames() : std::vector<std::string>{};
    }
    std::vector<std::string> ValueNames(StoreRoot root, const std::string& key) const override {
        const StoreKey* k = Fresh(root).Find(key);
        return k ? k->ValueNames() : std::vector<std::string>{};
    }
    std::optional<StoreValue> Read(StoreRoot root, const std::string& key,
                                   const std::string& name) const override {
        const StoreKey* k = Fresh(root).Find(key);
        return k ? k->GetValue(name) : std::nullopt;
    }
    bool Write(StoreRoot root, const std::string& key, const std::string& name,
               const StoreValue& value) override {
        return Mutate(root, [key, name, value](StoreKey& t, bool& changed) {
            StoreKey* k = t.Find(key);
            if (!k)
                return false;
            auto old = k->GetValue(name);
            changed = !old || !(*old == value);
            if (changed)
                k->SetValue(name, value);
            return true;
        });
    }
    bool DeleteValue(StoreRoot root, const std::string& key, const std::string& name) override {
        return Mutate(root, [key, name](StoreKey& t, bool& changed) {
            StoreKey* k = t.Find(key);
            return changed = k && k->RemoveValue(name);
        });
    }
    void BeginUpdate() override {
        if (batch_++ == 0) {
            for (auto& entry : roots_)
                entry.second.checkedInBatch = false;
        }
    }
    bool EndUpdate() override {
        if (batch_ > 0 && --batch_ == 0)
            return FlushPending();
        return true;
    }

  private:
    // One change to a root's tree: false when it cannot be made, `changed` true when
    // it made a difference. Kept as a value so that it can be replayed.
    using Change = std::function<bool(StoreKey& tree, bool& changed)>;

    struct RootState {
        StoreKey tree;
        FileIdentity identity;
        bool loaded = false;
        bool checkedInBatch = false;  // one look at the file serves a whole update
        // The changes of the open update, in order; the tree already shows them.
        std::vector<Change> pending;
    };

    std::string PathOf(StoreRoot root) const {
        switch (root) {
            case StoreRoot::Classes:
                return dir_ + "/classes.store";
            case StoreRoot::Machine:
                return dir_ + "/machine.store";
            case StoreRoot::User:
                break;
        }
        return dir_ + "/user.store";
    }

    // The root's tree for reading, re-read when another process has replaced the file.
    StoreKey& Fresh(StoreRoot root) const {
        RootState& st = roots_[root];
        if (!st.pending.empty())
            return st.tree;  // our own pending changes win inside an update
        if (batch_ > 0 && st.checkedInBatch && st.loaded)
            return st.tree;
        st.checkedInBatch = batch_ > 0;
        Load(root, false);
        return st.tree;
    }

    // Reads the root's file into its tree unless the tree already holds this very
    // file. `locked` says whether the caller holds the root's lock; a writer always
    // reads, since a file replaced within the clock's granularity may look unchanged.
    void Load(StoreRoot root, bool locked) const {
        RootState& st = roots_[root];
        const std::string path = PathOf(root);
        const FileIdentity id = Identify(path);
        if (!locked && st.loaded && id == st.identity)
            return;
        st.tree = StoreKey();
        st.loaded = true;
        st.identity = id;
        std::string text;
        if (id.size < 0 || !ReadWholeFile(path, text))
            return;
        if (!Parse(text, st.tree)) {
            st.tree = StoreKey();
            MoveAside(path, id, locked);
            st.identity = Identify(path);
        }
    }

    // Renames the damaged file `path`, as `id` identified it, aside. Without the lock
    // held it is taken first, and the file is left alone when a writer has replaced
    // it in the meantime.
    void MoveAside(const std::string& path, const FileIdentity& id, bool locked) const {
        std::optional<StoreLock> lock;
        if (!locked) {
            lock.emplace(path);
            if (!lock->Held() || !(Identify(path) == id))
                return;
        }
        for (int n = 1; n < 1000; ++n) {
            std::string aside = path + ".damaged-" + std::to_string(n);
            if (::access(aside.c_str(), F_OK) == 0)
                continue;
            if (::rename(path.c_str(), aside.c_str()) == 0 && sink_) {
                sink_->AppendOutput("The settings file " + path + " was damaged; it was kept as " +
                                    aside + " and the built-in settings are used.\n");
            }
            return;
        }
    }

    // Applies `change`. Inside an update it goes to the tree in memory and is kept for
    // the update's end; otherwise it is made at once on the file as it is now.
    bool Mutate(StoreRoot root, Change change) {
        if (batch_ > 0) {
            StoreKey& tree = Fresh(root);
            bool changed = false;
            if (!change(tree, changed))
                return false;
            if (changed)
                roots_[root].pending.push_back(std::move(change));
            return true;
        }
        return Commit(root, {std::move(change)}, true);
    }

    bool FlushPending() {
        bool ok = true;
        for (auto& [root, st] : roots_) {
            if (st.pending.empty())
                continue;
            std::vector<Change> changes = std::move(st.pending);
            st.pending.clear();
            // A change that no longer applies (another process deleted its key in the
            // meantime) is dropped: the later deletion wins.
            ok = Commit(root, changes, false) && ok;
        }
        return ok;
    }

    // The read-merge-write: with the root's lock held, reads the file, applies
    // `changes` in order and writes the result when anything changed. With `strict`
    // a change that cannot be made fails the whole commit.
    bool Commit(StoreRoot root, const std::vector<Change>& changes, bool strict) {
        RootState& st = roots_[root];
        const std::string path = PathOf(root);
        StoreLock lock(path);
        if (!lock.Held()) {
            ReportWriteFailure(path);
            st.loaded = false;  // re-read what is really on disk next time
            return false;
        }
        Load(root, true);
        bool changed = false;
        for (const Change& change : changes) {
            bool one = false;
            if (!change(st.tree, one)) {
                if (strict)
                    return false;
                continue;
            }
            changed = changed || one;
        }
        if (!changed)
            return true;
        std::string data = std::string(kHeader) + "\n";
        Serialise(st.tree, "", data);
        data += "end\n";
        if (!AtomicWrite(path, data)) {
            ReportWriteFailure(path);
            st.loaded = false;
            return false;
        }
        st.identity = Identify(path);
        return true;
    }

    void ReportWriteFailure(const std::string& path) const {
        if (sink_) {
            sink_->AppendOutput("Could not write the settings file " + path + ": " +
                                std::strerror(errno) + "\n");
        }
    }

    std::string dir_;
    OutputSink* sink_;
    mutable std::map<StoreRoot, RootState> roots_;
    int batch_ = 0;
};

class MemoryStore : public SettingsStore {
  public:
    bool KeyExists(StoreRoot r, const std::string& key) const override {
        return trees_[r].Find(key) != nullptr;
    }
    bool CreateKey(StoreRoot r, const std::string& key) override {
        return trees_[r].Create(key) != nullptr;
    }
    bool DeleteKey(StoreRoot r, const std::string& key) override { return trees_[r].Delete(key); }
    std::vector<std::string> Subkeys(StoreRoot r, const std::string& key) const override {
        const StoreKey* k = trees_[r].Find(key);
        return k ? k->SubkeyNames() : std::vector<std::string>{};
    }
    std::vector<std::string> ValueNames(StoreRoot r, const std::string& key) const override {
        const StoreKey* k = trees_[r].Find(key);
        return k ? k->ValueNames() : std::vector<std::string>{};
    }
    std::optional<StoreValue> Read(StoreRoot r, const std::string& key,
                                   const std::string& name) const override {
        const StoreKey* k = trees_[r].Find(key);
        return k ? k->GetValue(name) : std::nullopt;
    }
    bool Write(StoreRoot r, const std::string& key, const std::string& name,
               const StoreValue& value) override {
        StoreKey* k = trees_[r].Find(key);
        if (!k)
            return false;
        k->SetValue(name, value);
        return true;
    }
    bool DeleteValue(StoreRoot r, const std::string& key, const std::string& name) override {
        StoreKey* k = trees_[r].Find(key);
        return k && k->RemoveValue(name);
    }

  private:
    mutable std::map<StoreRoot, StoreKey> trees_;
};

}  // namespace

std::unique_ptr<SettingsStore> OpenFileStore(const std::string& directory, OutputSink* sink) {
    return std::make_unique<FileStore>(directory, sink);
}

std::unique_ptr<SettingsStore> MakeMemoryStore() {
    return std::make_unique<MemoryStore>();
}

std::string DefaultStoreDirectory() {
    if (const char* e = std::getenv("QUIRN_CONFIG_DIR"); e && *e)
        return e;
    return JoinPath(XdgBaseDirectory("XDG_CONFIG_HOME", ".config"), "quirn");
}

}  // namespace quirn
