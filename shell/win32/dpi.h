#pragma once

#include <windows.h>

// The per-monitor DPI functions of Windows 10 (1607 and later), looked up at
// run time so that the program still starts on older Windows, where the
// system DPI stands in for the monitor's.
namespace shell {

inline constexpr UINT kDesignDpi = 96;

// Per-monitor (v2) DPI awareness for the process, unless the manifest has
// already set it.
void enablePerMonitorDpiAwareness();

// The DPI the window is laid out for: its monitor's.
[[nodiscard]] UINT dpiForWindow(HWND window);

// The window rectangle that gives the client rectangle, at that DPI.
void adjustWindowRectForDpi(RECT &rect, DWORD style, bool hasMenu, DWORD exStyle, UINT dpi);

// The font Windows shows message boxes' texts in, at that DPI.
[[nodiscard]] LOGFONTW messageBoxFont(UINT dpi);

} // namespace shell
