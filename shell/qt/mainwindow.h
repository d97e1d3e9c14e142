#pragma once

#include "platform/currentdate.h"
#include "shell/mainwindowcommands.h"

#include <QHash>
#include <QMainWindow>

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

    void setCaption(std::string_view label, std::u16string_view text) override;
    void setListEntries(std::string_view list, const std::vector<std::u16string> &entries) override;
    void setListText(std::string_view list, std::u16string_view text) override;
    std::u16string listText(std::string_view list) const override;
    void setFocus(std::string_view control) override;
    platform::MessageAnswer showMessage(const platform::Message &message) override;
    void endProgram() override;

    QWidget *control(std::string_view name) const;
    QLabel *label(std::string_view name) const;
    QComboBox *list(std::string_view name) const;

    MainWindowCommands commands_{*this};
    QHash<QByteArray, QWidget *> controls_;
};

} // namespace shell
