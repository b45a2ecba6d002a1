// The TeX document's file side: byte-exact loading into a TextBuffer and saving out
// of one, the trailing Control-Z strip, save names and titles, the protection before
// closing and typesetting, and the detection of changes made by other programs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "editor/text_buffer.h"

namespace quirn {

class OutputSink;
class UserPrompt;

// Files move in blocks of this size both ways.
constexpr std::size_t kDocumentBlockSize = 4096;

// Removes trailing 0x1A bytes (as ordinary edits). Returns how many went.
int StripTrailingControlZ(TextBuffer& text);

// Writes the text in blocks, adding one line feed when the text is non-empty and does
// not end in one. The file is rewritten in place. On failure `error` gets a message.
bool WriteDocumentFile(const TextBuffer& text, const std::string& path, std::string* error);

// The name proposed when an unnamed document is saved: the title's first 8 characters,
// cut at the first of " #%;/\", followed by the default extension (".tex").
std::string ProposedSaveName(std::string_view title, std::string_view defaultExtension);

// The full path shortened to at most maxLength characters for the print title: kept
// when it fits; only the file name when not even that (with room for "/...") fits;
// otherwise the root ("/"), "/...", and as many of the last directories as fit before
// the file name.
std::string ShortenPathForPrint(std::string_view path, std::size_t maxLength = 31);

// The title from the state: the path's file name, followed by " *" when modified.
std::string DocumentTitle(std::string_view path, bool modified);
// SetTitle with an empty title: the new title, or nothing when the current one already
// shows the modified mark exactly when the document is modified, or there is no path.
std::optional<std::string> RefreshedTitle(std::string_view currentTitle, std::string_view path,
                                          bool modified);

// File Save saves in place when the file exists and can be read and written;
// otherwise it asks for a name (Save As).
bool CanSaveInPlace(const std::string& path);

// The file's modification time in seconds, or nothing when stat fails.
std::optional<int64_t> FileModTime(const std::string& path);

// What SaveModified does for a document.
enum class SaveModifiedStep {
    Nothing,           // not modified: success
    Save,              // auto-save before typesetting: File Save, success whatever it gives
    ReportThenSaveAs,  // unnamed during auto-save: show `message`, then File Save (asks for
                       // a name); success whatever it gives
    AskSaveChanges,    // the framework's Yes / No / Cancel question
};
struct SaveModifiedPlan {
    SaveModifiedStep step = SaveModifiedStep::Nothing;
    std::string message;
};
SaveModifiedPlan PlanSaveModified(bool modified, bool savingBeforeTypeset, bool autoEditorSave,
                                  const std::string& path, const std::string& title);

// The process-wide flag against re-entering the external-modification check (its own
// question moves the focus, which would start the check again). Owned by the
// application and passed in.
struct ExternalEditGuard {
    bool checking = false;
};

enum class ExternalCheckResult {
    NotChecked,  // switched off, already checking, no path, or stat failed
    Unchanged,
    Reloaded,  // the user chose to load the changed file (caret to 0, title refresh)
    Declined,  // asked, answered No: asked again at the next check
};

struct ExternalCheckContext {
    bool autoCheckExternalEdit = true;  // the setting AutoCheckExternalEdit
    ExternalEditGuard* guard = nullptr;
    UserPrompt* prompt = nullptr;
    OutputSink* output = nullptr;
    bool traceExternalMod = false;  // the debugging code contains "externalmod"
};

// The document's text and file state, without any window. The window's document class
// holds one over its editing component's TextBuffer adapter.
class TexDocument {
  public:
    explicit TexDocument(TextBuffer& text) : text_(text) {}

    // Clears the text, its undo buffer and save point, reads the file in 4096-byte
    // blocks unchanged, strips trailing Control-Z bytes (telling `prompt`, when given,
    // "Trailing Control-Z characters have been stripped\nfrom file %s") and records the
    // modification time. The path becomes the document's path. False (with `error`)
    // when the file cannot be read; the text is then empty.
    bool Open(const std::string& path, UserPrompt* prompt, std::string* error);
    // Empties the document (text, undo buffer, save point).
    void Clear();

    // Save with replace: write, then record the modification time and set the save
    // point; the path becomes the document's path. A failed save leaves the document as
    // it was; with removeOnFailure (the name was just asked for) the partly written file
    // is deleted.
    bool Save(const std::string& path, std::string* error, bool removeOnFailure = false);
    // Save a copy: write only.
    bool SaveCopy(const std::string& path, std::string* error) const;

    ExternalCheckResult CheckExternalModification(const ExternalCheckContext& context);
    // True when the file on disk has changed since it was loaded or last saved (a save
    // over it asks first).
    bool ChangedOnDiskSinceLoaded() const;

    const std::string& Path() const { return path_; }
    void SetPath(std::string path) { path_ = std::move(path); }
    std::optional<int64_t> CachedModTime() const { return cachedModTime_; }
    bool IsModified() const { return text_.IsModified(); }
    TextBuffer& Text() { return text_; }

    // The title while printing: the shortened full path.
    std::string PrintTitle() const { return ShortenPathForPrint(path_); }

  private:
    TextBuffer& text_;
    std::string path_;
    std::optional<int64_t> cachedModTime_;
};

}  // namespace quirn
