#include "shell/mainwindowcommands.h"

#include "deletion/period.h"
#include "platform/filemanager.h"
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
    view_.setCaption("Label1", {});

    const std::vector<std::u16string> periods = deletion::periodList();
    const std::u16string preset = deletion::presetPeriodText(today);
    for (const std::string_view list : {"Combo1", "Combo2"}) {
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
        view_.setCaption("Label1", settings::dataFolderText(installPath_));
}

void MainWindowCommands::okClicked()
{
    deletion::runDeletion(*this, installPath_, deletedCount_);
}

void MainWindowCommands::cancelClicked()
{
    view_.endProgram();
}

void MainWindowCommands::menuChosen(MenuCommand command)
{
    switch (command) {
    case MenuCommand::StartExplorer:
        platform::openFileManager();
        break;
    case MenuCommand::ClearSettings:
        settings::clearSettings(*this, installPath_);
        break;
    case MenuCommand::EndProgram:
        cancelClicked(); // exactly what the Cancel button does
        break;
    case MenuCommand::None:
        break;
    }
}

std::u16string MainWindowCommands::startPeriodText() const
{
    return view_.listText("Combo1");
}

std::u16string MainWindowCommands::endPeriodText() const
{
    return view_.listText("Combo2");
}

void MainWindowCommands::setDeletedCountCaption(const std::u16string &caption)
{
    view_.setCaption("Label5", caption);
}

void MainWindowCommands::focusStartPeriod()
{
    view_.setFocus("Combo1");
}

void MainWindowCommands::setFolderCaption(const std::u16string &caption)
{
    view_.setCaption("Label1", caption);
}

platform::MessageAnswer MainWindowCommands::showMessage(const platform::Message &message)
{
    return view_.showMessage(message);
}

} // namespace shell
