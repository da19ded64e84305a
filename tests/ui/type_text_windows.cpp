// SPDX-License-Identifier: GPL-3.0-or-later
// Types its argument into the window that has the keyboard focus, the way Windows' on-screen
// keyboard and input methods enter characters that no key of the keyboard layout has: one
// KEYEVENTF_UNICODE press and release per UTF-16 unit, which the window receives as WM_CHAR.
// scripts/test-windows-gui.sh types personal passwords with characters outside the keyboard
// layout through it, as X key events cannot carry them into Wine.
//
// Usage: type_text_windows TEXT      exit status 0 when every unit was sent
#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc != 2) {
        return 2;
    }
    const std::wstring text = argv[1];
    LocalFree(argv);
    std::vector<INPUT> inputs;
    for (const wchar_t unit : text) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wScan = unit;
        input.ki.dwFlags = KEYEVENTF_UNICODE;
        inputs.push_back(input);
        input.ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    for (INPUT& input : inputs) {
        if (SendInput(1, &input, sizeof(INPUT)) != 1) {
            return 1;
        }
        Sleep(20);
    }
    return 0;
}
