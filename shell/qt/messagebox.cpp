#include "shell/qt/messagebox.h"

#include "shell/qt/displaytext.h"

#include <QMessageBox>
#include <QPushButton>

namespace shell {

platform::MessageAnswer showMessageBox(QWidget *parent, const platform::Message &message)
{
    using platform::MessageButtons;
    using platform::MessageIcon;

    QMessageBox box(parent);
    box.setWindowTitle(displayText(message.title));
    // The texts break their lines with CR; not every style honours it, so
    // hand the box real line feeds and keep it from guessing rich text.
    QString text = displayText(message.text);
    text.replace(platform::CR, u'\n');
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setIcon(message.icon == MessageIcon::Question ? QMessageBox::Question
                                                      : QMessageBox::Warning);
    if (message.buttons == MessageButtons::OkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        // The whole window speaks Japanese, whatever the locale and whether
        // or not a Qt translation is installed.
        box.button(QMessageBox::Cancel)->setText(QStringLiteral("キャンセル"));
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok ? platform::MessageAnswer::Ok
                                         : platform::MessageAnswer::Cancel;
}

} // namespace shell
