#include "cli/headless_context.h"

#include "app/tex_environment.h"
#include "platform/environment_block.h"

namespace quirn::cli {

void AnswerPrompt::ShowMessage(const std::string& text) {
    std::fprintf(stderr, "message: %s\n", text.c_str());
    std::fflush(stderr);
}

int AnswerPrompt::Ask(const std::string& text, const std::vector<std::string>&, int affirmative,
                      int negative) {
    std::fprintf(stderr, "question: %s\n", text.c_str());
    std::fflush(stderr);
    return yes_ ? affirmative : negative;
}

HeadlessContext::HeadlessContext() = default;

bool HeadlessContext::Start() {
    const std::string installDir = FindInstallDir();
    store_ = OpenFileStore(DefaultStoreDirectory(), &errors_);
    if (!store_)
        return false;
    profile_ = std::make_unique<Profile>(*store_);
    context_.roots = DataRoots{installDir, installDir, installDir, installDir};
    if (!EstablishRoots(context_.roots, *profile_, errors_, &prompt_))
        return false;
    context_.childEnvironment =
        BuildTexEnvironment(ProcessEnvironment(), context_.roots, *profile_);
    settings_ = std::make_unique<SettingsManager>(*profile_, context_.roots, 96);
    settings_->LoadSaveSettings(Direction::Load);
    context_.store = store_.get();
    context_.profile = profile_.get();
    context_.settings = &settings_->Record();
    context_.output = &errors_;
    context_.prompt = &prompt_;
    return true;
}

bool TakeAnswerOption(std::vector<std::string>& args, bool& yes) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--answer")
            continue;
        if (i + 1 >= args.size() || (args[i + 1] != "yes" && args[i + 1] != "no"))
            return false;
        yes = args[i + 1] == "yes";
        args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
        --i;
    }
    return true;
}

}  // namespace quirn::cli
