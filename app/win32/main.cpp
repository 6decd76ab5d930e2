// Tavorly's entry point on Windows: a GUI-subsystem program whose window,
// events, messages and sound are Win32's own.
#include <windows.h>

#include "app/tavorly.h"
#include "data/embedded_resources.h"
#include "data/resources.h"

// The program takes no arguments; instance, command line and show state are
// not used (the display takes the module handle itself).
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    installResourceTable(embeddedResources());
    return runTavorly();
}
