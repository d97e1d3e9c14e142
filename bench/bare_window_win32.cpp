// The yardstick for the Windows program's start-up under Wine: a plain Win32
// window of the tool's size and style, with the tool's manifest (common
// controls 6, per-monitor DPI awareness), a menu bar with one menu, one
// Japanese label in the tool's Gothic face and one empty drop-down list, and
// nothing else.
//
// Built with BENCH_TOOL_CONTROLS, the same window holds the tool's 14
// controls instead, as its window table gives them (class, style, place,
// caption, font), each made and given its font and nothing more: what the
// controls alone cost, with no list filled or fitted and no label measured.
#include <windows.h>
// Windows' own headers after windows.h, which they build on.
#include <commctrl.h>

#ifdef BENCH_TOOL_CONTROLS
#include "shell/win32/controlclass.h"

#include <string>
#endif

namespace {

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

#ifdef BENCH_TOOL_CONTROLS
void makeToolControls(HWND window, HINSTANCE instance, HFONT regular, HFONT bold)
{
    using namespace shell;
    const auto pixels = [](int twips) { return MulDiv(twips, 96, 1440); };
    for (const ControlDefinition &definition : kControls) {
        Twips place = definition.geometry;
        if (definition.container) {
            place.left += definitionOf(*definition.container).geometry.left;
            place.top += definitionOf(*definition.container).geometry.top;
        }
        const ControlClass controlClass = controlClassOf(definition);
        DWORD style = WS_CHILD | WS_VISIBLE | controlClass.style;
        if (takesFocus(definition.kind))
            style |= WS_TABSTOP;
        const std::wstring caption(definition.caption.begin(), definition.caption.end());
        const HWND made = CreateWindowExW(
            0, controlClass.name, caption.c_str(), style, pixels(place.left), pixels(place.top),
            pixels(place.width), pixels(place.height), window,
            reinterpret_cast<HMENU>(INT_PTR(definition.id)), instance, nullptr);
        SendMessageW(made, WM_SETFONT,
                     reinterpret_cast<WPARAM>(definition.font == FontKind::Bold ? bold : regular),
                     FALSE);
    }
}
#endif

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = L"BenchBareWindow";
    RegisterClassExW(&windowClass);

    const HMENU bar = CreateMenu();
    const HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 1, L"ﾌﾟﾛｸﾞﾗﾑの終了(&C)");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(menu), L"ﾌｧｲﾙ(&F)");

    constexpr DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame{0, 0, 415, 334};
    AdjustWindowRectEx(&frame, style, TRUE, 0);
    const HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"bench-bare-window", style,
                                        CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                                        frame.bottom - frame.top, nullptr, bar, instance, nullptr);

    LOGFONTW face = {};
    face.lfHeight = -12;
    face.lfCharSet = SHIFTJIS_CHARSET;
    lstrcpyW(face.lfFaceName, L"ＭＳ Ｐゴシック");
    const HFONT font = CreateFontIndirectW(&face);
#ifdef BENCH_TOOL_CONTROLS
    face.lfHeight = -13;
    face.lfWeight = FW_BOLD;
    const HFONT bold = CreateFontIndirectW(&face);
    makeToolControls(window, instance, font, bold);
#else
    const HWND label = CreateWindowExW(0, WC_STATICW, L"「ORVETA」勤務データの削除",
                                       WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP, 16, 16, 300, 20,
                                       window, nullptr, instance, nullptr);
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    const HWND list = CreateWindowExW(0, WC_COMBOBOXW, L"",
                                      WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
                                      16, 48, 160, 200, window, nullptr, instance, nullptr);
    SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
#endif

    ShowWindow(window, showCommand);
    UpdateWindow(window);
    MSG message = {};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    DeleteObject(font);
#ifdef BENCH_TOOL_CONTROLS
    DeleteObject(bold);
#endif
    return int(message.wParam);
}
