#include "gui/gui_services.h"

#include <cstdlib>

namespace quirn::gui {

namespace {
// wxWidgets keeps one application object per process; its services sit beside it.
GuiServices* g_services = nullptr;
}  // namespace

GuiServices& Services() {
    if (!g_services)
        std::abort();  // a window was made before the application registered itself
    return *g_services;
}

GuiServices* ServicesIfRunning() {
    return g_services;
}

void RegisterServices(GuiServices* services) {
    g_services = services;
}

}  // namespace quirn::gui
