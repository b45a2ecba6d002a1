// Message boxes of the sub-commands that report on standard error: "message: TEXT"
// and "question: TEXT" lines (line feeds written as "\n"), questions answered yes.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "platform/user_prompt.h"

namespace quirn::cli {

class StderrPrompt : public UserPrompt {
  public:
    void ShowMessage(const std::string& text) override { Print("message", text); }
    int Ask(const std::string& text, const std::vector<std::string>&, int affirmative,
            int) override {
        Print("question", text);
        return affirmative;
    }

  private:
    static void Print(const char* kind, const std::string& text) {
        std::string line;
        for (char c : text) {
            line += c == '\n' ? std::string("\\n") : std::string(1, c);
        }
        std::fprintf(stderr, "%s: %s\n", kind, line.c_str());
    }
};

}  // namespace quirn::cli
