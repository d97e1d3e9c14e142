#include "deletion/module1.h"
#include "testsupport.h"

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>

using deletion::probeFilePresence;

namespace {

bool makeSocket(const QString &path)
{
    sockaddr_un address{AF_UNIX, {}};
    const QByteArray name = QFile::encodeName(path);
    std::strncpy(address.sun_path, name.constData(), sizeof address.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    return ::close(fd) == 0 && bound;
}

bool makeFifo(const QString &path)
{
    return ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0;
}

} // namespace

class Module1Test final : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(dir_.emplace().isValid()); }

    void shouldTellPresenceByKindOfEntry_data()
    {
        // The row names what stands at the path; a trailing separator is
        // handed to the probe too.
        QTest::addColumn<bool>("present");
        for (const char *kind : {"file", "file/", "zero-length file", "link to file"})
            QTest::newRow(kind) << true;
        for (const char *kind : {"empty path", "missing", "directory", "directory/", "fifo",
                                 "socket", "link to directory", "link to fifo", "dangling link"})
            QTest::newRow(kind) << false;
    }
    void shouldTellPresenceByKindOfEntry()
    {
        QFETCH(bool, present);
        QString kind = QString::fromLatin1(QTest::currentDataTag());
        const QString suffix = kind.endsWith(u'/') ? u"/"_s : QString();
        kind.chop(suffix.size());
        const QString path
            = kind == u"empty path" ? QString() : dir_->filePath(u"200406orveta.mdb"_s);
        const QString target = dir_->filePath(u"target"_s);
        const QHash<QString, std::function<bool()>> make{
            {u"file"_s, [&] { return writeFile(path, "data"); }},
            {u"zero-length file"_s, [&] { return writeFile(path, {}); }},
            {u"directory"_s, [&] { return QDir().mkdir(path); }},
            {u"fifo"_s, [&] { return makeFifo(path); }},
            {u"socket"_s, [&] { return makeSocket(path); }},
            {u"link to file"_s,
             [&] { return writeFile(target, "data") && QFile::link(target, path); }},
            {u"link to directory"_s,
             [&] { return QDir().mkdir(target) && QFile::link(target, path); }},
            {u"link to fifo"_s, [&] { return makeFifo(target) && QFile::link(target, path); }},
            {u"dangling link"_s, [&] { return QFile::link(target, path); }},
        };
        QVERIFY2(!make.contains(kind) || make[kind](), qPrintable(kind));

        const QStringList descriptors = folderEntries(u"/proc/self/fd"_s);
        QString probed = path + suffix;
        QCOMPARE(probeFilePresence(probed), present);
        QCOMPARE(probed, path); // the caller's variable loses the trailing separator
        QCOMPARE(folderEntries(u"/proc/self/fd"_s), descriptors); // none left open
    }

    void shouldSeeLocksOfOtherProcesses_data()
    {
        QTest::addColumn<LockKind>("kind");
        QTest::addColumn<bool>("presentWhileHeld");
        QTest::newRow("exclusive flock") << LockKind::FlockExclusive << false;
        QTest::newRow("shared flock") << LockKind::FlockShared << true;
        QTest::newRow("POSIX write lock") << LockKind::PosixWrite << false;
        QTest::newRow("POSIX read lock") << LockKind::PosixRead << true;
        QTest::newRow("OFD write lock") << LockKind::OfdWrite << false;
    }
    void shouldSeeLocksOfOtherProcesses()
    {
        QFETCH(LockKind, kind);
        QFETCH(bool, presentWhileHeld);
        QString path = dir_->filePath(u"200406orveta.mdb"_s);
        QVERIFY(writeFile(path, "data"));
        std::optional<LockHolder> holder(std::in_place, path, kind);
        QVERIFY(holder->isHeld());
        QCOMPARE(probeFilePresence(path), presentWhileHeld);
        // Asking twice must not change the answer: the probe takes no lock
        // of its own that outlives it.
        QCOMPARE(probeFilePresence(path), presentWhileHeld);
        holder.reset();
        QVERIFY(probeFilePresence(path));
    }

private:
    std::optional<QTemporaryDir> dir_; // fresh for every row
};

QTEST_GUILESS_MAIN(Module1Test)
#include "tst_module1.moc"
