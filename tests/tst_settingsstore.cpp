#include "platform/settingsstore.h"
#include "platform/text.h"
#include "filesupport.h"

#include <QFileInfo>
#include <QScopeGuard>

#include <chrono>
#include <future>
#include <sys/xattr.h>

namespace {

enum class Outcome { Deleted, NotFound, NotWritable };

const QByteArray kStored = "# written by ORVETA\n[Other]\nKey_Path=/elsewhere\n\n"
                           "[Orveta]\nKey_Path=/home/u/勤務データ\n# kept\nPass_Wd=C:\\x\nName=n";
const QByteArray kWithoutKeyPath = "# written by ORVETA\n[Other]\nKey_Path=/elsewhere\n\n"
                                   "[Orveta]\n# kept\nPass_Wd=C:\\x\nName=n";
const QByteArray kCleared = "# written by ORVETA\n[Other]\nKey_Path=/elsewhere\n\n"
                            "[Orveta]\n# kept\nName=n";
constexpr uid_t kNobody = 65534;

QString read(std::u16string_view key = u"Key_Path")
{
    return QString::fromStdU16String(platform::readSetting(u"KORVEL", u"Orveta", key));
}

platform::Result<> remove(std::u16string_view key = u"Key_Path")
{
    return platform::deleteSettings(u"KORVEL", u"Orveta", {key});
}

Outcome outcomeOf(const platform::Result<> &deletion)
{
    if (deletion)
        return Outcome::Deleted;
    return deletion.error().kind == platform::ErrorKind::NotFound ? Outcome::NotFound
                                                                  : Outcome::NotWritable;
}

// Runs call on a thread of its own. Should it still wait after a few
// seconds, opening the FIFO at fifo for writing ends the wait, and the
// answer is nullopt.
template<typename Call>
std::optional<std::invoke_result_t<Call>> withoutWaiting(const QString &fifo, Call call)
{
    auto running = std::async(std::launch::async, call);
    if (running.wait_for(std::chrono::seconds(5)) == std::future_status::ready)
        return running.get();
    ::close(::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK));
    running.wait();
    return std::nullopt;
}

} // namespace

enum class Place { Nothing, Fifo, Folder, DanglingLink, LinkToFifo };

// How a file is set up for a deletion and what is to become of it.
struct Setup
{
    uid_t owner = 0; // of the file
    std::optional<gid_t> group = std::nullopt; // the file's group, when not the owner's id
    bool asOwner = false; // delete in a child process running as the owner
    mode_t mode = 0640;
    mode_t folderMode = 0700;
    int fileAttribute = 0;
    int folderAttribute = 0;
    bool hardLink = false;
    Outcome outcome = Outcome::Deleted;
    bool replaced = true; // a new inode, else the same one written in place
};
Q_DECLARE_METATYPE(Setup)

class SettingsStoreTest : public QObject
{
    Q_OBJECT

private slots:
    void shouldFindNothingWithoutRegularFile_data()
    {
        QTest::addColumn<Place>("place");
        QTest::newRow("no file") << Place::Nothing;
        QTest::newRow("FIFO") << Place::Fifo;
        QTest::newRow("folder") << Place::Folder;
        QTest::newRow("dangling link") << Place::DanglingLink;
        QTest::newRow("link to a FIFO") << Place::LinkToFifo;
    }
    void shouldFindNothingWithoutRegularFile()
    {
        QFETCH(Place, place);
        const TemporaryConfig config;
        const QString fifo = config.dir.filePath(u"fifo"_s);
        const QByteArray path = QFile::encodeName(config.iniPath());
        QVERIFY(place == Place::Nothing || place == Place::DanglingLink
                || ::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        QVERIFY(place != Place::Fifo || ::rename(QFile::encodeName(fifo).constData(), path) == 0);
        QVERIFY(place != Place::Folder || ::mkdir(path.constData(), 0700) == 0);
        QVERIFY(place != Place::DanglingLink || ::symlink("absent.ini", path.constData()) == 0);
        QVERIFY(place != Place::LinkToFifo || ::symlink("fifo", path.constData()) == 0);
        const QStringList entries = folderEntries(config.dir.path());

        const auto value = withoutWaiting(config.iniPath(), [] { return read(); });
        QVERIFY2(value, "reading waited for a writer");
        QCOMPARE(*value, QString());
        const auto deletion = withoutWaiting(config.iniPath(), [] { return remove(); });
        QVERIFY2(deletion, "deleting waited for a writer");
        QCOMPARE(outcomeOf(*deletion), Outcome::NotFound);
        QCOMPARE(folderEntries(config.dir.path()), entries);
    }

    void shouldClearKeysKeepingTheRest_data()
    {
        QTest::addColumn<bool>("throughLink"); // KORVEL.ini links to real/KORVEL.ini
        QTest::addColumn<int>("mode");
        QTest::newRow("file") << false << 0640;
        QTest::newRow("symbolic link") << true << 0604;
    }
    void shouldClearKeysKeepingTheRest()
    {
        QFETCH(bool, throughLink);
        QFETCH(int, mode);
        const TemporaryConfig config;
        const QString file
            = throughLink ? config.dir.filePath(u"real/KORVEL.ini"_s) : config.iniPath();
        QVERIFY(!throughLink
                || (QDir(config.dir.path()).mkdir(u"real"_s)
                    && QFile::link(u"real/KORVEL.ini"_s, config.iniPath())));
        QVERIFY(writeFile(file, kStored)
                && ::chmod(QFile::encodeName(file).constData(), mode) == 0);

        QCOMPARE(read(), u"/home/u/勤務データ"_s);
        QCOMPARE(read(u"Pass_Wd"), uR"(C:\x)"_s);
        QVERIFY(platform::deleteSettings(u"KORVEL", u"Orveta", {u"Key_Path", u"Pass_Wd"}));
        QCOMPARE(QString::fromStdU16String(platform::settingsStorePath(u"KORVEL", u"Orveta")),
                 config.iniPath());
        QCOMPARE(readFile(file), kCleared);
        QCOMPARE(statOf(file).st_mode & 07777, mode_t(mode));
        QCOMPARE(QFileInfo(config.iniPath()).isSymLink(), throughLink);
        QCOMPARE(folderEntries(QFileInfo(file).path()), QStringList{u"KORVEL.ini"_s});
        QCOMPARE(read(), QString());
        QCOMPARE(outcomeOf(remove()), Outcome::NotFound);
    }

    void shouldFallBackToHomeConfig_data()
    {
        QTest::addColumn<std::optional<QByteArray>>("xdgConfigHome");
        QTest::newRow("unset") << std::optional<QByteArray>();
        QTest::newRow("empty") << std::optional<QByteArray>(QByteArray(""));
        QTest::newRow("relative") << std::optional<QByteArray>("relative");
    }
    void shouldFallBackToHomeConfig()
    {
        QFETCH(std::optional<QByteArray>, xdgConfigHome);
        const QTemporaryDir home;
        const ScopedEnvironment homeVariable("HOME", QFile::encodeName(home.path()));
        const ScopedEnvironment xdg("XDG_CONFIG_HOME", xdgConfigHome);
        // A relative folder would be taken from the working folder: offer a
        // decoy there.
        const QString workingFolder = QDir::currentPath();
        const auto restore = qScopeGuard([&] { QDir::setCurrent(workingFolder); });
        QVERIFY(QDir::setCurrent(home.path()));
        QVERIFY(QDir().mkpath(u"relative"_s) && QDir().mkpath(u".config"_s));
        QVERIFY(writeFile(u"relative/KORVEL.ini"_s, "[Orveta]\nKey_Path=/decoy\n"));
        QVERIFY(writeFile(u".config/KORVEL.ini"_s, "[Orveta]\nKey_Path=/home/u/orveta\n"));

        QCOMPARE(QString::fromStdU16String(platform::settingsStorePath(u"KORVEL", u"Orveta")),
                 home.path() + u"/.config/KORVEL.ini"_s);
        QCOMPARE(read(), u"/home/u/orveta"_s);
    }

    // A new file renamed over the old one where that loses nothing, else the
    // old file written in place; never a change where writing is forbidden.
    void shouldReplaceOrRewriteInPlace_data()
    {
        QTest::addColumn<Setup>("setup");
        const auto row = [](const char *name, const Setup &setup) { QTest::newRow(name) << setup; };
        row("own file", {});
        row("read-only file, root", {.mode = 0444});
        row("other group, root", {.group = kNobody});
        row("read-only folder, root", {.folderAttribute = FS_IMMUTABLE_FL, .replaced = false});
        row("hard link", {.hardLink = true, .replaced = false});
        row("other user's file, root", {.owner = kNobody, .replaced = false});
        row("user's file", {.owner = kNobody, .asOwner = true, .folderMode = 0777});
        row("user's file, root's folder",
            {.owner = kNobody, .asOwner = true, .folderMode = 0755, .replaced = false});
        row("user's read-only file", {.owner = kNobody,
                                      .asOwner = true,
                                      .mode = 0444,
                                      .folderMode = 0777,
                                      .outcome = Outcome::NotWritable,
                                      .replaced = false});
        row("user's unreadable file", {.owner = kNobody,
                                       .asOwner = true,
                                       .mode = 0200,
                                       .folderMode = 0777,
                                       .outcome = Outcome::NotWritable,
                                       .replaced = false});
        row("immutable file",
            {.fileAttribute = FS_IMMUTABLE_FL, .outcome = Outcome::NotWritable, .replaced = false});
        // Passes the write check; the rename fails.
        row("append-only file",
            {.fileAttribute = FS_APPEND_FL, .outcome = Outcome::NotWritable, .replaced = false});
        // Passes the write check; opening for a write in place fails.
        row("append-only hard link", {.fileAttribute = FS_APPEND_FL,
                                      .hardLink = true,
                                      .outcome = Outcome::NotWritable,
                                      .replaced = false});
    }
    void shouldReplaceOrRewriteInPlace()
    {
        QFETCH(Setup, setup);
        if (::geteuid() != 0)
            QSKIP("hands files to another user and sets attributes, which takes root");
        const TemporaryConfig config;
        const QByteArray ini = QFile::encodeName(config.iniPath());
        const QString link = config.dir.filePath(u"linked.ini"_s);
        QVERIFY(writeFile(config.iniPath(), kStored));
        QVERIFY(::chown(ini.constData(), setup.owner, setup.group.value_or(setup.owner)) == 0
                && ::chmod(ini.constData(), setup.mode) == 0
                && ::chmod(QFile::encodeName(config.dir.path()).constData(), setup.folderMode)
                       == 0);
        QVERIFY(!setup.hardLink
                || ::link(ini.constData(), QFile::encodeName(link).constData()) == 0);
        const bool tagged = ::setxattr(ini.constData(), "user.origin", "ORVETA", 6, 0) == 0;
        const AttributeGuard fileAttribute(config.iniPath(), setup.fileAttribute);
        const AttributeGuard folderAttribute(config.dir.path(), setup.folderAttribute);
        if (!fileAttribute.isSet() || !folderAttribute.isSet())
            QSKIP("this file system does not take the immutable and append-only attributes");
        const struct stat before = statOf(config.iniPath());
        const QStringList entries = folderEntries(config.dir.path());

        Outcome outcome = Outcome::Deleted;
        int errorCode = 0;
        if (setup.asOwner) {
            // The outcome's number, then the error's; nothing when the folder
            // is out of the user's reach.
            const QByteArray folder = QFile::encodeName(config.dir.path());
            const std::optional<std::string> reported = runAsUser(setup.owner, [&] {
                if (::access(folder.constData(), X_OK) != 0)
                    return std::string();
                const platform::Result<> deletion = remove();
                return std::to_string(int(outcomeOf(deletion)))
                       + std::to_string(deletion ? 0 : deletion.error().code);
            });
            if (!reported || reported->empty())
                QSKIP("cannot act as another user in this temporary folder");
            outcome = Outcome(reported->front() - '0');
            errorCode = std::stoi(reported->substr(1));
        } else {
            const platform::Result<> deletion = remove();
            outcome = outcomeOf(deletion);
            errorCode = deletion ? 0 : deletion.error().code;
        }

        QCOMPARE(outcome, setup.outcome);
        QCOMPARE(errorCode == 0, setup.outcome != Outcome::NotWritable);
        const QByteArray expected = setup.outcome == Outcome::Deleted ? kWithoutKeyPath : kStored;
        QCOMPARE(readFile(config.iniPath()), expected);
        QVERIFY(!setup.hardLink || readFile(link) == expected);
        const struct stat after = statOf(config.iniPath());
        QCOMPARE(after.st_ino != before.st_ino, setup.replaced);
        QCOMPARE(after.st_uid, before.st_uid);
        QCOMPARE(after.st_gid, before.st_gid);
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(after.st_nlink, before.st_nlink);
        char origin[8] = {};
        QVERIFY(!tagged || ::getxattr(ini.constData(), "user.origin", origin, sizeof origin) == 6);
        QCOMPARE(origin, tagged ? "ORVETA" : "");
        QCOMPARE(folderEntries(config.dir.path()), entries);
    }
};

QTEST_GUILESS_MAIN(SettingsStoreTest)
#include "tst_settingsstore.moc"
