// The program's start on Windows: the main dialog, run by the dialog manager.
#include <windows.h>

#include "app/mainDialog.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return tonalixMain((Module)instance); }
