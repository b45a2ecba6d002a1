#include "gui/wx_prompt.h"

#include <wx/msgdlg.h>
#include <wx/utils.h>

#include <cstdio>

namespace quirn::gui {

// Window tests run without a person: with QUIRN_TEST_ANSWER set to "yes" or "no",
// messages and questions are written to standard error and answered from it. With
// "hold" questions are written and then shown, waiting for an answer nobody gives
// (tests end the program while one is open).
static bool Scripted(bool* yes) {
    wxString answer;
    if (!wxGetEnv("QUIRN_TEST_ANSWER", &answer) || answer.empty())
        return false;
    *yes = answer.Lower() != "no";
    return true;
}

static bool Holding() {
    wxString answer;
    return wxGetEnv("QUIRN_TEST_ANSWER", &answer) && answer.Lower() == "hold";
}

void WxPrompt::ShowMessage(const std::string& text) {
    bool yes;
    if (Scripted(&yes)) {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        return;
    }
    wxMessageDialog dlg(parent_, wxString::FromUTF8(text), "Quirn", wxOK | wxICON_INFORMATION);
    dlg.ShowModal();
}

int WxPrompt::Ask(const std::string& text, const std::vector<std::string>& buttons, int affirmative,
                  int negative) {
    bool yes;
    if (Scripted(&yes)) {
        std::fprintf(stderr, "question: %s\n", text.c_str());
        if (!Holding())
            return yes ? affirmative : negative;
    }
    // Up to three buttons map onto the dialog's Yes, No and Cancel, relabelled.
    long style = wxICON_QUESTION | wxYES_NO;
    if (buttons.size() >= 3)
        style |= wxCANCEL;
    wxMessageDialog dlg(parent_, wxString::FromUTF8(text), "Quirn", style);
    auto label = [&](size_t i) { return wxString::FromUTF8(buttons.at(i)); };
    if (buttons.size() >= 3) {
        dlg.SetYesNoCancelLabels(label(0), label(1), label(2));
    } else if (buttons.size() == 2) {
        dlg.SetYesNoLabels(label(0), label(1));
    }
    if (affirmative == 1)
        dlg.SetYesNoLabels(label(0), label(1));
    switch (dlg.ShowModal()) {
        case wxID_YES:
            return 0;
        case wxID_NO:
            return 1;
        case wxID_CANCEL:
            return buttons.size() >= 3 ? 2 : negative;
        default:
            return negative;
    }
}

}  // namespace quirn::gui
