// The window application. Start-up is filled in by the application object.
#include <wx/wx.h>

class QuirnApp : public wxApp {
public:
    bool OnInit() override { return false; }
};

wxIMPLEMENT_APP(QuirnApp);
