#include "platform/settingsstore.h"
#include "settings/productsettings.h"
#include "testsupport.h"

#include <QFileInfo>
#include <QScopeGuard>

using Outcome = platform::SettingDeletion::Outcome;

namespace {

// GKeyFile's own way of writing: what a delete must give back untouched.
const QByteArray kStored = "# written by ORVETA\n\n[Other]\nKey_Path=/elsewhere\n\n"
                           "[Orveta]\nKey_Path=/home/a,b\n# the password stays\n"
                           "Pass_Wd=C:\\ORVETA\\x\nName=勤務データ\n";

QString read(const QString &section, const QString &key)
{
    return platform::readSetting(u"KORVEL"_s, section, key);
}

platform::SettingDeletion remove(const QString &section, const QString &key)
{
    return platform::deleteSetting(u"KORVEL"_s, section, key);
}

} // namespace

class SettingsStoreTest : public QObject
{
    Q_OBJECT

private slots:
    // Reading never changes the file; where nothing is read, deleting finds
    // nothing either and leaves the file alone just the same.
    void shouldReadRawValue_data()
    {
        QTest::addColumn<QByteArray>("content"); // null: no file at all
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        const QByteArray handWritten
            = "# ORVETA\n[Other]\nKey_Path=/elsewhere\n# folder\n"
              "[Orveta]\n# folder\nKey_Path=/home/a,b\n"
              "Pass_Wd=C:\\ORVETA\\x\nData=C:\\new\\s\n\n\nName=勤務データ\n";
        const auto row = [&](const char *name, const QString &section, const QString &key,
                             const QString &value, const char *content = nullptr) {
            QTest::newRow(name) << (content ? QByteArray(content) : handWritten) << section << key
                                << value;
        };
        row("commas", u"Orveta"_s, u"Key_Path"_s, u"/home/a,b"_s);
        row("backslashes", u"Orveta"_s, u"Pass_Wd"_s, uR"(C:\ORVETA\x)"_s);
        row("escape-like backslashes", u"Orveta"_s, u"Data"_s, uR"(C:\new\s)"_s);
        row("japanese", u"Orveta"_s, u"Name"_s, u"勤務データ"_s);
        row("other group", u"Other"_s, u"Key_Path"_s, u"/elsewhere"_s);
        row("group first", u"Orveta"_s, u"Key_Path"_s, u"/home/a,b"_s,
            "[Orveta]\nKey_Path=/home/a,b\n[Other]\nKey_Path=/elsewhere\n");
        row("no key", u"Orveta"_s, u"Missing"_s, {});
        row("no group", u"Absent"_s, u"Key_Path"_s, {});
        QTest::newRow("no file") << QByteArray() << u"Orveta"_s << u"Key_Path"_s << QString();
        row("semicolon comment", u"Orveta"_s, u"Key_Path"_s, {},
            "[Orveta]\n; folder\nKey_Path=/x\n");
        row("garbage", u"Orveta"_s, u"Key_Path"_s, {}, "[Orveta]\nKey_Path=/x\nnot a setting\n");
        row("no group header", u"Orveta"_s, u"Key_Path"_s, {},
            "Key_Path=/x\n[Orveta]\nKey_Path=/x\n");
    }
    void shouldReadRawValue()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        const TemporaryConfig config;
        // An old modification time, so that any rewrite shows.
        const QDateTime oldTime(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC);
        QFile file(config.iniPath());
        QVERIFY(content.isNull()
                || (file.open(QIODevice::WriteOnly) && file.write(content) == content.size()
                    && file.flush() && file.setFileTime(oldTime, QFile::FileModificationTime)));
        const auto verifyUntouched = [&] {
            QCOMPARE(readFile(config.iniPath()), content);
            QCOMPARE(folderEntries(config.dir.path()),
                     content.isNull() ? QStringList() : QStringList{u"KORVEL.ini"_s});
            QVERIFY(content.isNull() || QFileInfo(config.iniPath()).lastModified() == oldTime);
        };

        QCOMPARE(read(section, key), value);
        verifyUntouched();
        if (!value.isEmpty() || QTest::currentTestFailed())
            return;
        const platform::SettingDeletion result = remove(section, key);
        QCOMPARE(result.outcome, Outcome::NotFound);
        QCOMPARE(result.storePath, config.iniPath());
        verifyUntouched();
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

        QCOMPARE(platform::settingsStorePath(u"KORVEL"_s), home.path() + u"/.config/KORVEL.ini"_s);
        QCOMPARE(settings::readInstallPath(), u"/home/u/orveta"_s);
    }

    void shouldDeleteOnlyThatKey_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("line"); // the line that goes
        QTest::addColumn<bool>("throughLink"); // KORVEL.ini links to real/KORVEL.ini
        QTest::newRow("first key of group")
            << u"Orveta"_s << u"Key_Path"_s << QByteArray("Key_Path=/home/a,b\n") << false;
        QTest::newRow("last key of file")
            << u"Orveta"_s << u"Name"_s << QByteArray("Name=勤務データ\n") << false;
        QTest::newRow("same key in other group")
            << u"Other"_s << u"Key_Path"_s << QByteArray("Key_Path=/elsewhere\n") << false;
        QTest::newRow("symbolic link")
            << u"Orveta"_s << u"Name"_s << QByteArray("Name=勤務データ\n") << true;
    }
    void shouldDeleteOnlyThatKey()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QByteArray, line);
        QFETCH(bool, throughLink);
        const TemporaryConfig config;
        const QString file
            = throughLink ? config.dir.filePath(u"real/KORVEL.ini"_s) : config.iniPath();
        QVERIFY(!throughLink
                || (QDir(config.dir.path()).mkdir(u"real"_s)
                    && QFile::link(u"real/KORVEL.ini"_s, config.iniPath())));
        QVERIFY(writeFile(file, kStored)
                && QFile::setPermissions(file,
                                         QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));

        const platform::SettingDeletion result = remove(section, key);
        QCOMPARE(result.outcome, Outcome::Deleted);
        QCOMPARE(result.storePath, config.iniPath());
        QCOMPARE(readFile(file), QByteArray(kStored).replace(line, ""));
        QCOMPARE(fileMode(file), mode_t(0640));
        QCOMPARE(QFileInfo(config.iniPath()).isSymLink(), throughLink);
        // No temporary copy is left behind.
        QCOMPARE(folderEntries(QFileInfo(file).path()), QStringList{u"KORVEL.ini"_s});
        QCOMPARE(read(section, key), QString());
        QCOMPARE(remove(section, key).outcome, Outcome::NotFound);
    }

    void shouldReportUnwritableStore_data()
    {
        QTest::addColumn<bool>("onFolder"); // else on the file itself
        QTest::addColumn<int>("attribute");
        QTest::newRow("immutable file") << false << int(FS_IMMUTABLE_FL);
        // Passes the write check, so the replacement itself fails.
        QTest::newRow("append-only file") << false << int(FS_APPEND_FL);
        QTest::newRow("immutable folder") << true << int(FS_IMMUTABLE_FL);
    }
    void shouldReportUnwritableStore()
    {
        QFETCH(bool, onFolder);
        QFETCH(int, attribute);
        const TemporaryConfig config;
        QVERIFY(writeFile(config.iniPath(), kStored));
        const AttributeGuard guard(onFolder ? config.dir.path() : config.iniPath(), attribute);
        if (!guard.isSet())
            QSKIP("this file system does not take the immutable and append-only attributes");

        const platform::SettingDeletion result = remove(u"Orveta"_s, u"Key_Path"_s);
        QCOMPARE(result.outcome, Outcome::NotWritable);
        QVERIFY(!result.reason.isEmpty());
        QCOMPARE(readFile(config.iniPath()), kStored);
        QCOMPARE(folderEntries(config.dir.path()), QStringList{u"KORVEL.ini"_s});
    }

    void shouldTellWhetherInstalled_data()
    {
        QTest::addColumn<QString>("installPath");
        QTest::addColumn<bool>("installed");
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("drive") << u"C:"_s << false;
        QTest::newRow("three") << u"abc"_s << true;
        QTest::newRow("two beyond the basic plane") << u"\U00020000\U00020000"_s << false;
        QTest::newRow("three beyond the basic plane")
            << u"\U00020000\U00020000\U00020000"_s << true;
    }
    void shouldTellWhetherInstalled()
    {
        QFETCH(QString, installPath);
        QFETCH(bool, installed);
        QCOMPARE(settings::isInstalled(installPath), installed);
    }

    void shouldNoticeNotInstalled()
    {
        QCOMPARE(settings::notInstalledNotice(),
                 (Message{u"ORVETAがｲﾝｽﾄｰﾙされていないか、ORVETAを      \r"
                          u"一度も起動していない可能性があります。\r\r中止します・・・・・"_s,
                          u"勤務ﾃﾞｰﾀ削除"_s, MessageIcon::Exclamation, MessageButtons::Ok}));
    }
};

QTEST_GUILESS_MAIN(SettingsStoreTest)
#include "tst_settingsstore.moc"
