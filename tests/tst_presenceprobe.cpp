#include "deletion/presenceprobe.h"
#include "filesupport.h"
#include "platform/filesystem.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <functional>
#include <optional>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using platform::DataFile;
using platform::DataFolder;

namespace {

bool makeFifo(const QString &path)
{
    return ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0;
}

bool makeSocket(const QString &path)
{
    sockaddr_un address{AF_UNIX, {}};
    qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    return ::close(fd) == 0 && bound;
}

QStringList openDescriptors()
{
    return QDir(u"/proc/self/fd"_s).entryList(QDir::AllEntries | QDir::System, QDir::Name);
}

// Takes, through a descriptor of its own, the lock that conflicts with every
// kind of lock over the range, and gives it back at once: false while
// anybody else holds one there.
bool canTakeConflictingLock(const QString &path, LockApi api, off_t start, off_t length)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
    struct flock range = {};
    range.l_type = F_WRLCK;
    range.l_start = start;
    range.l_len = length;
    const bool taken = api == LockApi::Flock ? ::flock(fd, LOCK_EX | LOCK_NB) == 0
                                             : ::fcntl(fd, F_OFD_SETLK, &range) == 0;
    ::close(fd);
    return taken;
}

bool exists(const QString &path)
{
    struct stat info = {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

std::optional<DataFolder> openFolder(const QString &path)
{
    platform::Result<std::optional<DataFolder>> folder = DataFolder::open(path.toStdU16String());
    return folder ? std::move(*folder) : std::nullopt;
}

// What the probe makes of the file of that name in folder.
bool isPresent(const QString &folder, const QString &name)
{
    const std::optional<DataFolder> opened = openFolder(folder);
    return opened && opened->openFile(name.toStdU16String()).has_value();
}

} // namespace

class PresenceProbeTest final : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(dir_.emplace().isValid()); }

    void shouldTellPresenceByKindOfEntry_data()
    {
        QTest::addColumn<bool>("present");
        for (const char *kind : {"file", "zero-length file", "link to file"})
            QTest::newRow(kind) << true;
        for (const char *kind :
             {"empty path", "missing", "file/", "name with a NUL", "directory", "fifo", "socket",
              "link to directory", "link to fifo", "dangling link"})
            QTest::newRow(kind) << false;
    }
    void shouldTellPresenceByKindOfEntry()
    {
        QFETCH(bool, present);
        const QString kind = QString::fromLatin1(QTest::currentDataTag());
        const QString path = dir_->filePath(u"200406orveta.mdb"_s);
        const QString target = dir_->filePath(u"target"_s);
        const QHash<QString, std::function<bool()>> make{
            {u"file"_s, [&] { return writeFile(path, "data"); }},
            {u"zero-length file"_s, [&] { return writeFile(path, {}); }},
            {u"file/"_s, [&] { return writeFile(path, "data"); }},
            {u"name with a NUL"_s, [&] { return writeFile(path, "data"); }},
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
        std::u16string probed = kind == u"empty path" ? u"" : u"200406orveta.mdb";
        if (kind == u"file/") // a separator would lead into another folder
            probed += u'/';
        if (kind == u"name with a NUL") // would reach the file if cut short at the NUL
            probed += std::u16string(1, u'\0') + u"x";

        const QStringList descriptors = openDescriptors();
        {
            const std::optional<DataFolder> folder = openFolder(dir_->path());
            QVERIFY(folder);
            const QStringList withFolder = openDescriptors();
            {
                const std::optional<DataFile> file = folder->openFile(probed);
                QCOMPARE(file.has_value(), present);
                // Held open while it lives: what is deleted is what was judged.
                QCOMPARE(openDescriptors().size(), withFolder.size() + (present ? 1 : 0));
            }
            QCOMPARE(openDescriptors(), withFolder);
        }
        QCOMPARE(openDescriptors(), descriptors);
    }

    // The deletion run's probe drops one trailing separator, from the
    // caller's variable too, and then finds the file.
    void shouldProbeWithoutTrailingSeparator()
    {
        QVERIFY(writeFile(dir_->filePath(u"200406orveta.mdb"_s), "data"));
        const std::optional<DataFolder> folder = openFolder(dir_->path());
        QVERIFY(folder);
        std::u16string probed = u"200406orveta.mdb/";
        QVERIFY(deletion::probeFilePresence(*folder, probed));
        QCOMPARE(QString::fromStdU16String(probed), u"200406orveta.mdb"_s);
        std::u16string empty;
        QVERIFY(!deletion::probeFilePresence(*folder, empty));
    }

    void shouldSeeEveryLockOfAnotherProcess_data()
    {
        QTest::addColumn<LockApi>("api");
        QTest::addColumn<short>("type");
        QTest::addColumn<off_t>("start");
        QTest::addColumn<off_t>("length"); // 0: to the end of the file, however long
        QTest::newRow("flock shared") << LockApi::Flock << short(F_RDLCK) << off_t(0) << off_t(0);
        QTest::newRow("flock exclusive")
            << LockApi::Flock << short(F_WRLCK) << off_t(0) << off_t(0);
        QTest::newRow("POSIX read") << LockApi::Posix << short(F_RDLCK) << off_t(0) << off_t(0);
        QTest::newRow("POSIX write") << LockApi::Posix << short(F_WRLCK) << off_t(0) << off_t(0);
        QTest::newRow("OFD read") << LockApi::Ofd << short(F_RDLCK) << off_t(0) << off_t(0);
        QTest::newRow("OFD write") << LockApi::Ofd << short(F_WRLCK) << off_t(0) << off_t(0);
        QTest::newRow("POSIX read of bytes 10-19")
            << LockApi::Posix << short(F_RDLCK) << off_t(10) << off_t(10);
        QTest::newRow("OFD write of bytes 10-19")
            << LockApi::Ofd << short(F_WRLCK) << off_t(10) << off_t(10);
    }
    void shouldSeeEveryLockOfAnotherProcess()
    {
        QFETCH(LockApi, api);
        QFETCH(short, type);
        QFETCH(off_t, start);
        QFETCH(off_t, length);
        const QString path = dir_->filePath(u"200406orveta.mdb"_s);
        QVERIFY(writeFile(path, QByteArray(64, 'x')));
        std::optional<LockHolder> holder(std::in_place, path, api, type, start, length);
        QVERIFY(holder->isHeld());

        const QString name = u"200406orveta.mdb"_s;
        QVERIFY(!isPresent(dir_->path(), name));
        // Asked again: the first probe left no lock of its own behind and
        // did not take the other's away.
        QVERIFY(!isPresent(dir_->path(), name));
        QVERIFY2(!canTakeConflictingLock(path, api, start, length),
                 "the holder lost its lock to the probe");

        holder.reset();
        QVERIFY(isPresent(dir_->path(), name));
    }

    void shouldRemoveAllButReadOnlyFiles_data()
    {
        QTest::addColumn<bool>("present");
        QTest::addColumn<bool>("removed");
        for (const char *kind : {"file 0644", "file 0200", "file 0020", "link to file 0444"})
            QTest::newRow(kind) << true << true;
        // No write bit for anyone: such a file stays, for root too.
        for (const char *kind : {"file 0444", "file 0400", "file 0000"})
            QTest::newRow(kind) << true << false;
        // Nothing there to delete: the probe finds nothing.
        for (const char *kind : {"missing", "directory"})
            QTest::newRow(kind) << false << false;
    }
    void shouldRemoveAllButReadOnlyFiles()
    {
        QFETCH(bool, present);
        QFETCH(bool, removed);
        const QString kind = QString::fromLatin1(QTest::currentDataTag());
        const QString path = dir_->filePath(u"200406orveta.mdb"_s);
        const QString target = dir_->filePath(u"target"_s);
        if (kind.startsWith(u"file ")) {
            const mode_t mode = kind.mid(5).toUInt(nullptr, 8);
            if ((mode & 0400) == 0 && ::geteuid() != 0)
                QSKIP("only root opens a file without read permission");
            QVERIFY(writeFile(path, "data"));
            QVERIFY(::chmod(QFile::encodeName(path).constData(), mode) == 0);
        } else if (kind == u"link to file 0444") {
            QVERIFY(writeFile(target, "data"));
            QVERIFY(::chmod(QFile::encodeName(target).constData(), 0444) == 0);
            QVERIFY(QFile::link(target, path));
        } else if (kind == u"directory") {
            QVERIFY(QDir().mkdir(path));
        }

        const std::optional<DataFolder> folder = openFolder(dir_->path());
        QVERIFY(folder);
        std::optional<DataFile> file = folder->openFile(u"200406orveta.mdb");
        QCOMPARE(file.has_value(), present);
        if (file) {
            const platform::Result<> removal = file->remove();
            QCOMPARE(removal.has_value(), removed);
            if (!removed)
                QCOMPARE(int(removal.error().kind), int(platform::ErrorKind::ReadOnlyFile));
        }
        QCOMPARE(exists(path), !removed && kind != u"missing");
        if (kind.startsWith(u"link"))
            QVERIFY2(exists(target), "the link's target went too");
    }

private:
    std::optional<QTemporaryDir> dir_; // fresh for every row
};

QTEST_GUILESS_MAIN(PresenceProbeTest)
#include "tst_presenceprobe.moc"
