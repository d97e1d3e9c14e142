#include "testsupport.h"

#include <pwd.h>
#include <vector>

// Runs the real program, headless, against private folders, and checks that
// only one copy runs at a time.
class ProcessTest final : public QObject
{
    Q_OBJECT

private:
    QProcess *start()
    {
        QFETCH_GLOBAL(QStringList, environment);
        return copies_.emplace_back(startTool(QDir(folders_.path()), environment)).get();
    }

    // A copy that takes the lock and keeps running with its window open.
    QProcess *startHolder()
    {
        QProcess *holder = start();
        if (!holder->waitForStarted(10000)
            || !QTest::qWaitFor([this] { return QFile::exists(lockPath()); }, 10000))
            return nullptr;
        return holder->waitForFinished(1000) ? nullptr : holder;
    }

    // A copy that finds the lock held ends by itself, reporting success.
    bool endsQuietly()
    {
        QProcess *copy = start();
        return copy->waitForFinished(10000) && copy->exitStatus() == QProcess::NormalExit
               && copy->exitCode() == 0;
    }

    QString lockPath() const
    {
        QFETCH_GLOBAL(QString, lockFile);
        return folders_.filePath(lockFile);
    }

    QTemporaryDir folders_;
    std::vector<std::unique_ptr<QProcess>> copies_;

private slots:
    // Sessions without a runtime folder keep the lock in the temporary folder.
    void initTestCase_data()
    {
        const passwd *user = getpwuid(geteuid());
        QVERIFY(user);
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QString>("lockFile");
        QTest::newRow("runtime folder")
            << QStringList() << u"runtime/orveta-workdata-delete.lock"_s;
        QTest::newRow("temporary folder")
            << QStringList{u"XDG_RUNTIME_DIR"_s}
            << u"tmp/orveta-workdata-delete-%1.lock"_s.arg(QString::fromLocal8Bit(user->pw_name));
    }

    void init() { QFile::remove(lockPath()); }

    void cleanup()
    {
        for (const auto &copy : copies_) {
            copy->kill();
            copy->waitForFinished(5000);
        }
        copies_.clear();
    }

    void shouldRunOneCopyAtATime()
    {
        QProcess *first = startHolder();
        QVERIFY2(first, "the first copy did not take the lock and keep running");
        QVERIFY(endsQuietly());
        // A copy that gave way leaves the lock to the running one.
        QVERIFY(endsQuietly());
        QCOMPARE(first->state(), QProcess::Running);

        first->kill();
        QVERIFY(first->waitForFinished(10000));
        QVERIFY2(QFile::exists(lockPath()), "a killed copy leaves its lock file behind");
        QVERIFY2(startHolder(), "the lock of a killed copy blocked the next start");
        QVERIFY(endsQuietly());
    }
};

QTEST_GUILESS_MAIN(ProcessTest)
#include "tst_process.moc"
