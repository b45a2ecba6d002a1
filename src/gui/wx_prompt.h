// Message boxes and questions as wxWidgets dialogs.
#pragma once

#include <wx/window.h>

#include "platform/user_prompt.h"

namespace quirn::gui {

class WxPrompt : public UserPrompt {
  public:
    void SetParent(wxWindow* parent) { parent_ = parent; }
    void ShowMessage(const std::string& text) override;
    int Ask(const std::string& text, const std::vector<std::string>& buttons, int affirmative,
            int negative) override;

  private:
    wxWindow* parent_ = nullptr;
};

}  // namespace quirn::gui
