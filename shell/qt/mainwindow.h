#pragma once

#include "platform/currentdate.h"
#include "shell/mainwindowcommands.h"

#include <QMainWindow>

#include <array>

class QComboBox;
class QLabel;

namespace shell {

// The tool's only window, on Qt: builds the controls and the menu of
// kControls and kMenuItems and routes their events to MainWindowCommands.
// Controls and menu items carry the names the program shows them by
// (Combo1, Label5, P_EXPL, ...) as object names.
class MainWindow final : public QMainWindow, private MainWindowView
{
    Q_OBJECT

public:
    // today presets both month lists; it is read once, by the caller.
    explicit MainWindow(const platform::CalendarDate &today = platform::currentLocalDate(),
                        QWidget *parent = nullptr);
    Q_DISABLE_COPY_MOVE(MainWindow)

    [[nodiscard]] const MainWindowCommands &commands() const { return commands_; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildControls();
    void buildMenu();

    void setCaption(Control label, std::u16string_view text) override;
    void setListEntries(Control list, const std::vector<std::u16string> &entries) override;
    void setListText(Control list, std::u16string_view text) override;
    std::u16string listText(Control list) const override;
    void setFocus(Control control) override;
    MessageAnswer showMessage(const Message &message) override;
    void openFileManager() override;
    void endProgram() override;

    QWidget *control(Control control) const;
    QLabel *label(Control label) const;
    QComboBox *list(Control list) const;

    MainWindowCommands commands_{*this};
    std::array<QWidget *, kControls.size()> controls_{}; // as kControls
};

} // namespace shell
