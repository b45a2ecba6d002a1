#include "dvi/fonts/pk_maker.h"

#include <algorithm>
#include <utility>

#include "dvi/fonts/font_context.h"
#include "dvi/fonts/pk_font.h"
#include "platform/paths.h"
#include "process/child_process.h"

namespace quirn {

BackgroundPkMaker::BackgroundPkMaker(std::string installDir, EnvironmentBlock environment)
    : installDir_(std::move(installDir)), environment_(std::move(environment)) {}

BackgroundPkMaker::~BackgroundPkMaker() {
    for (Job& job : jobs_) {
        if (!job.child->HasEnded()) {
            job.child->Kill();
        }
        job.child->Close();
    }
}

bool BackgroundPkMaker::Start(const std::string& name, int dpi) {
    const bool already = std::any_of(jobs_.begin(), jobs_.end(), [&](const Job& job) {
        return job.name == name && job.dpi == dpi;
    });
    if (already) {
        return true;
    }
    Job job{name, dpi, std::make_unique<ChildProcess>(), {}};
    job.child->SetInstallDir(installDir_);
    if (!environment_.empty()) {
        job.child->SetEnvironmentBlock(environment_);
    }
    const std::string folder = DirectoryExists(installDir_) ? installDir_ : std::string();
    if (!job.child->Start({"kpathsearch"}, folder)) {
        return false;
    }
    // The helper answers the one request and ends at the end of its input; the answer
    // itself is not needed, the made file is found by the next lookup.
    if (!job.child->Write("pk " + name + " " + std::to_string(dpi) + "\nquit\n")) {
        job.child->Kill();
        job.child->Close();
        return false;
    }
    job.child->CloseInput();
    jobs_.push_back(std::move(job));
    return true;
}

bool BackgroundPkMaker::Collect() {
    bool ended = false;
    for (auto it = jobs_.begin(); it != jobs_.end();) {
        it->child->ReadAvailable(it->output);
        if (it->child->HasEnded()) {
            it->child->ReadAvailable(it->output);
            it->child->Close();
            // The answer "OK DPI PATH"; anything else means the font could not be made.
            std::string& path = results_[Key(it->name, it->dpi)];
            path.clear();
            if (const size_t ok = it->output.find("OK "); ok != std::string::npos) {
                const size_t space = it->output.find(' ', ok + 3);
                const size_t end = it->output.find('\n', ok);
                if (space != std::string::npos && space < end) {
                    path = it->output.substr(space + 1, end - space - 1);
                }
            }
            it = jobs_.erase(it);
            ended = true;
        } else {
            ++it;
        }
    }
    return ended;
}

bool BackgroundPkMaker::Busy() const {
    return !jobs_.empty();
}

std::optional<std::string> BackgroundPkMaker::Result(const std::string& name, int dpi) const {
    const auto it = results_.find(Key(name, dpi));
    if (it == results_.end()) {
        return std::nullopt;
    }
    return it->second;
}

bool AttachMadePkFonts(FontContext& context, DviFontList& fonts) {
    bool attached = false;
    for (const std::unique_ptr<DviFont>& font : fonts) {
        if (font->pkPendingDpi == 0) {
            continue;
        }
        font->pkPendingDpi = 0;
        // The helper has ended: the file is in the font cache now, or making it
        // failed, which the loader reports.
        AttachPkFont(context, *font);
        attached = attached || font->pkFont != nullptr;
    }
    return attached;
}

}  // namespace quirn
