// A later start of the real program brings the running copy's window to the
// front and ends, on a real X server: a private Xvfb with openbox managing
// the windows.
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Long enough that no load on the machine makes an event miss it; a test
// goes on as soon as the event comes.
constexpr int kPatience = 30000;

} // namespace

class RaiseTest final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QProcess> launch(const QString &program, const QStringList &arguments = {})
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(environment_);
        process->start(program, arguments);
        return process;
    }

    // What an X client tool printed, trimmed; empty when it failed.
    QString ask(const QStringList &arguments)
    {
        const auto tool = launch(arguments.first(), arguments.mid(1));
        if (!tool->waitForFinished(kPatience) || tool->exitCode() != 0)
            return {};
        return QString::fromUtf8(tool->readAllStandardOutput()).trimmed();
    }

    QString activeWindow() { return ask({u"xdotool"_s, u"getactivewindow"_s}); }

    // The visible windows whose title matches the pattern, one per line.
    QString shownWindows(const QString &pattern)
    {
        return ask({u"xdotool"_s, u"search"_s, u"--onlyvisible"_s, u"--name"_s, pattern});
    }

    // The one visible window of that title.
    QString shownWindow(const QString &pattern)
    {
        const QString found = shownWindows(pattern);
        return found.contains(u'\n') ? QString() : found;
    }

    // The window on top of all others, as the window manager stacks them.
    QString topWindow()
    {
        const QString stacking = ask({u"xprop"_s, u"-root"_s, u"_NET_CLIENT_LIST_STACKING"_s});
        bool ok = false;
        const qulonglong id = stacking.split(u' ').last().toULongLong(&ok, 16);
        return ok ? QString::number(id) : QString();
    }

    // Openbox announces itself before it is done starting, and a window that
    // asks to be shown meanwhile may stay hidden: it is ready once it has
    // shown a window.
    bool windowManagerIsReady()
    {
        if (windowManager_->state() != QProcess::Running
            || !ask({u"xprop"_s, u"-root"_s, u"_NET_SUPPORTING_WM_CHECK"_s}).contains(u"window id"))
            return false;
        auto probe = launch(u"xmessage"_s, {u"ready"_s});
        const bool shown
            = QTest::qWaitFor([this] { return !shownWindow(u"^xmessage$"_s).isEmpty(); }, 1000);
        stop(probe);
        return shown;
    }

    static QString nextLine(QProcess *process)
    {
        const QDeadlineTimer deadline(kPatience);
        while (!process->canReadLine() && !deadline.hasExpired())
            if (!process->waitForReadyRead(100) && process->state() == QProcess::NotRunning)
                break;
        return QString::fromUtf8(process->readLine()).trimmed();
    }

    static void stop(std::unique_ptr<QProcess> &process)
    {
        if (!process)
            return;
        process->terminate();
        if (!process->waitForFinished(5000)) {
            process->kill();
            process->waitForFinished(5000);
        }
        process.reset();
    }

    QTemporaryDir root_;
    QProcessEnvironment environment_ = QProcessEnvironment::systemEnvironment();
    std::unique_ptr<QProcess> server_, windowManager_, tool_, cover_;
    QString toolWindow_;

private slots:
    void initTestCase()
    {
        for (const QString &tool :
             {u"Xvfb"_s, u"openbox"_s, u"xdotool"_s, u"xprop"_s, u"xmessage"_s})
            if (QStandardPaths::findExecutable(tool).isEmpty())
                QSKIP(qPrintable(tool + u" is needed to show windows on an X server of our own"_s));
        QVERIFY(root_.isValid());
        for (const char *name : {"XDG_ACTIVATION_TOKEN", "DESKTOP_STARTUP_ID", "WAYLAND_DISPLAY",
                                 "XDG_STATE_HOME", "XDG_CACHE_HOME"})
            environment_.remove(QString::fromLatin1(name));
        // The tool's own folders: no settings, a lock of its own.
        const QDir root(root_.path());
        for (const QString &setting : {u"HOME=home"_s, u"XDG_RUNTIME_DIR=runtime"_s,
                                       u"XDG_CONFIG_HOME=config"_s, u"TMPDIR=tmp"_s}) {
            const QString folder = setting.section(u'=', 1);
            QVERIFY(root.mkpath(folder));
            environment_.insert(setting.section(u'=', 0, 0), root.filePath(folder));
        }
        QVERIFY(QFile::setPermissions(root.filePath(u"runtime"_s),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        environment_.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);

        // Other X servers may come and go on this machine meanwhile, so the
        // display is drawn at random away from the usual numbers, and drawn
        // again if it was taken.
        for (int attempt = 0; attempt < 5 && !windowManager_; ++attempt) {
            const QString display
                = u':' + QString::number(QRandomGenerator::global()->bounded(200, 900));
            server_ = launch(u"Xvfb"_s, {display, u"-displayfd"_s, u"1"_s, u"-screen"_s, u"0"_s,
                                         u"800x600x24"_s, u"-nolisten"_s, u"tcp"_s});
            if (nextLine(server_.get()).isEmpty()) {
                stop(server_);
                continue;
            }
            environment_.insert(u"DISPLAY"_s, display);
            windowManager_ = launch(u"openbox"_s);
            if (!QTest::qWaitFor([this] { return windowManagerIsReady(); }, kPatience)) {
                stop(windowManager_);
                stop(server_);
            }
        }
        QVERIFY2(windowManager_, "no X server with a window manager could be started");
    }

    void cleanupTestCase()
    {
        stop(windowManager_);
        stop(server_);
    }

    void init()
    {
        tool_ = launch(QStringLiteral(TOOL_EXECUTABLE));
        QTRY_VERIFY_WITH_TIMEOUT(!(toolWindow_ = shownWindow(u"KORVEL"_s)).isEmpty(), kPatience);
    }

    void cleanup()
    {
        stop(cover_);
        stop(tool_);
    }

    void shouldComeToTheFront_data()
    {
        QTest::addColumn<bool>("minimised");
        QTest::newRow("covered by another window") << false;
        QTest::newRow("minimised") << true;
    }
    void shouldComeToTheFront()
    {
        QFETCH(bool, minimised);
        if (minimised) {
            QCOMPARE(ask({u"xdotool"_s, u"windowminimize"_s, u"--sync"_s, toolWindow_}), QString());
        } else {
            // The user turns to another window that hides ours.
            cover_ = launch(u"xmessage"_s, {u"-geometry"_s, u"800x600+0+0"_s, u"cover"_s});
            QString cover;
            QTRY_VERIFY_WITH_TIMEOUT(!(cover = shownWindow(u"^xmessage$"_s)).isEmpty(),
                                     kPatience);
            QCOMPARE(ask({u"xdotool"_s, u"windowactivate"_s, u"--sync"_s, cover}), QString());
            QTRY_COMPARE_WITH_TIMEOUT(topWindow(), cover, kPatience);
        }
        QTRY_VERIFY_WITH_TIMEOUT(activeWindow() != toolWindow_, kPatience);

        const auto later = launch(QStringLiteral(TOOL_EXECUTABLE));
        QVERIFY(later->waitForFinished(kPatience));
        QCOMPARE(later->exitStatus(), QProcess::NormalExit);
        QCOMPARE(later->exitCode(), 0);
        QCOMPARE(later->readAllStandardError(), QByteArray());
        QTRY_COMPARE_WITH_TIMEOUT(activeWindow(), toolWindow_, kPatience);
        QTRY_COMPARE_WITH_TIMEOUT(topWindow(), toolWindow_, kPatience);
        // The first copy runs on, alone with its window.
        QCOMPARE(tool_->state(), QProcess::Running);
        QCOMPARE(shownWindows(u"KORVEL"_s), toolWindow_);
    }
};

QTEST_GUILESS_MAIN(RaiseTest)
#include "tst_raise.moc"
