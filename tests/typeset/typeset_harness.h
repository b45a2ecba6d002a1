// A typesetter with everything around it, for tests: settings in memory, an output
// window that records, a prompt that answers from a script, seams that record the
// hand-offs, an installation directory whose bin/ can hold a fake engine, and the
// children's environment start-up would build for it.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "app/data_roots.h"
#include "app/profile.h"
#include "app/settings.h"
#include "platform/output_sink.h"
#include "platform/settings_store.h"
#include "platform/user_prompt.h"
#include "process/process_list.h"
#include "support/test_support.h"
#include "typeset/formats.h"
#include "typeset/output_monitor.h"
#include "typeset/typeset_seams.h"
#include "typeset/typesetter.h"

namespace quirn::test {

// Answers questions in order from a list ("yes" / "no" / a button index as text);
// when the list runs out, every further question gets `fallback`.
class QueuedPrompt : public UserPrompt {
  public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    int Ask(const std::string& text, const std::vector<std::string>& buttons, int affirmative,
            int negative) override;

    std::deque<std::string> answers;
    std::string fallback = "yes";
    std::vector<std::string> messages;
    std::vector<std::string> questions;
};

class RecordingSeams : public TypesetSeams {
  public:
    bool ResolveMissingFile(const std::string& name) override {
        missing.push_back(name);
        return installResult;
    }
    void GoToLine(const std::string& file, int line) override {
        gotos.push_back(file + ":" + std::to_string(line));
    }
    void OpenDocumentFile(const std::string& path) override { opened.push_back(path); }
    void OpenPdf(const std::string& path) override { pdfs.push_back(path); }
    void RefreshFilesAfterTypeset(const std::string&,
                                  const std::vector<std::string>& files) override {
        used = files;
    }
    void RemoveLastOutputCharacter() override { ++removed; }
    void MarkOutputLine(int line) override { marked.push_back(line); }

    bool installResult = false;
    std::vector<std::string> missing, gotos, opened, pdfs, used;
    std::vector<int> marked;
    int removed = 0;
};

// The formats directory shared by the tests that run the real engine, holding a
// latex.fmt made by pdfetex once per build tree. Its variable-data root.
std::string SharedVarDataRoot();

class TypesetHarness {
  public:
    // `varDataRoot` empty: a fresh one in the harness's directory.
    explicit TypesetHarness(const std::string& varDataRoot = SharedVarDataRoot());
    ~TypesetHarness();

    // Writes an executable shell script to InstallDir/bin/NAME.
    void InstallScript(const std::string& name, const std::string& body);
    // Polls as the idle processing does until the run (with its restarts) is over;
    // false when it takes longer than `seconds`.
    bool RunToEnd(int seconds = 120);
    // Polls for about `ms` milliseconds.
    void PollFor(int ms);
    std::string Output() const { return window.Text(); }

    TempDir dir;
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<Profile> profile;
    Settings settings;
    StringSink window;
    OutputMonitor monitor{&window};
    QueuedPrompt prompt;
    AppContext context;
    std::unique_ptr<ProcessList> processes;
    std::unique_ptr<Formats> formats;
    RecordingSeams seams;
    std::unique_ptr<Typesetter> typesetter;
};

}  // namespace quirn::test
