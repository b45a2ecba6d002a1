#include "editor/tex_document.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/output_sink.h"
#include "platform/paths.h"
#include "platform/user_prompt.h"

namespace quirn {
namespace {

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

std::string FileError(const char* what, const std::string& path, int error) {
    return std::string(what) + " " + path + ":\n" + std::strerror(error);
}

// Sets the guard for the duration of one check and restores it afterwards.
class GuardScope {
  public:
    explicit GuardScope(ExternalEditGuard* guard) : guard_(guard) {
        if (guard_) {
            previous_ = guard_->checking;
            guard_->checking = true;
        }
    }
    ~GuardScope() {
        if (guard_) {
            guard_->checking = previous_;
        }
    }
    GuardScope(const GuardScope&) = delete;
    GuardScope& operator=(const GuardScope&) = delete;

  private:
    ExternalEditGuard* guard_;
    bool previous_ = false;
};

}  // namespace

int StripTrailingControlZ(TextBuffer& text) {
    int removed = 0;
    while (text.Length() > 0 && text.CharAt(text.Length() - 1) == '\x1A') {
        text.Delete(text.Length() - 1, text.Length());
        ++removed;
    }
    return removed;
}

bool WriteDocumentFile(const TextBuffer& text, const std::string& path, std::string* error) {
    // Opened for writing in place: the file keeps its identity (links, permissions).
    FilePtr file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file) {
        if (error) {
            *error = FileError("Unable to write", path, errno);
        }
        return false;
    }
    const TextPos length = text.Length();
    char block[kDocumentBlockSize];
    bool ok = true;
    for (TextPos start = 0; start < length && ok; start += kDocumentBlockSize) {
        const TextPos end = std::min<TextPos>(length, start + kDocumentBlockSize);
        text.GetRange(start, end, block);
        ok = std::fwrite(block, 1, static_cast<std::size_t>(end - start), file.get()) ==
             static_cast<std::size_t>(end - start);
    }
    if (ok && length > 0 && text.CharAt(length - 1) != '\n') {
        ok = std::fputc('\n', file.get()) != EOF;
    }
    const int writeErrno = errno;
    const bool closed = std::fclose(file.release()) == 0;
    if (!ok || !closed) {
        if (error) {
            *error = FileError("Unable to write", path, writeErrno != 0 ? writeErrno : EIO);
        }
        return false;
    }
    return true;
}

std::string ProposedSaveName(std::string_view title, std::string_view defaultExtension) {
    std::string_view name = title.substr(0, 8);
    name = name.substr(0, name.find_first_of(" #%;/\\"));
    return std::string(name) + std::string(defaultExtension);
}

std::string ShortenPathForPrint(std::string_view path, std::size_t maxLength) {
    if (path.size() <= maxLength) {
        return std::string(path);
    }
    const std::string name = FileNameOf(path);
    // The root is "/" for an absolute path; the ellipsis follows it as a directory.
    const std::string lead = IsAbsolute(path) ? "/.../" : ".../";
    if (lead.size() + name.size() > maxLength) {
        return name;
    }
    // Drop whole leading directories until the rest fits behind the ellipsis.
    std::string_view rest = path.substr(IsAbsolute(path) ? 1 : 0);
    while (lead.size() + rest.size() > maxLength) {
        const std::size_t slash = rest.find('/');
        if (slash == std::string_view::npos) {
            break;
        }
        rest = rest.substr(slash + 1);
    }
    return lead + std::string(rest);
}

std::string DocumentTitle(std::string_view path, bool modified) {
    return FileNameOf(path) + (modified ? " *" : "");
}

std::optional<std::string> RefreshedTitle(std::string_view currentTitle, std::string_view path,
                                          bool modified) {
    const bool marked =
        currentTitle.size() >= 2 && currentTitle.substr(currentTitle.size() - 2) == " *";
    if (marked == modified || path.empty()) {
        return std::nullopt;
    }
    return DocumentTitle(path, modified);
}

bool CanSaveInPlace(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), R_OK | W_OK) == 0;
}

std::optional<int64_t> FileModTime(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) {
        return std::nullopt;
    }
    return static_cast<int64_t>(st.st_mtime);
}

SaveModifiedPlan PlanSaveModified(bool modified, bool savingBeforeTypeset, bool autoEditorSave,
                                  const std::string& path, const std::string& title) {
    SaveModifiedPlan plan;
    if (!modified) {
        plan.step = SaveModifiedStep::Nothing;
    } else if (savingBeforeTypeset && autoEditorSave) {
        if (path.empty()) {
            plan.step = SaveModifiedStep::ReportThenSaveAs;
            plan.message = "Unable to auto-save:\n\n" + title + "\n\nPlease enter a file name.";
        } else {
            plan.step = SaveModifiedStep::Save;
        }
    } else {
        plan.step = SaveModifiedStep::AskSaveChanges;
    }
    return plan;
}

void TexDocument::Clear() {
    text_.Delete(0, text_.Length());
    text_.EmptyUndoBuffer();
    text_.SetSavePoint();
}

bool TexDocument::Open(const std::string& path, UserPrompt* prompt, std::string* error) {
    Clear();
    FilePtr file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) {
        if (error) {
            *error = FileError("Unable to read", path, errno);
        }
        return false;
    }
    char block[kDocumentBlockSize];
    std::size_t n = 0;
    while ((n = std::fread(block, 1, sizeof block, file.get())) > 0) {
        text_.Insert(text_.Length(), std::string_view(block, n));
    }
    if (std::ferror(file.get())) {
        if (error) {
            *error = FileError("Unable to read", path, errno != 0 ? errno : EIO);
        }
        Clear();
        return false;
    }
    text_.EmptyUndoBuffer();
    text_.SetSavePoint();
    path_ = path;
    // The strip is an ordinary edit, so the document counts as modified afterwards.
    if (StripTrailingControlZ(text_) > 0 && prompt) {
        prompt->ShowMessage("Trailing Control-Z characters have been stripped\nfrom file " + path);
    }
    if (std::optional<int64_t> modTime = FileModTime(path)) {
        cachedModTime_ = modTime;
    }
    return true;
}

bool TexDocument::Save(const std::string& path, std::string* error, bool removeOnFailure) {
    if (!WriteDocumentFile(text_, path, error)) {
        if (removeOnFailure) {
            ::unlink(path.c_str());
        }
        return false;
    }
    if (std::optional<int64_t> modTime = FileModTime(path)) {
        cachedModTime_ = modTime;
    }
    text_.SetSavePoint();
    path_ = path;
    return true;
}

bool TexDocument::SaveCopy(const std::string& path, std::string* error) const {
    return WriteDocumentFile(text_, path, error);
}

bool TexDocument::ChangedOnDiskSinceLoaded() const {
    const std::optional<int64_t> modTime = FileModTime(path_);
    return modTime && cachedModTime_ && *modTime != *cachedModTime_;
}

ExternalCheckResult TexDocument::CheckExternalModification(const ExternalCheckContext& context) {
    if (!context.autoCheckExternalEdit || (context.guard && context.guard->checking)) {
        return ExternalCheckResult::NotChecked;
    }
    GuardScope scope(context.guard);
    const std::optional<int64_t> modTime = FileModTime(path_);
    if (!modTime) {
        return ExternalCheckResult::NotChecked;
    }
    const int64_t cached = cachedModTime_.value_or(0);
    if (cachedModTime_ && *modTime == cached) {
        return ExternalCheckResult::Unchanged;
    }
    if (context.traceExternalMod && context.output) {
        char line[96];
        std::snprintf(line, sizeof line, "External modification detected: cached=%d stat=%d\n",
                      static_cast<int>(cached), static_cast<int>(*modTime));
        context.output->AppendOutput(line);
    }
    // With edits not yet saved the question says what loading would cost.
    const std::string lost =
        IsModified() ? "Your unsaved changes in Quirn would be lost.\n" : std::string();
    if (!context.prompt ||
        !context.prompt->AskYesNo(path_ + " has been modified externally.\n" + lost +
                                  "Would you like to load the modified version into Quirn?")) {
        return ExternalCheckResult::Declined;
    }
    const std::string path = path_;
    std::string error;
    if (!Open(path, context.prompt, &error)) {
        context.prompt->ShowMessage(error);
    }
    return ExternalCheckResult::Reloaded;
}

}  // namespace quirn
