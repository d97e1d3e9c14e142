#pragma once

// What several test programs need: files, settings and processes of their
// own, a stand-in for the main window and an answer for real message boxes.

#include "deletion/deletionrun.h"
#include "filesupport.h"
#include "shell/message.h"
#include "settings/settingsclearing.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QFontInfo>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <functional>
#include <linux/fs.h>
#include <memory>
#include <optional>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using shell::Message;
using shell::MessageAnswer;
using shell::MessageButtons;
using shell::MessageIcon;

inline QString qs(std::u16string_view text)
{
    return QString(reinterpret_cast<const QChar *>(text.data()), qsizetype(text.size()));
}

inline std::u16string u16(const QString &text)
{
    return text.toStdU16String();
}

namespace shell {
inline char *toString(const Message &message)
{
    return QTest::toString(u"%1 [%2, icon %3, buttons %4]"_s
                               .arg(qs(message.text).replace(CR, u"\\r"_s), qs(message.title))
                               .arg(int(message.icon))
                               .arg(int(message.buttons)));
}
} // namespace shell

namespace QTest {
template<>
inline char *toString(const std::u16string &text)
{
    return QTest::toString(qs(text));
}
} // namespace QTest

// The permission bits of a file, or ~0 when there is none.
[[nodiscard]] inline mode_t fileMode(const QString &path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : ~0u;
}

// Stands in for the main window of a command (deletion::DeletionWindow or
// settings::ClearingWindow): answers every message from a script, OK once it
// runs out, and keeps everything it was shown.
template<typename Window>
class RecordingWindow : public Window
{
public:
    explicit RecordingWindow(QList<MessageAnswer> script = {})
        : answers(std::move(script))
    {
    }

    MessageAnswer showMessage(const Message &message) override
    {
        messages.append(message);
        if (onMessage)
            onMessage(); // what the user does while the message is up
        return answers.isEmpty() ? MessageAnswer::Ok : answers.takeFirst();
    }

    QList<MessageAnswer> answers;
    QList<Message> messages;
    QList<std::u16string> captions; // every text the window's label was given
    std::function<void()> onMessage;
};

// Answers the modal message boxes that come up, one after the other, with the
// given keys and notes how each looked. Qt::Key_Close stands for the box's
// close button, Qt::Key_Cancel for a click on its Cancel button. A box beyond
// the keys gets Escape, so that a surprise fails the test instead of hanging it.
class BoxAnswerer final
{
public:
    struct Shown
    {
        QString text, title;
        Qt::TextFormat format;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        bool okIsDefault;
        QStringList buttonTexts; // as a screen reader names them, left to right
        QString fontFamily;
    };

    explicit BoxAnswerer(QList<Qt::Key> keys = {})
    {
        QObject::connect(&timer_, &QTimer::timeout, [this, keys]() mutable {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            QStringList buttonTexts;
            for (const QAbstractButton *button : box->buttons()) {
                QAccessibleInterface *iface
                    = QAccessible::queryAccessibleInterface(const_cast<QAbstractButton *>(button));
                buttonTexts << (iface ? iface->text(QAccessible::Name) : button->text());
            }
            shown.append({box->text(), box->windowTitle(), box->textFormat(), box->icon(),
                          box->standardButtons(),
                          box->defaultButton() == box->button(QMessageBox::Ok), buttonTexts,
                          QFontInfo(box->font()).family()});
            const Qt::Key key = keys.isEmpty() ? Qt::Key_Escape : keys.takeFirst();
            if (key == Qt::Key_Close)
                box->close();
            else if (key == Qt::Key_Cancel)
                QTest::mouseClick(box->button(QMessageBox::Cancel), Qt::LeftButton);
            else
                QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, key);
        });
        timer_.start(10);
    }
    Q_DISABLE_COPY_MOVE(BoxAnswerer)

    QList<Shown> shown;

private:
    QTimer timer_;
};

// Starts the real program with a home, a runtime, a configuration and a
// temporary folder of its own under root, headless unless environment says
// otherwise.
[[nodiscard]] inline std::unique_ptr<QProcess> startTool(const QDir &root,
                                                         const QStringList &environment = {})
{
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (const QString &setting : QStringList{u"HOME=home"_s, u"XDG_RUNTIME_DIR=runtime"_s,
                                              u"XDG_CONFIG_HOME=config"_s, u"TMPDIR=tmp"_s}) {
        const QString folder = setting.section(u'=', 1);
        root.mkpath(folder);
        variables.insert(setting.section(u'=', 0, 0), root.filePath(folder));
    }
    QFile::setPermissions(root.filePath(u"runtime"_s),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    variables.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    for (const QString &setting : environment) { // NAME=value sets, a bare NAME unsets
        if (setting.contains(u'='))
            variables.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
        else
            variables.remove(setting);
    }
    auto tool = std::make_unique<QProcess>();
    tool->setProcessEnvironment(variables);
    tool->start(QStringLiteral(TOOL_EXECUTABLE), {});
    return tool;
}
