// Modal questions and messages. The window application shows message boxes; the
// headless command prints them and answers from its command line; tests script them.
#pragma once

#include <string>
#include <vector>

namespace quirn {

class UserPrompt {
  public:
    virtual ~UserPrompt() = default;

    // A message box with an OK button.
    virtual void ShowMessage(const std::string& text) = 0;

    // A question with the given buttons (e.g. {"Yes", "No"}). Returns the index of the
    // chosen button. `affirmative` is the button a "yes" answer picks (the proposed
    // choice), `negative` the one a "no" answer picks.
    virtual int Ask(const std::string& text, const std::vector<std::string>& buttons,
                    int affirmative, int negative) = 0;

    bool AskYesNo(const std::string& text) { return Ask(text, {"Yes", "No"}, 0, 1) == 0; }
};

// Answers every question the same way and remembers what it was shown; used by
// batch runs and tests.
class ScriptedPrompt : public UserPrompt {
  public:
    explicit ScriptedPrompt(bool answerYes = true) : yes_(answerYes) {}
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    int Ask(const std::string& text, const std::vector<std::string>&, int affirmative,
            int negative) override {
        questions.push_back(text);
        return yes_ ? affirmative : negative;
    }
    void SetAnswer(bool yes) { yes_ = yes; }

    std::vector<std::string> messages;
    std::vector<std::string> questions;

  private:
    bool yes_;
};

}  // namespace quirn
