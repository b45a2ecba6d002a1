#include "cli/package_session.h"

#include "app/data_roots.h"
#include "app/tex_environment.h"
#include "platform/environment_block.h"

namespace quirn::cli {

void AnsweringPrompt::ShowMessage(const std::string& text) {
    std::fprintf(stderr, "message: %s\n", text.c_str());
    std::fflush(stderr);
}

int AnsweringPrompt::Ask(const std::string& text, const std::vector<std::string>&, int affirmative,
                         int negative) {
    std::fprintf(stderr, "question: %s\n", text.c_str());
    std::fflush(stderr);
    return yes_ ? affirmative : negative;
}

PackageSession::PackageSession(std::FILE* output, bool answerYes)
    : output_(output), prompt_(answerYes) {}

bool PackageSession::Start() {
    StreamSink errors(stderr);
    store_ = OpenFileStore(DefaultStoreDirectory(), &errors);
    if (!store_)
        return false;
    profile_ = std::make_unique<Profile>(*store_);
    const std::string installDir = FindInstallDir();
    DataRoots roots{installDir, installDir, installDir, installDir};
    // What setting up the roots reports is never a command's result.
    if (!EstablishRoots(roots, *profile_, errors, nullptr))
        return false;
    context_.store = store_.get();
    context_.profile = profile_.get();
    context_.output = &output_;
    context_.prompt = &prompt_;
    context_.roots = roots;
    context_.childEnvironment = BuildTexEnvironment(ProcessEnvironment(), roots, *profile_);
    settings_ = std::make_unique<SettingsManager>(*profile_, roots, 96);
    settings_->LoadSaveSettings(Direction::Load);
    context_.settings = &settings_->Record();
    return true;
}

std::string EscapeField(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
    return out;
}

void PrintLine(const std::vector<std::string>& fields) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += '\t';
        line += fields[i];
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
}

}  // namespace quirn::cli
