// One session of the program's project list without windows, for the project commands
// and the word count: documents opened for a project become stand-ins on a frame
// window stack, the engine's current format and mode come from the settings (or the
// command line), and questions and messages are printed.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/profile.h"
#include "platform/output_sink.h"
#include "platform/settings_store.h"
#include "platform/user_prompt.h"
#include "projects/project_list.h"

namespace quirn::cli {

// An editor window or a page view, as far as a project file records it.
class StandInWindow : public ProjectWindow {
  public:
    explicit StandInWindow(std::string path);

    std::string DocumentPath() const override { return path_; }
    Kind ViewKind() const override { return kind_; }
    std::string PlacementText() const override { return placement_; }
    void ApplyPlacement(const std::string& text) override { placement_ = text; }
    std::string PositionText() const override { return position_; }
    void RestorePosition(const std::string& text) override { position_ = text; }

  private:
    std::string path_;
    Kind kind_;
    std::string placement_ = "1 -1 -1 -1 -1 0 0 0 0";
    std::string position_;
};

// Questions are printed as "question: TEXT" and answered with `yes`; messages as
// "message: TEXT"; a line break in TEXT is written as "\n".
class PrintedPrompt : public UserPrompt {
  public:
    explicit PrintedPrompt(bool yes) : yes_(yes) {}
    void ShowMessage(const std::string& text) override;
    int Ask(const std::string& text, const std::vector<std::string>& buttons, int affirmative,
            int negative) override;

  private:
    bool yes_;
};

// Text with each line feed written as the two characters "\n".
std::string OneLine(const std::string& text);

class ProjectSession : public ProjectHost {
  public:
    explicit ProjectSession(bool yes = true);
    ~ProjectSession() override;

    // The command line's --format/--mode: the engine's current ones for this session.
    void OverrideFormat(const std::string& format) { format_ = format; }
    void OverrideMode(const std::string& mode);

    std::string CurrentFormat() override;
    std::string CurrentMode() override;
    void SetCurrentFormat(const std::string& format) override { format_ = format; }
    void SetCurrentMode(const std::string& mode) override { mode_ = mode; }
    ProjectWindow* OpenDocument(const std::string& path) override;
    std::vector<ProjectWindow*> FrameWindows() override;
    void Activate(ProjectWindow* window) override;
    bool CloseWindow(ProjectWindow* window) override;
    OutputSink& Output() override { return errors_; }

    ProjectList& List() { return list_; }
    Profile& GetProfile() { return profile_; }
    PrintedPrompt& Prompt() { return prompt_; }
    int SettingInt(const char* key, int def);

    // Opens every path with OpenProject. A project file that is not one stops it:
    // "quirn-cli: not a Quirn project file: PTP" and false.
    bool OpenAll(const std::vector<std::string>& paths);
    // Save Project, with "quirn-cli: cannot write the project file PTP" on failure.
    bool Save(Project& project);
    // The project block of one project.
    void PrintBlock(const Project& project);

  private:
    StreamSink errors_;
    std::unique_ptr<SettingsStore> store_;
    Profile profile_;
    PrintedPrompt prompt_;
    ProjectList list_;
    std::vector<std::unique_ptr<StandInWindow>> stack_;  // top-most first
    std::optional<std::string> format_;
    std::optional<std::string> mode_;
};

// A path argument made absolute against the start folder, lexically normal.
std::string AbsoluteArgument(const std::string& name);
std::string UpperCase(std::string text);
// "DVI" or "PDF" in any case.
bool IsModeName(const std::string& mode);

}  // namespace quirn::cli
