#pragma once

#include "deletion/deletionrun.h"
#include "platform/currentdate.h"
#include "settings/settingsclearing.h"
#include "shell/message.h"
#include "shell/windowdefinition.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace shell {

// What the window's handlers need of a front end.
class MainWindowView
{
public:
    virtual ~MainWindowView() = default;
    MainWindowView(const MainWindowView &) = delete;
    MainWindowView &operator=(const MainWindowView &) = delete;

    // The label shows the text from then on, sized to it; Left and Top stay.
    virtual void setCaption(Control label, std::u16string_view text) = 0;
    // Replaces a list's entries, in order.
    virtual void setListEntries(Control list, const std::vector<std::u16string> &entries) = 0;
    // A text equal to an entry selects that entry.
    virtual void setListText(Control list, std::u16string_view text) = 0;
    [[nodiscard]] virtual std::u16string listText(Control list) const = 0;
    virtual void setFocus(Control control) = 0;
    virtual MessageAnswer showMessage(const Message &message) = 0;
    // Opens a window of the desktop's file manager and returns at once;
    // nothing is shown when the desktop cannot open one, as the user could
    // do nothing about it.
    virtual void openFileManager() = 0;
    // Leaves the event loop: no further handler runs.
    virtual void endProgram() = 0;

protected:
    MainWindowView() = default;
};

// The main window's handlers and the state it holds for them: the install
// path and the count of files deleted since start-up. Both front ends route
// their events here.
class MainWindowCommands final : private deletion::DeletionWindow, private settings::ClearingWindow
{
public:
    explicit MainWindowCommands(MainWindowView &view);

    // Once, before the window is first shown; today is read once by the
    // caller and presets both lists.
    void load(const platform::CalendarDate &today);
    // Each time the window becomes the tool's active window; the settings
    // are read only the first time, when the window first appears.
    void activate();

    // What a button's click or a menu item runs.
    void run(Command command);

    [[nodiscard]] const std::u16string &installPath() const { return installPath_; }
    [[nodiscard]] std::int16_t deletedCount() const { return deletedCount_; }

private:
    std::u16string startPeriodText() const override;
    std::u16string endPeriodText() const override;
    void setDeletedCountCaption(const std::u16string &caption) override;
    void focusStartPeriod() override;
    void setFolderCaption(const std::u16string &caption) override;
    MessageAnswer showMessage(const Message &message) override;

    MainWindowView &view_;
    std::u16string installPath_;
    std::int16_t deletedCount_ = 0;
    bool activated_ = false;
};

} // namespace shell
