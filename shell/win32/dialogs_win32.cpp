// The settings dialog and the About box.
#include "shell/win32/app.h"

void runSettingsDialog(App&) {}

void runAboutBox(App&) {}
