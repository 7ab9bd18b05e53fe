// wineprobe: drives a running Windows program the way a user does, for the smoke test of
// tarnwell.exe under Wine and for screenshots. Qt draws its controls itself, so there is no
// control window to ask for its text: text is read as a user would copy it, with keys into the
// window and then the clipboard.
//
//   wineprobe wait TITLE         waits until a window with this caption is shown and prints its
//                                frame on screen: left top width height
//   wineprobe click TITLE X Y    clicks at X,Y of the window's client area
//   wineprobe copy TITLE [X Y]   prints the text that Ctrl+C copies from the window; with X,Y
//                                it first clicks there and selects all with Ctrl+A
//   wineprobe close TITLE        asks the window to close
//
// Exit status 0 on success, 1 when the window does not appear within 60 seconds or nothing was
// copied, 2 on a usage error.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <windows.h>

namespace {

std::wstring wide(const char* text)
{
    const int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring result(static_cast<size_t>(length > 0 ? length - 1 : 0), L'\0');
    if (length > 1)
        MultiByteToWideChar(CP_UTF8, 0, text, -1, result.data(), length);
    return result;
}

void printUtf8(const std::wstring& text)
{
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(),
                        length, nullptr, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

HWND waitForWindow(const std::wstring& title)
{
    for (int tries = 0; tries < 600; ++tries) {
        const HWND window = FindWindowW(nullptr, title.c_str());
        if (window != nullptr && IsWindowVisible(window))
            return window;
        Sleep(100);
    }
    std::fprintf(stderr, "wineprobe: no window \"%ls\" within 60 seconds\n", title.c_str());
    return nullptr;
}

void bringToFront(HWND window)
{
    SetForegroundWindow(window);
    Sleep(300);
}

void pressChord(WORD modifier, WORD key)
{
    INPUT inputs[4] = {};
    const WORD keys[4] = {modifier, key, key, modifier};
    for (int i = 0; i < 4; ++i) {
        inputs[i].type = INPUT_KEYBOARD;
        inputs[i].ki.wVk = keys[i];
        inputs[i].ki.dwFlags = i < 2 ? 0 : KEYEVENTF_KEYUP;
    }
    SendInput(4, inputs, sizeof(INPUT));
    Sleep(300);
}

void clickAt(HWND window, int x, int y)
{
    POINT point{x, y};
    ClientToScreen(window, &point);
    SetCursorPos(point.x, point.y);
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, inputs, sizeof(INPUT));
    Sleep(500);
}

void emptyClipboard()
{
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

std::wstring clipboardText()
{
    std::wstring text;
    if (!OpenClipboard(nullptr))
        return text;
    if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* characters = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = characters;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

int usage()
{
    std::fprintf(stderr, "usage: wineprobe wait|click|copy|close TITLE [X Y]\n");
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 3)
        return usage();
    const std::string command = argv[1];
    const bool hasPoint = argc == 5;
    if (argc != 3 && !hasPoint)
        return usage();
    const int x = hasPoint ? std::atoi(argv[3]) : 0;
    const int y = hasPoint ? std::atoi(argv[4]) : 0;

    const HWND window = waitForWindow(wide(argv[2]));
    if (window == nullptr)
        return 1;

    if (command == "wait" && !hasPoint) {
        RECT frame{};
        GetWindowRect(window, &frame);
        std::printf("%ld %ld %ld %ld\n", frame.left, frame.top, frame.right - frame.left,
                    frame.bottom - frame.top);
        return 0;
    }
    if (command == "click" && hasPoint) {
        bringToFront(window);
        clickAt(window, x, y);
        return 0;
    }
    if (command == "copy") {
        bringToFront(window);
        emptyClipboard();
        if (hasPoint) {
            clickAt(window, x, y);
            pressChord(VK_CONTROL, 'A');
        }
        pressChord(VK_CONTROL, 'C');
        // The program renders the text on request, from its own message loop.
        for (int tries = 0; tries < 50; ++tries) {
            const std::wstring text = clipboardText();
            if (!text.empty()) {
                printUtf8(text);
                return 0;
            }
            Sleep(100);
        }
        std::fprintf(stderr, "wineprobe: nothing copied from \"%s\"\n", argv[2]);
        return 1;
    }
    if (command == "close" && !hasPoint) {
        PostMessageW(window, WM_CLOSE, 0, 0);
        return 0;
    }
    return usage();
}
