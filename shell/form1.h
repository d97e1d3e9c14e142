#pragma once

#include "deletion/deletionrun.h"
#include "settings/settingsclearing.h"

#include <QMainWindow>
#include <QString>

class QAction;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;

// The tool's only window. Controls and menu items carry the names the
// program shows them by (Combo1, Label5, P_EXPL, ...), as member and object
// names alike.
class Form1 final : public QMainWindow,
                    private deletion::DeletionWindow,
                    private settings::ClearingWindow
{
    Q_OBJECT

public:
    explicit Form1(QWidget *parent = nullptr);
    Q_DISABLE_COPY_MOVE(Form1)

    // The window's state, shared by the commands for the life of the program.
    [[nodiscard]] QString installPath() const { return installPath_; }
    [[nodiscard]] qint16 deletedCount() const { return deletedCount_; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildControls();
    void buildMenu();
    void load();
    void activate();

    // What the deletion run and the settings clearing reach the window by.
    QString startPeriodText() const override;
    QString endPeriodText() const override;
    void setDeletedCountCaption(const QString &caption) override;
    void focusStartPeriod() override;
    void setFolderCaption(const QString &caption) override;
    platform::MessageAnswer showMessage(const platform::Message &message) override;

    void Command1_Click();
    void Command2_Click();
    void P_EXPL_Click();
    void Reg_DEL_Click();
    void P_END_Click();

    QString installPath_;
    qint16 deletedCount_ = 0;
    bool activated_ = false;

    QFrame *Frame3 = nullptr;
    QLabel *Label2_0 = nullptr;
    QLabel *Label5 = nullptr;
    QGroupBox *Frame1 = nullptr;
    QLabel *Label4_0 = nullptr;
    QComboBox *Combo1 = nullptr;
    QLabel *Label4_1 = nullptr;
    QComboBox *Combo2 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    QGroupBox *Frame2 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2_1 = nullptr;
    QLabel *Label4_2 = nullptr;

    QMenu *f000 = nullptr;
    QAction *P_EXPL = nullptr;
    QAction *f001 = nullptr;
    QAction *Reg_DEL = nullptr;
    QAction *f002 = nullptr;
    QAction *P_END = nullptr;
};
