#include "shell/qt/mainwindow.h"
#include "tests/shell/qt/testsupport.h"

#include <QDesktopServices>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QUrl>

// The window's commands that leave the tool's own work: the file manager and
// the two ways out. In-process where a URL handler can stand in for the
// desktop, otherwise the real program on a virtual X display driven by
// xdotool.
class CommandsTest final : public QObject
{
    Q_OBJECT

public slots:
    void recordOpenedUrl(const QUrl &url) { openedUrls_ << url; }

private slots:
    void cleanupTestCase()
    {
        if (display_) {
            display_->terminate();
            display_->waitForFinished(5000);
        }
    }

    void shouldOpenHomeFolderInFileManager()
    {
        const TemporaryConfig config;
        QDesktopServices::setUrlHandler(u"file"_s, this, "recordOpenedUrl");
        const auto unhandle = qScopeGuard([] { QDesktopServices::unsetUrlHandler(u"file"_s); });
        shell::MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window, 30000));

        menuItemFor(window, Command::OpenFileManager)->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(openedUrls_, QList{QUrl::fromLocalFile(QDir::homePath())});
        QVERIFY(window.isVisible());
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
    }

    void shouldEndOnlyWhenAsked_data()
    {
        QTest::addColumn<QStringList>("keys");
        // And Space on the Cancel button ends the tool after it.
        QTest::addColumn<bool>("opensFileManager");
        // The window opens with the focus on the Cancel button, which Space presses.
        QTest::newRow("Cancel button") << QStringList{u"space"_s} << false;
        QTest::newRow("exit item") << QStringList{u"alt+f"_s, u"c"_s} << false;
        QTest::newRow("file manager item") << QStringList{u"alt+f"_s, u"e"_s} << true;
    }
    void shouldEndOnlyWhenAsked()
    {
        QFETCH(QStringList, keys);
        QFETCH(bool, opensFileManager);
        if (QStandardPaths::findExecutable(u"Xvfb"_s).isEmpty()
            || QStandardPaths::findExecutable(u"xdotool"_s).isEmpty())
            QSKIP("Xvfb and xdotool are not installed (packages xvfb and xdotool)");
        if (!display_) {
            // One display for the whole run: it picks a free number and
            // writes it out once it is ready.
            display_.emplace();
            display_->start(u"Xvfb"_s, {u"-displayfd"_s, u"1"_s, u"-nolisten"_s, u"tcp"_s});
            while (!display_->canReadLine() && display_->waitForReadyRead(30000)) { }
            QVERIFY2(display_->canReadLine(), display_->readAllStandardError().constData());
            displayName_ = u':' + QString::fromLatin1(display_->readLine().trimmed());
        }
        // A stand-in for the desktop's xdg-open, found first on the tool's PATH.
        const QTemporaryDir folders;
        const QString fake = folders.filePath(u"bin/xdg-open"_s);
        const QString log = folders.filePath(u"opened"_s);
        QVERIFY(QDir(folders.path()).mkdir(u"bin"_s));
        QVERIFY(writeFile(
            fake,
            QFile::encodeName(
                u"#!/bin/sh\nprintf '%s\\n' \"$@\" > '%1.part'\nmv '%1.part' '%1'\n"_s.arg(log))));
        QVERIFY(
            QFile::setPermissions(fake, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

        const auto tool = startTool(
            QDir(folders.path()),
            {u"QT_QPA_PLATFORM=xcb"_s, u"XAUTHORITY"_s, u"DISPLAY="_s + displayName_,
             u"PATH="_s + folders.filePath(u"bin"_s) + u':' + qEnvironmentVariable("PATH")});
        const auto stop = qScopeGuard([&] {
            tool->kill();
            tool->waitForFinished(5000);
        });
        QVERIFY2(tool->waitForStarted(30000), qPrintable(tool->errorString()));
        // No window manager runs on the display, so the window is given the
        // keyboard directly once it is mapped. One call per key, each typed
        // into whatever has the focus, so that a menu opened by the previous
        // key gets the next one.
        QVERIFY2(xdotool({u"search"_s, u"--sync"_s, u"--onlyvisible"_s, u"--name"_s, u"KORVEL"_s,
                          u"windowfocus"_s, u"--sync"_s}),
                 tool->readAllStandardError().constData());
        for (const QString &key : keys)
            QVERIFY(xdotool({u"key"_s, key}));
        if (opensFileManager) {
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(log), 30000);
            const QString home = folders.filePath(u"home"_s);
            const QString argument = QString::fromLocal8Bit(readFile(log)).trimmed();
            // Qt hands xdg-open the URL (file:///...); the bare path would do too.
            QVERIFY2(argument == QUrl::fromLocalFile(home).toString() || argument == home,
                     qPrintable(argument));
            QCOMPARE(tool->state(), QProcess::Running);
            // Still with the focus on the Cancel button: no message box came up.
            QVERIFY(xdotool({u"key"_s, u"space"_s}));
        }
        QVERIFY2(tool->waitForFinished(30000), "the tool kept running");
        QCOMPARE(tool->exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool->exitCode(), 0);
    }

private:
    bool xdotool(const QStringList &arguments)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"DISPLAY"_s, displayName_);
        environment.remove(u"XAUTHORITY"_s);
        process.setProcessEnvironment(environment);
        process.start(u"xdotool"_s, arguments);
        if (process.waitForFinished(30000))
            return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
        process.kill();
        process.waitForFinished(5000);
        return false;
    }

    QList<QUrl> openedUrls_;
    std::optional<QProcess> display_;
    QString displayName_;
};

QTEST_MAIN(CommandsTest)
#include "tst_commands.moc"
