#include "shell/win32/messagebox.h"

#include "shell/messagelayout.h"
#include "shell/texts.h"
#include "shell/win32/dpi.h"

#include <algorithm>
#include <string>
#include <utility>

namespace shell {
namespace {

std::wstring wide(std::u16string_view text)
{
    return {text.begin(), text.end()};
}

// Windows names a message box's buttons in its own display language; the
// tool speaks Japanese throughout, so they are named here as the box comes
// up, before it is first drawn.
thread_local HHOOK buttonNamingHook = nullptr;

LRESULT CALLBACK nameBoxButtons(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        const auto box = reinterpret_cast<HWND>(wParam);
        SetDlgItemTextW(box, IDOK, wide(texts::kBoxOk).c_str());
        SetDlgItemTextW(box, IDCANCEL, wide(texts::kBoxCancel).c_str());
        UnhookWindowsHookEx(std::exchange(buttonNamingHook, nullptr));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// A message box breaks its lines only at spaces and grows as wide as its
// longest line: a long path made it wider than the screen. Each line is kept
// within half the monitor's working area and 500 pixels at 96 DPI, as
// measured in the box's own font.
std::u16string fitLines(HWND owner, UINT dpi, std::u16string_view text)
{
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const int maxWidth = std::min(int(monitor.rcWork.right - monitor.rcWork.left) / 2,
                                  MulDiv(500, int(dpi), int(kDesignDpi)));

    const LOGFONTW font = messageBoxFont(dpi);
    const HFONT handle = CreateFontIndirectW(&font);
    const HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ previousFont = SelectObject(dc, handle);
    std::u16string fitted = breakLongLines(text, maxWidth, [dc](std::u16string_view line) {
        SIZE extent = {};
        GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t *>(line.data()), int(line.size()),
                              &extent);
        return int(extent.cx);
    });
    SelectObject(dc, previousFont);
    DeleteDC(dc);
    DeleteObject(handle);
    return fitted;
}

} // namespace

MessageAnswer showMessageBox(HWND owner, UINT dpi, const Message &message)
{
    const std::wstring text = wide(fitLines(owner, dpi, message.text));
    buttonNamingHook = SetWindowsHookExW(WH_CBT, nameBoxButtons, nullptr, GetCurrentThreadId());
    // The lone carriage returns between the lines break them as they are.
    UINT type = MB_DEFBUTTON1;
    type |= message.icon == MessageIcon::Question ? MB_ICONQUESTION : MB_ICONEXCLAMATION;
    type |= message.buttons == MessageButtons::OkCancel ? MB_OKCANCEL : MB_OK;
    const int answer = MessageBoxW(owner, text.c_str(), wide(message.title).c_str(), type);
    if (buttonNamingHook)
        UnhookWindowsHookEx(std::exchange(buttonNamingHook, nullptr));
    return answer == IDOK ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

} // namespace shell
