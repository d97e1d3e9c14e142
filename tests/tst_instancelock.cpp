// Runs copies of the lockholder helper against private folders: only one may
// run at a time, and later ones ask it to come to the front.
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <memory>
#include <optional>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr uid_t kNobody = 65534;
const QString kLockName = u"orveta-workdata-delete.lock"_s;
const QString kSocketName = u"orveta-workdata-delete.socket"_s;

bool changeOwner(const QString &path, uid_t owner)
{
    return ::lchown(QFile::encodeName(path).constData(), owner, owner) == 0;
}

mode_t modeOf(const QString &path)
{
    struct stat info = {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : ~0u;
}

// Connects to the socket as another user and sends a line: true once
// connected. The line may find the other end already closed.
bool sendAsNobody(const QString &socketPath, const QByteArray &line)
{
    sockaddr_un address{AF_UNIX, {}};
    qstrncpy(address.sun_path, QFile::encodeName(socketPath).constData(), sizeof address.sun_path);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const bool connected
            = ::setresgid(kNobody, kNobody, kNobody) == 0
              && ::setresuid(kNobody, kNobody, kNobody) == 0
              && ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
        if (connected)
            ::send(fd, line.constData(), size_t(line.size()), MSG_NOSIGNAL);
        ::_exit(connected ? 0 : 1);
    }
    int status = 0;
    pid_t waited = -1;
    while (pid > 0 && (waited = ::waitpid(pid, &status, 0)) < 0 && errno == EINTR) { }
    return waited == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

class InstanceLockTest final : public QObject
{
    Q_OBJECT

private:
    QString runtimePath() const { return root_->filePath(u"runtime"_s); }
    // The folders under the home that serve without a runtime folder.
    QString statePath() const
    {
        return root_->filePath(u"home/.local/state/orveta-workdata-delete"_s);
    }
    QString cachePath() const { return root_->filePath(u"home/.cache/orveta-workdata-delete"_s); }
    // Where the lock once went without a runtime folder, and where anybody
    // can make a folder of that name first.
    QString temporaryPath() const
    {
        return root_->filePath(u"tmp/orveta-workdata-delete-%1"_s.arg(::geteuid()));
    }

    // Starts a copy with the given variables: NAME=value sets, a bare NAME
    // unsets, and {root} in a value stands for the test's own folder. Every
    // copy has a runtime, a home and a temporary folder of its own.
    QProcess *start(const QStringList &environment = {}, bool asNobody = false)
    {
        QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"XDG_ACTIVATION_TOKEN", "DESKTOP_STARTUP_ID"})
            variables.remove(QString::fromLatin1(name));
        variables.insert(u"XDG_RUNTIME_DIR"_s, runtimePath());
        variables.insert(u"HOME"_s, root_->filePath(u"home"_s));
        variables.insert(u"TMPDIR"_s, root_->filePath(u"tmp"_s));
        for (const char *name : {"XDG_STATE_HOME", "XDG_CACHE_HOME"})
            variables.remove(QString::fromLatin1(name));
        for (const QString &setting : environment) {
            const qsizetype equals = setting.indexOf(u'=');
            if (equals < 0)
                variables.remove(setting);
            else
                variables.insert(setting.left(equals),
                                 setting.mid(equals + 1).replace(u"{root}"_s, root_->path()));
        }
        auto &copy = copies_.emplace_back(std::make_unique<QProcess>());
        copy->setProcessEnvironment(variables);
        if (asNobody)
            copy->start(u"setpriv"_s, {u"--reuid=65534"_s, u"--regid=65534"_s, u"--clear-groups"_s,
                                       QStringLiteral(LOCKHOLDER_EXECUTABLE)});
        else
            copy->start(QStringLiteral(LOCKHOLDER_EXECUTABLE), {});
        return copy.get();
    }

    // The next line the copy prints, without its end, or nothing within five
    // seconds.
    static QString nextLine(QProcess *copy)
    {
        const QDeadlineTimer deadline(5000);
        while (!copy->canReadLine() && !deadline.hasExpired())
            if (!copy->waitForReadyRead(100) && copy->state() == QProcess::NotRunning)
                break;
        const QString line = QString::fromUtf8(copy->readLine());
        return line.endsWith(u'\n') ? line.chopped(1) : line;
    }

    // What a copy that ends by itself printed, or "(running)".
    static QString endedWith(QProcess *copy)
    {
        if (!copy->waitForFinished(5000))
            return u"(running)"_s;
        return QString::fromUtf8(copy->readAllStandardOutput()).trimmed();
    }

    std::optional<QTemporaryDir> root_;
    std::vector<std::unique_ptr<QProcess>> copies_;

private slots:
    void init()
    {
        QVERIFY(root_.emplace().isValid());
        for (const QString &folder : {u"runtime"_s, u"home"_s, u"tmp"_s})
            QVERIFY(QDir(root_->path()).mkpath(folder));
        QVERIFY(QFile::setPermissions(runtimePath(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }

    void cleanup()
    {
        for (const auto &copy : copies_) {
            copy->kill(); // stopped ones too
            copy->waitForFinished(5000);
        }
        copies_.clear();
    }

    // Each later start is turned away and brings the first to the front.
    // Without a runtime folder the lock goes under the home, never into the
    // temporary folder. A socket's address holds 107 bytes: the way to the
    // socket does not depend on the folder's path.
    void shouldRunOneCopyAtATime_data()
    {
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QString>("folder"); // where the lock is, in the test's folder
        QString deep = u"deep"_s;
        while (deep.size() < 200)
            deep += u"/folder-of-a-long-path"_s;
        QTest::newRow("runtime folder") << QStringList() << u"runtime"_s;
        QTest::newRow("runtime folder of 200 characters")
            << QStringList{u"XDG_RUNTIME_DIR={root}/"_s + deep} << deep;
        QTest::newRow("no runtime folder")
            << QStringList{u"XDG_RUNTIME_DIR"_s} << u"home/.local/state/orveta-workdata-delete"_s;
        QTest::newRow("no runtime folder, state folder of 200 characters")
            << QStringList{u"XDG_RUNTIME_DIR"_s, u"XDG_STATE_HOME={root}/"_s + deep}
            << deep + u"/orveta-workdata-delete"_s;
    }
    void shouldRunOneCopyAtATime()
    {
        QFETCH(QStringList, environment);
        QFETCH(QString, folder);
        folder = root_->filePath(folder);
        if (!environment.filter(u"XDG_RUNTIME_DIR="_s).isEmpty())
            QVERIFY(QDir().mkpath(folder) && ::chmod(QFile::encodeName(folder), 0700) == 0);
        QProcess *first = start(environment);
        QCOMPARE(nextLine(first), u"first"_s);
        for (int i = 0; i < 20; ++i) {
            QProcess *later = start(environment + QStringList{u"XDG_ACTIVATION_TOKEN=%1"_s.arg(i)});
            QCOMPARE(endedWith(later), u"second"_s);
            QCOMPARE(later->exitCode(), 0);
            QCOMPARE(later->readAllStandardError(), QByteArray());
            QCOMPARE(nextLine(first), u"raised %1"_s.arg(i));
        }
        QCOMPARE(first->state(), QProcess::Running);
        QCOMPARE(first->readAllStandardError(), QByteArray());
        QVERIFY(QFile::exists(QDir(folder).filePath(kLockName)));
        QCOMPARE(modeOf(folder), mode_t(0700));
        QVERIFY(!QFile::exists(temporaryPath()));
    }

    void shouldNotBeBlockedByACopyThatEnded_data()
    {
        QTest::addColumn<bool>("killed");
        QTest::newRow("killed") << true;
        QTest::newRow("ended normally") << false;
    }
    void shouldNotBeBlockedByACopyThatEnded()
    {
        QFETCH(bool, killed);
        QProcess *first = start();
        QCOMPARE(nextLine(first), u"first"_s);
        if (killed)
            first->kill();
        else
            first->closeWriteChannel();
        QVERIFY(first->waitForFinished(5000));
        if (!killed) {
            QCOMPARE(first->exitCode(), 0);
            QCOMPARE(first->readAllStandardError(), QByteArray());
            QVERIFY2(!QFile::exists(QDir(runtimePath()).filePath(kSocketName)),
                     "a copy that ended left its socket behind");
        }
        QVERIFY(QFile::exists(QDir(runtimePath()).filePath(kLockName)));

        // The next copy takes over, the dead copy's socket included.
        QProcess *next = start();
        QCOMPARE(nextLine(next), u"first"_s);
        QCOMPARE(endedWith(start({u"XDG_ACTIVATION_TOKEN=again"_s})), u"second"_s);
        QCOMPARE(nextLine(next), u"raised again"_s);
    }

    void shouldStartWhenTheLockCannotBeChecked_data()
    {
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<bool>("asNobody");
        QTest::addColumn<bool>("told"); // a line on standard error says why
        QTest::addColumn<bool>("exclusive"); // a second copy is still kept out
        const QStringList noRuntime{u"XDG_RUNTIME_DIR"_s};
        QTest::newRow("runtime folder missing")
            << QStringList{u"XDG_RUNTIME_DIR=/nonexistent/runtime"_s} << false << true << true;
        QTest::newRow("runtime folder writable by others")
            << QStringList() << false << true << true;
        QTest::newRow("runtime folder not writable") << QStringList() << true << true << false;
        QTest::newRow("lock file empty") << QStringList() << false << false << true;
        QTest::newRow("lock file of an old copy on another host")
            << QStringList() << false << false << true;
        QTest::newRow("lock file of another user") << QStringList() << false << true << false;
        QTest::newRow("lock file a dangling link") << QStringList() << false << true << false;
        // Refused, and the cache folder serves instead.
        QTest::newRow("state folder of another user") << noRuntime << false << true << true;
        QTest::newRow("state folder a link") << noRuntime << false << true << true;
        // Ours, made private again.
        QTest::newRow("state folder open to others") << noRuntime << false << false << true;
        // Another user made the folder where the lock went once: it is no
        // longer looked at.
        QTest::newRow("temporary folder of another user") << noRuntime << false << false << true;
    }
    void shouldStartWhenTheLockCannotBeChecked()
    {
        QFETCH(QStringList, environment);
        QFETCH(bool, asNobody);
        QFETCH(bool, told);
        QFETCH(bool, exclusive);
        const QString row = QString::fromLatin1(QTest::currentDataTag());
        const QString lockPath = QDir(runtimePath()).filePath(kLockName);
        const QString elsewhere = root_->filePath(u"elsewhere"_s);
        if (row == u"runtime folder not writable") {
            if (QStandardPaths::findExecutable(u"setpriv"_s).isEmpty())
                QSKIP("setpriv is needed to start a copy as a user that the folder binds");
            QVERIFY(QFile::setPermissions(root_->path(), QFile::ReadOwner | QFile::WriteOwner
                                                             | QFile::ExeOwner | QFile::ExeOther));
            QVERIFY(changeOwner(runtimePath(), kNobody));
            QVERIFY(::chmod(QFile::encodeName(runtimePath()).constData(), 0500) == 0);
        } else if (row == u"runtime folder writable by others") {
            QVERIFY(::chmod(QFile::encodeName(runtimePath()).constData(), 01777) == 0);
        } else if (row.startsWith(u"lock file")) {
            QFile file(lockPath);
            QVERIFY(row.endsWith(u"link") || file.open(QIODevice::WriteOnly));
            if (row.contains(u"old copy"))
                file.write("12345\norveta-workdata-delete\nanother-host\n");
            if (row.contains(u"another user"))
                QVERIFY(changeOwner(lockPath, kNobody));
            if (row.endsWith(u"link"))
                QVERIFY(QFile::link(elsewhere, lockPath));
        } else if (row == u"state folder of another user") {
            QVERIFY(QDir().mkpath(statePath()) && changeOwner(statePath(), kNobody));
            QVERIFY(::chmod(QFile::encodeName(statePath()).constData(), 0755) == 0);
        } else if (row == u"state folder a link") {
            QVERIFY(QDir().mkdir(elsewhere) && QDir().mkpath(QFileInfo(statePath()).path())
                    && QFile::link(elsewhere, statePath()));
        } else if (row == u"state folder open to others") {
            QVERIFY(QDir().mkpath(statePath()));
            QVERIFY(::chmod(QFile::encodeName(statePath()).constData(), 0777) == 0);
        } else if (row == u"temporary folder of another user") {
            QVERIFY(QDir().mkdir(temporaryPath()) && changeOwner(temporaryPath(), kNobody));
            QVERIFY(::chmod(QFile::encodeName(temporaryPath()).constData(), 0777) == 0);
        }

        QProcess *first = start(environment, asNobody);
        QCOMPARE(nextLine(first), u"first"_s);
        QString error; // waited for a while when none is expected, in case it comes late
        QCOMPARE(QTest::qWaitFor(
                     [&] {
                         error += QString::fromUtf8(first->readAllStandardError());
                         return error.contains(u'\n');
                     },
                     told ? 5000 : 200),
                 told);
        QCOMPARE(error.count(u'\n'), told ? 1 : 0);
        if (told)
            QVERIFY2(error.startsWith(u"orveta-workdata-delete: "), qPrintable(error));

        QProcess *later = start(environment, asNobody);
        QCOMPARE(later->waitForFinished(exclusive ? 5000 : 500), exclusive);
        QCOMPARE(nextLine(later), exclusive ? u"second"_s : u"first"_s);

        // Nothing that was found in the way was changed.
        if (row == u"state folder of another user")
            QCOMPARE(modeOf(statePath()), mode_t(0755));
        if (row.endsWith(u"link"))
            QVERIFY(!QFile::exists(elsewhere) || QDir(elsewhere).isEmpty());
        if (row.startsWith(u"state folder") && row != u"state folder open to others")
            QVERIFY(QFile::exists(QDir(cachePath()).filePath(kLockName)));
        if (row == u"state folder open to others")
            QCOMPARE(modeOf(statePath()), mode_t(0700));
        if (row == u"temporary folder of another user") {
            QVERIFY(QDir(temporaryPath()).isEmpty());
            QVERIFY(QFile::exists(QDir(statePath()).filePath(kLockName)));
        }
    }

    void shouldPassTheActivationTokenOn_data()
    {
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QString>("token");
        QTest::newRow("Wayland token")
            << QStringList{u"XDG_ACTIVATION_TOKEN=wl-42"_s} << u"wl-42"_s;
        QTest::newRow("X11 startup id")
            << QStringList{u"DESKTOP_STARTUP_ID=host;1234-0-demo_TIME5678"_s}
            << u"host;1234-0-demo_TIME5678"_s;
        QTest::newRow("both") << QStringList{u"XDG_ACTIVATION_TOKEN=wl-1"_s,
                                             u"DESKTOP_STARTUP_ID=x11-1"_s}
                              << u"wl-1"_s;
        QTest::newRow("none") << QStringList() << QString();
    }
    void shouldPassTheActivationTokenOn()
    {
        QFETCH(QStringList, environment);
        QFETCH(QString, token);
        QProcess *first = start();
        QCOMPARE(nextLine(first), u"first"_s);
        QCOMPARE(endedWith(start(environment)), u"second"_s);
        QCOMPARE(nextLine(first), u"raised "_s + token);
    }

    void shouldNotWaitForACopyThatDoesNotAnswer()
    {
        QProcess *first = start();
        QCOMPARE(nextLine(first), u"first"_s);
        const auto pid = pid_t(first->processId());
        QVERIFY(pid > 0 && ::kill(pid, SIGSTOP) == 0);
        QProcess *later = start({u"XDG_ACTIVATION_TOKEN=late"_s});
        QVERIFY2(later->waitForFinished(3000), "a later start hung on a stopped copy");
        QCOMPARE(QString::fromUtf8(later->readAllStandardOutput()), u"second\n"_s);
        QVERIFY(later->readAllStandardError().contains("no answer"));

        // The request waited in the socket and is heard once the copy goes on.
        QVERIFY(::kill(pid, SIGCONT) == 0);
        QCOMPARE(nextLine(first), u"raised late"_s);
    }

    void shouldIgnoreRequestsOfOtherUsers()
    {
        QProcess *first = start();
        QCOMPARE(nextLine(first), u"first"_s);
        // Open the way to the socket, which only the user could reach.
        const QString socketPath = QDir(runtimePath()).filePath(kSocketName);
        QVERIFY(::chmod(QFile::encodeName(root_->path()).constData(), 0711) == 0);
        QVERIFY(::chmod(QFile::encodeName(runtimePath()).constData(), 0711) == 0);
        QVERIFY(::chmod(QFile::encodeName(socketPath).constData(), 0666) == 0);
        QVERIFY(sendAsNobody(socketPath, "intruder\n"));

        QCOMPARE(endedWith(start({u"XDG_ACTIVATION_TOKEN=mine"_s})), u"second"_s);
        QCOMPARE(nextLine(first), u"raised mine"_s);
    }
};

QTEST_GUILESS_MAIN(InstanceLockTest)
#include "tst_instancelock.moc"
