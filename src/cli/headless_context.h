// The start-up of the headless commands that work on one document without typesetting
// it (spell, bibtex, makeindex, tool): the settings store, the installation directory,
// the data roots, the children's TeX environment and the settings, as the window
// application has them after start-up; and a prompt that prints message boxes and
// questions on standard error and answers from the command line.
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

// "message: TEXT" and "question: TEXT" on standard error; a question takes its
// affirmative choice with yes and its negative one with no.
class AnswerPrompt : public UserPrompt {
  public:
    explicit AnswerPrompt(bool yes = true) : yes_(yes) {}
    void SetAnswer(bool yes) { yes_ = yes; }
    void ShowMessage(const std::string& text) override;
    int Ask(const std::string& text, const std::vector<std::string>& buttons, int affirmative,
            int negative) override;

  private:
    bool yes_;
};

class HeadlessContext {
  public:
    HeadlessContext();
    // False (after a message on standard error) when the settings or the data roots
    // could not be set up.
    bool Start();

    AppContext& Context() { return context_; }
    Settings& Record() { return settings_->Record(); }
    Profile& GetProfile() { return *profile_; }
    AnswerPrompt& Prompt() { return prompt_; }
    OutputSink& Errors() { return errors_; }
    OutputSink& Output() { return output_; }

  private:
    StreamSink errors_{stderr};
    StreamSink output_{stdout};
    AnswerPrompt prompt_;
    std::unique_ptr<SettingsStore> store_;
    std::unique_ptr<Profile> profile_;
    std::unique_ptr<SettingsManager> settings_;
    AppContext context_;
};

// Takes "--answer yes|no" out of `args`; false when its value is missing or wrong.
bool TakeAnswerOption(std::vector<std::string>& args, bool& yes);

}  // namespace quirn::cli
