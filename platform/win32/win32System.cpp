// The desktop services on Windows: the registry, the current folder, the
// shell, environment expansion and process start, each the call of its name.
#include "platform/system.h"

#include <windows.h>

#include <shellapi.h>

#include "platform/boundedText.h"
#include "platform/win32/win32Text.h"

namespace {

// Returns the predefined key of root.  The core names HKEY_CURRENT_USER by
// its 32-bit value; the platform's handle is that value sign-extended.
HKEY rootKey(RegistryRoot root) { return (HKEY)(ULONG_PTR)(LONG)(uint32_t)root; }

// Copies the UTF-8 form of wide into buffer when it fits whole; a cut path
// or command would name something else.  Returns the bytes copied, or 0.
unsigned copyWhole(const WideText &wide, char *buffer, int size) {
    const std::string text = toUtf8(wide.c_str(), (int)wide.size());
    if ((int)text.size() >= size) return copyBoundedText(buffer, size, "", 0);
    return copyBoundedText(buffer, size, text.data(), text.size());
}

} // namespace

void writeRegistryDword(RegistryRoot root, const char *keyPath, const char *name, int32_t value) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(rootKey(root), keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    const DWORD data = (DWORD)value;
    RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE *)&data, sizeof data);
    RegCloseKey(key);
}

unsigned readCurrentDirectory(char *buffer, int size) {
    const DWORD needed = GetCurrentDirectoryW(0, nullptr);
    WideText folder(needed, L'\0');
    const DWORD length = needed ? GetCurrentDirectoryW(needed, folder.data()) : 0;
    if (length == 0 || length >= needed) return copyBoundedText(buffer, size, "", 0);
    folder.resize(length);
    return copyWhole(folder, buffer, size);
}

int openWithShell(Window owner, const char *verb, const char *target, int showState) {
    WideText wideVerb, wideTarget;
    if (!toWide(verb, &wideVerb) || !toWide(target, &wideTarget) || wideTarget.empty()) return 0;
    HINSTANCE result = ShellExecuteW((HWND)owner, wideVerb.empty() ? nullptr : wideVerb.c_str(), wideTarget.c_str(),
                                     nullptr, nullptr, showState);
    return (INT_PTR)result > 32 ? 1 : 0; // 32 and below are the shell's error codes
}

unsigned expandEnvironment(const char *text, char *buffer, int size) {
    WideText wideText;
    if (!toWide(text, &wideText)) return copyBoundedText(buffer, size, "", 0);
    const DWORD needed = ExpandEnvironmentStringsW(wideText.c_str(), nullptr, 0);
    WideText expanded(needed, L'\0');
    const DWORD length = needed ? ExpandEnvironmentStringsW(wideText.c_str(), expanded.data(), needed) : 0;
    if (length == 0 || length > needed) return copyBoundedText(buffer, size, "", 0);
    expanded.resize(length - 1); // the count includes the NUL
    return copyWhole(expanded, buffer, size);
}

// The whole command line is the program and its arguments, as the shell
// splits it; the program's window opens in its default way.
int startProgram(const char *commandLine, unsigned waitMs) {
    WideText line;
    if (!toWide(commandLine, &line) || line.empty()) return 0;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return 0;
    WaitForInputIdle(process.hProcess, waitMs);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 1;
}
