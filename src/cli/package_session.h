// What the package, missing-file, option and check commands start with: the settings
// store, the installation directory, the data roots, the children's TeX environment
// and the loaded settings, gathered in an application context. Message boxes and
// questions go to standard error ("message: ", "question: "), answered by --answer;
// the output window goes to the stream the command names.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "app/profile.h"
#include "app/settings.h"
#include "platform/output_sink.h"
#include "platform/settings_store.h"
#include "platform/user_prompt.h"

namespace quirn::cli {

// Prints message boxes and questions to standard error and answers every question
// with the same answer.
class AnsweringPrompt : public UserPrompt {
  public:
    explicit AnsweringPrompt(bool yes) : yes_(yes) {}
    void ShowMessage(const std::string& text) override;
    int Ask(const std::string& text, const std::vector<std::string>& buttons, int affirmative,
            int negative) override;

  private:
    bool yes_;
};

class PackageSession {
  public:
    // `output` receives the output window's text (standard error for most commands).
    PackageSession(std::FILE* output, bool answerYes);

    // False (after a message on standard error) when the settings or the data roots
    // cannot be set up.
    bool Start();

    AppContext& Context() { return context_; }
    Profile& GetProfile() { return *profile_; }
    Settings& Record() { return settings_->Record(); }
    OutputSink& Output() { return output_; }
    UserPrompt& Prompt() { return prompt_; }

  private:
    StreamSink output_;
    AnsweringPrompt prompt_;
    std::unique_ptr<SettingsStore> store_;
    std::unique_ptr<Profile> profile_;
    std::unique_ptr<SettingsManager> settings_;
    AppContext context_;
};

// A field of a result line: backslash, newline, tab and carriage return escaped.
std::string EscapeField(const std::string& text);

// Prints the fields joined by one tab, and a newline, on standard output.
void PrintLine(const std::vector<std::string>& fields);

}  // namespace quirn::cli
