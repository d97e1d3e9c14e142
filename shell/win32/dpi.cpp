#include "shell/win32/dpi.h"

namespace shell {
namespace {

template<typename Function>
Function user32Function(const char *name)
{
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    // GetProcAddress gives a generic pointer that has to be cast back to the
    // function's real type.
    return user32
               ? reinterpret_cast<Function>(reinterpret_cast<void *>(GetProcAddress(user32, name)))
               : nullptr;
}

} // namespace

void enablePerMonitorDpiAwareness()
{
    using SetContext = BOOL(WINAPI *)(HANDLE);
    // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
    const auto perMonitorV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
    if (const auto set = user32Function<SetContext>("SetProcessDpiAwarenessContext"))
        set(perMonitorV2);
}

UINT dpiForWindow(HWND window)
{
    using GetDpi = UINT(WINAPI *)(HWND);
    static const auto getDpi = user32Function<GetDpi>("GetDpiForWindow");
    if (getDpi) {
        if (const UINT dpi = getDpi(window))
            return dpi;
    }
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? UINT(dpi) : kDesignDpi;
}

void adjustWindowRectForDpi(RECT &rect, DWORD style, bool hasMenu, DWORD exStyle, UINT dpi)
{
    using Adjust = BOOL(WINAPI *)(RECT *, DWORD, BOOL, DWORD, UINT);
    static const auto adjust = user32Function<Adjust>("AdjustWindowRectExForDpi");
    if (!adjust || !adjust(&rect, style, hasMenu, exStyle, dpi))
        AdjustWindowRectEx(&rect, style, hasMenu, exStyle);
}

LOGFONTW messageBoxFont(UINT dpi)
{
    using ParametersForDpi = BOOL(WINAPI *)(UINT, UINT, PVOID, UINT, UINT);
    static const auto parametersForDpi
        = user32Function<ParametersForDpi>("SystemParametersInfoForDpi");
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (parametersForDpi
        && parametersForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi))
        return metrics.lfMessageFont;
    // Given for the system's DPI.
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    const HDC screen = GetDC(nullptr);
    const int systemDpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    if (systemDpi > 0)
        metrics.lfMessageFont.lfHeight
            = MulDiv(metrics.lfMessageFont.lfHeight, int(dpi), systemDpi);
    return metrics.lfMessageFont;
}

} // namespace shell
