#pragma once

#include "platform/currentdate.h"
#include "platform/instancelock.h"
#include "platform/result.h"
#include "shell/mainwindowcommands.h"

#include <array>
#include <memory>
#include <optional>
#include <string_view>
#include <windows.h>

namespace shell {

// The window class, by which a later start finds the running copy's window.
inline const wchar_t *const kMainWindowClass
    = reinterpret_cast<const wchar_t *>(platform::kMainWindowClassName);

// The tool's only window, on Win32: builds the controls and the menu of
// kControls and kMenuItems, lays them out for the monitor's DPI and routes
// their events to MainWindowCommands. Every control is a direct child of the
// window, so that the dialog manager's Tab and arrow keys reach them all; a
// control inside a frame is placed at the frame's offset plus its own.
class MainWindow final : private MainWindowView
{
public:
    // Builds the window hidden and runs the load handler; today presets both
    // month lists and is read once, by the caller. A failure when the system
    // refuses the window or one of its controls.
    [[nodiscard]] static platform::Result<std::unique_ptr<MainWindow>>
    create(HINSTANCE instance, const platform::CalendarDate &today);
    ~MainWindow() override;

    void show(int showCommand);
    // True when the message was the window's keyboard navigation and has
    // been handled: Tab, Shift+Tab, the arrow keys, Enter and Space.
    [[nodiscard]] bool handleDialogMessage(MSG &message);

private:
    explicit MainWindow(HINSTANCE instance);
    [[nodiscard]] platform::Result<> build(const platform::CalendarDate &today);

    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void onCommand(WPARAM wParam, LPARAM lParam);
    LRESULT onControlColour(HDC dc, HWND control) const;
    void onActivate(WPARAM wParam);
    void onDpiChanged(UINT dpi, const RECT &suggested);

    [[nodiscard]] platform::Result<> createControls();
    void createToolTips();
    void createFonts();
    void layOut();
    void fitWindowToClient(const POINT *topLeft);
    void fitLabel(Control label);
    void fitListHeight(Control list);

    [[nodiscard]] int scaled(int twips) const;
    [[nodiscard]] RECT clientRect(Control control) const;
    [[nodiscard]] RECT placement(const ControlDefinition &definition,
                                 std::wstring_view text) const;
    [[nodiscard]] HWND control(Control control) const;
    [[nodiscard]] HFONT fontFor(const ControlDefinition &definition) const;

    void setCaption(Control label, std::u16string_view text) override;
    void setListEntries(Control list, const std::vector<std::u16string> &entries) override;
    void setListText(Control list, std::u16string_view text) override;
    std::u16string listText(Control list) const override;
    void setFocus(Control control) override;
    MessageAnswer showMessage(const Message &message) override;
    void openFileManager() override;
    void endProgram() override;

    HINSTANCE instance_;
    HWND window_ = nullptr;
    HWND toolTips_ = nullptr;
    HWND lastFocus_ = nullptr; // restored when the window is activated again
    UINT dpi_ = 96;
    // How much higher a month list's box is than its selection field as set,
    // once found: the same for both lists at one DPI.
    std::optional<int> listFrameHeight_;
    HFONT regularFont_ = nullptr;
    HFONT boldFont_ = nullptr;
    std::array<HWND, kControls.size()> controls_{}; // as kControls
    MainWindowCommands commands_{*this};
};

} // namespace shell
