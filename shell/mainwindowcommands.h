#pragma once

#include "deletion/deletionrun.h"
#include "platform/currentdate.h"
#include "settings/settingsclearing.h"
#include "shell/windowdefinition.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace shell {

// What the window's handlers need of a front end. Controls are named as in
// kControls.
class MainWindowView
{
public:
    virtual ~MainWindowView() = default;
    MainWindowView(const MainWindowView &) = delete;
    MainWindowView &operator=(const MainWindowView &) = delete;

    // The label shows the text from then on, sized to it; Left and Top stay.
    virtual void setCaption(std::string_view label, std::u16string_view text) = 0;
    // Replaces a list's entries, in order.
    virtual void setListEntries(std::string_view list, const std::vector<std::u16string> &entries)
        = 0;
    // A text equal to an entry selects that entry.
    virtual void setListText(std::string_view list, std::u16string_view text) = 0;
    [[nodiscard]] virtual std::u16string listText(std::string_view list) const = 0;
    virtual void setFocus(std::string_view control) = 0;
    virtual platform::MessageAnswer showMessage(const platform::Message &message) = 0;
    // Leaves the event loop: no further handler runs.
    virtual void endProgram() = 0;

protected:
    MainWindowView() = default;
};

// The main window's handlers and the state it holds for them: the install
// path and the count of files deleted since start-up. Both front ends route
// their events here.
class MainWindowCommands final : private deletion::DeletionWindow,
                                 private settings::ClearingWindow
{
public:
    explicit MainWindowCommands(MainWindowView &view);

    // Once, before the window is first shown; today is read once by the
    // caller and presets both lists.
    void load(const platform::CalendarDate &today);
    // Each time the window becomes the tool's active window; the settings
    // are read only the first time, when the window first appears.
    void activate();

    void okClicked(); // Command1
    void cancelClicked(); // Command2
    void menuChosen(MenuCommand command);

    [[nodiscard]] const std::u16string &installPath() const { return installPath_; }
    [[nodiscard]] std::int16_t deletedCount() const { return deletedCount_; }

private:
    std::u16string startPeriodText() const override;
    std::u16string endPeriodText() const override;
    void setDeletedCountCaption(const std::u16string &caption) override;
    void focusStartPeriod() override;
    void setFolderCaption(const std::u16string &caption) override;
    platform::MessageAnswer showMessage(const platform::Message &message) override;

    MainWindowView &view_;
    std::u16string installPath_;
    std::int16_t deletedCount_ = 0;
    bool activated_ = false;
};

} // namespace shell
