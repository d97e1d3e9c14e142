// The Windows program's start when its window cannot be made: it says why
// in a message box, in Japanese, and ends with a failure, never silently.

#include "platform/instancelock.h"
#include "shell/win32/application.h"

#include <doctest/doctest.h>
#include <string>
#include <windows.h>

namespace {

struct Seen
{
    std::wstring text, title;
    int boxes = 0;
};

Seen seen;

std::wstring windowText(HWND window)
{
    std::wstring text(std::size_t(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(std::size_t(GetWindowTextW(window, text.data(), int(text.size()))));
    return text;
}

std::wstring className(HWND window)
{
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

// Refuses the main window, as a system short of resources would, and reads
// and answers the message box that comes instead.
LRESULT CALLBACK refuseWindow(int code, WPARAM wParam, LPARAM lParam)
{
    const auto window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_CREATEWND
        && className(window) == reinterpret_cast<const wchar_t *>(platform::kMainWindowClassName))
        return 1;
    if (code == HCBT_ACTIVATE && className(window) == L"#32770") {
        ++seen.boxes;
        seen.title = windowText(window);
        seen.text = windowText(GetDlgItem(window, 0xFFFF));
        PostMessageW(window, WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

TEST_CASE("a window that cannot be made is reported in a box, and the program fails")
{
    const HHOOK hook = SetWindowsHookExW(WH_CBT, refuseWindow, nullptr, GetCurrentThreadId());
    REQUIRE(hook);
    const int code = shell::runMainWindow(GetModuleHandleW(nullptr), SW_HIDE);
    UnhookWindowsHookEx(hook);

    CHECK(code == 1);
    CHECK(seen.boxes == 1);
    CHECK(seen.title == L"勤務ﾃﾞｰﾀ削除");
    CHECK(seen.text.starts_with(L"ウィンドウを作成できませんでした。\r"));
    CHECK(seen.text.ends_with(L"\r\r終了します・・・・・"));
    // The system's reason stands between the two.
    CHECK(seen.text.size()
          > std::wstring_view(L"ウィンドウを作成できませんでした。\r\r\r終了します・・・・・")
                .size());
}
