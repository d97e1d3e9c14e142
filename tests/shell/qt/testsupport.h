#pragma once

// What the Qt face's test programs share: the window's controls and menu
// items found by their names in the window table, files and settings of the
// tests' own, an answer for real message boxes, and the real program
// started on its own folders.

#include "shell/message.h"
#include "shell/windowdefinition.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;
using shell::Command;
using shell::Control;
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

// The object name the window gives the control: its name in the window
// table.
inline QString controlName(Control control)
{
    const std::string_view name = shell::definitionOf(control).name;
    return QString::fromLatin1(name.data(), qsizetype(name.size()));
}

// The window's widget of that control.
template<typename Widget = QWidget>
Widget *controlOf(const QObject &window, Control control)
{
    return window.findChild<Widget *>(controlName(control));
}

// The window's menu item that runs the command.
inline QAction *menuItemFor(const QObject &window, Command command)
{
    for (const shell::MenuItemDefinition &item : shell::kMenuItems)
        if (item.command == command)
            return window.findChild<QAction *>(
                QString::fromLatin1(item.name.data(), qsizetype(item.name.size())));
    return nullptr;
}

[[nodiscard]] inline bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

[[nodiscard]] inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Everything a folder holds, hidden entries included, by name.
[[nodiscard]] inline QStringList folderEntries(const QString &path)
{
    return QDir(path).entryList(
        QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// A configuration folder of its own, named by XDG_CONFIG_HOME while it
// lives, so that no test reads or changes the user's real KORVEL.ini.
class TemporaryConfig final
{
public:
    TemporaryConfig()
        : old_(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")
                   ? std::optional(qgetenv("XDG_CONFIG_HOME"))
                   : std::nullopt)
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
    }
    ~TemporaryConfig() { old_ ? qputenv("XDG_CONFIG_HOME", *old_) : qunsetenv("XDG_CONFIG_HOME"); }
    Q_DISABLE_COPY_MOVE(TemporaryConfig)

    QString iniPath() const { return dir.filePath(u"KORVEL.ini"_s); }

    QTemporaryDir dir;

private:
    const std::optional<QByteArray> old_;
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
