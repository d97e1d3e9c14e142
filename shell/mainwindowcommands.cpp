#include "shell/mainwindowcommands.h"

#include "deletion/period.h"
#include "settings/productsettings.h"

namespace shell {

MainWindowCommands::MainWindowCommands(MainWindowView &view)
    : view_(view)
{
}

// Runs once, before the window is first shown. The single-instance rule has
// already been applied by the time the window is made.
void MainWindowCommands::load(const platform::CalendarDate &today)
{
    deletedCount_ = 0;
    view_.setCaption(Control::FolderLabel, {});

    const std::vector<std::u16string> periods = deletion::periodList();
    const std::u16string preset = deletion::presetPeriodText(today);
    for (const Control list : {Control::StartList, Control::EndList}) {
        view_.setListEntries(list, periods);
        view_.setListText(list, preset);
    }
}

void MainWindowCommands::activate()
{
    // Coming back from another program or a message box activates the window
    // too; the folder is read once, when the window first appears.
    if (activated_)
        return;
    activated_ = true;
    installPath_ = settings::readInstallPath();
    if (settings::isInstalled(installPath_))
        view_.setCaption(Control::FolderLabel, settings::dataFolderText(installPath_));
}

void MainWindowCommands::run(Command command)
{
    switch (command) {
    case Command::DeleteMonths:
        deletion::runDeletion(*this, installPath_, deletedCount_);
        break;
    case Command::EndProgram:
        view_.endProgram();
        break;
    case Command::OpenFileManager:
        view_.openFileManager();
        break;
    case Command::ClearSettings:
        settings::clearSettings(*this, installPath_);
        break;
    case Command::None:
        break;
    }
}

std::u16string MainWindowCommands::startPeriodText() const
{
    return view_.listText(Control::StartList);
}

std::u16string MainWindowCommands::endPeriodText() const
{
    return view_.listText(Control::EndList);
}

void MainWindowCommands::setDeletedCountCaption(const std::u16string &caption)
{
    view_.setCaption(Control::DeletedCount, caption);
}

void MainWindowCommands::focusStartPeriod()
{
    view_.setFocus(Control::StartList);
}

void MainWindowCommands::setFolderCaption(const std::u16string &caption)
{
    view_.setCaption(Control::FolderLabel, caption);
}

MessageAnswer MainWindowCommands::showMessage(const Message &message)
{
    return view_.showMessage(message);
}

} // namespace shell
