#include "cli/project_session.h"

#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

#include "app/data_roots.h"
#include "app/settings.h"
#include "app/tex_environment.h"
#include "platform/paths.h"
#include "typeset/formats.h"

namespace quirn::cli {
namespace {

bool IsPageViewFile(const std::string& path) {
    std::string ext = ExtensionOf(path);
    for (const char* e : {"dvi", "ps", "eps", "pdf"}) {
        if (strcasecmp(ext.c_str(), e) == 0)
            return true;
    }
    return false;
}

}  // namespace

std::string UpperCase(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

StandInWindow::StandInWindow(std::string path)
    : path_(std::move(path)), kind_(IsPageViewFile(path_) ? Kind::PageView : Kind::Editor) {
    position_ = kind_ == Kind::PageView ? "0 0" : "0";
}

std::string OneLine(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

void PrintedPrompt::ShowMessage(const std::string& text) {
    std::fprintf(stderr, "message: %s\n", OneLine(text).c_str());
    std::fflush(stderr);
}

int PrintedPrompt::Ask(const std::string& text, const std::vector<std::string>&, int affirmative,
                       int negative) {
    std::fprintf(stderr, "question: %s\n", OneLine(text).c_str());
    std::fflush(stderr);
    return yes_ ? affirmative : negative;
}

std::string AbsoluteArgument(const std::string& name) {
    std::string full =
        std::filesystem::path(AbsolutePath(name, StartFolder())).lexically_normal().string();
    while (full.size() > 1 && full.back() == '/')
        full.pop_back();
    return full;
}

bool IsModeName(const std::string& mode) {
    return strcasecmp(mode.c_str(), "DVI") == 0 || strcasecmp(mode.c_str(), "PDF") == 0;
}

ProjectSession::ProjectSession(bool yes)
    : errors_(stderr),
      store_(OpenFileStore(DefaultStoreDirectory(), &errors_)),
      profile_(*store_),
      prompt_(yes),
      list_(*this) {}

ProjectSession::~ProjectSession() = default;

void ProjectSession::OverrideMode(const std::string& mode) {
    mode_ = UpperCase(mode);
}

int ProjectSession::SettingInt(const char* key, int def) {
    return profile_.GetInt("Settings", key, def);
}

std::string ProjectSession::CurrentFormat() {
    if (!format_) {
        // As a typeset run chooses it: the stored format among the built ones.
        NullSink quiet;
        ScriptedPrompt noQuestions(false);
        DataRoots roots;
        roots.installDir = FindInstallDir();
        EstablishRoots(roots, profile_, quiet, &noQuestions);
        SettingsManager settings(profile_, roots, 96);
        settings.LoadSaveSettings(Direction::Load);
        Formats formats(roots, profile_, settings.Record(), noQuestions);
        formats.BuildFormatList();
        std::string name = formats.List().SelectedName();
        format_ = name.empty() ? FileNameOf(settings.Record().format) : name;
    }
    return *format_;
}

std::string ProjectSession::CurrentMode() {
    if (!mode_) {
        std::string stored = profile_.GetText("Typeset", "Mode", "");
        mode_ = strcasecmp(stored.c_str(), "PDF") == 0 ? "PDF" : "DVI";
    }
    return *mode_;
}

ProjectWindow* ProjectSession::OpenDocument(const std::string& path) {
    if (!RegularFileExists(path) || ::access(path.c_str(), R_OK) != 0)
        return nullptr;
    stack_.insert(stack_.begin(), std::make_unique<StandInWindow>(path));
    return stack_.front().get();
}

std::vector<ProjectWindow*> ProjectSession::FrameWindows() {
    std::vector<ProjectWindow*> windows;
    for (const auto& w : stack_)
        windows.push_back(w.get());
    return windows;
}

void ProjectSession::Activate(ProjectWindow* window) {
    auto it = std::find_if(stack_.begin(), stack_.end(),
                           [&](const auto& w) { return w.get() == window; });
    if (it != stack_.end())
        std::rotate(stack_.begin(), it, it + 1);
}

bool ProjectSession::CloseWindow(ProjectWindow* window) {
    auto it = std::find_if(stack_.begin(), stack_.end(),
                           [&](const auto& w) { return w.get() == window; });
    if (it != stack_.end())
        stack_.erase(it);
    return true;
}

bool ProjectSession::OpenAll(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        ProjectRead read = ProjectRead::Read;
        Project* project = list_.Open(path, &read);
        if (read == ProjectRead::NotProject) {
            std::fprintf(stderr, "quirn-cli: not a Quirn project file: %s\n",
                         project->path.c_str());
            return false;
        }
    }
    return true;
}

bool ProjectSession::Save(Project& project) {
    if (!WriteProjectFile(project, *this)) {
        std::fprintf(stderr, "quirn-cli: cannot write the project file %s\n", project.path.c_str());
        return false;
    }
    return true;
}

void ProjectSession::PrintBlock(const Project& project) {
    std::printf("path=%s\nname=%s\ntexformat=%s\ntypesetmode=%s\nspellwordlist=%s\n",
                project.path.c_str(), project.name.c_str(), project.texformat.c_str(),
                project.typesetmode.c_str(), project.spellwordlist.c_str());
    for (const std::string& file : project.files)
        std::printf("file=%s\n", file.c_str());
    int n = 0;
    for (ProjectWindow* w : list_.WindowsOf(project))
        std::printf("window=%d %s\n", n++, w->DocumentPath().c_str());
}

}  // namespace quirn::cli
