#include "shell/qt/messagebox.h"

#include "shell/messagelayout.h"
#include "shell/qt/displaytext.h"
#include "shell/texts.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace shell {
namespace {

void setLines(QMessageBox &box, const std::u16string &text)
{
    // The texts break their lines with CR; not every style honours it, so
    // the box gets real line feeds.
    QString lines = displayText(text);
    lines.replace(CR, u'\n');
    box.setText(lines);
}

// QMessageBox keeps the lines it is given while the box stays within half
// the screen and 500 pixels; past that it rewraps them at spaces only and
// cuts a long path at its edge. Lines are kept within the room the text has
// in a box of that width, measured in the font the box shows them in.
void setFittingLines(QMessageBox &box, const std::u16string &text)
{
    setLines(box, text);
    box.ensurePolished();
    const auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
    const int boxLimit = std::min(box.screen()->availableGeometry().width() / 2, 500);
    if (!label || !box.layout() || box.layout()->totalMinimumSize().width() <= boxLimit)
        return;
    // The margins, the icon and the gap beside it.
    const int framing = box.layout()->totalMinimumSize().width() - label->minimumSizeHint().width();
    const QFontMetrics metrics(label->font());
    const std::u16string broken
        = breakLongLines(text, boxLimit - framing, [&metrics](std::u16string_view line) {
              // As QLabel measures its text.
              return metrics
                  .boundingRect(QRect(0, 0, QWIDGETSIZE_MAX, QWIDGETSIZE_MAX), Qt::AlignLeft,
                                displayText(line))
                  .width();
          });
    setLines(box, broken);
}

} // namespace

MessageAnswer showMessageBox(QWidget *parent, const Message &message)
{
    QMessageBox box(parent);
    box.setWindowTitle(displayText(message.title));
    box.setIcon(message.icon == MessageIcon::Question ? QMessageBox::Question
                                                      : QMessageBox::Warning);
    if (message.buttons == MessageButtons::OkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        // The whole window speaks Japanese, whatever the locale and whether
        // or not a Qt translation is installed.
        box.button(QMessageBox::Cancel)->setText(displayText(texts::kBoxCancel));
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    box.button(QMessageBox::Ok)->setText(displayText(texts::kBoxOk));
    box.setDefaultButton(QMessageBox::Ok);
    // Never guessed to be rich text.
    box.setTextFormat(Qt::PlainText);
    setFittingLines(box, message.text);
    return box.exec() == QMessageBox::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

} // namespace shell
