#include "platform/messagebox.h"

#include <QMessageBox>

namespace platform {

MessageAnswer showMessageBox(QWidget *parent, const Message &message)
{
    QMessageBox box(parent);
    box.setWindowTitle(message.title);
    // The texts break their lines with CR; not every style honours it, so
    // hand the box real line feeds and keep it from guessing rich text.
    QString text = message.text;
    text.replace(CR, u'\n');
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setIcon(message.icon == MessageIcon::Question ? QMessageBox::Question
                                                      : QMessageBox::Warning);
    if (message.buttons == MessageButtons::OkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

} // namespace platform
