// The program's start on Windows: the main dialog, run by the dialog manager.
#include <windows.h>

#include "app/mainDialog.h"
#include "platform/waveOut.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return waveProcessExit(tonalixMain((Module)instance)); }
