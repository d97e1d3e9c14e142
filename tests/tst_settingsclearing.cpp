#include "settings/productsettings.h"
#include "settings/settingsclearing.h"
#include "testsupport.h"

#include <cerrno>

namespace {

const std::u16string kTitle = u"ﾚｼﾞｽﾄﾘ削除";
const std::u16string kFolder = u"/opt/orveta";
const QList<Message> kConfirmed{{u"「ORVETA」のレジストリ情報を削除しますか？", kTitle,
                                 MessageIcon::Question, MessageButtons::OkCancel},
                                {u"本当にレジストリ情報を削除しますか？", kTitle,
                                 MessageIcon::Question, MessageButtons::OkCancel}};
const Message kNothingRegistered{u"レジストリ情報の登録がありません。", kTitle,
                                 MessageIcon::Exclamation, MessageButtons::Ok};
const Message kCleared{u"レジストリ情報を削除しました。", kTitle, MessageIcon::Exclamation,
                       MessageButtons::Ok};

// A clearing drops the two lines and nothing else.
const QByteArray kStored = "# comment\n\n[General]\nA=1\n\n# about ORVETA\n\n[Orveta]\n"
                           "Key_Path=/opt/orveta\nPass_Wd=x\nOther=日本語\n\n[Z]\nB=a,b\\c\n";
const QByteArray kCleaned = "# comment\n\n[General]\nA=1\n\n# about ORVETA\n\n[Orveta]\n"
                            "Other=日本語\n\n[Z]\nB=a,b\\c\n";

struct FakeWindow final : RecordingWindow<settings::ClearingWindow>
{
    using RecordingWindow::RecordingWindow;
    void setFolderCaption(const std::u16string &caption) override { captions.append(caption); }
};

// One clearing, started from a window that shows kFolder.
struct Clearing
{
    QByteArray content, after; // null: no settings file at all
    QList<Message> messages;
    std::u16string installPath = kFolder; // afterwards
    QList<std::u16string> captions = {}; // Label1's
    QList<MessageAnswer> answers = {};
};

} // namespace

class SettingsClearingTest final : public QObject
{
    Q_OBJECT

private slots:
    // What was deleted before a missing entry stays deleted; the window keeps
    // its folder all the same.
    void shouldClearSettings_data()
    {
        QTest::addColumn<Clearing>("clearing");
        QTest::newRow("folder and password") << Clearing{
            kStored, kCleaned, kConfirmed + QList{kCleared}, {}, QList{std::u16string()}};
        // Both lines of a folder stored twice go: none is left to be read
        // again and have its data files deleted by the next OK.
        QTest::newRow("folder stored twice")
            << Clearing{"[Orveta]\r\nKey_Path=/srv/old\r\nKey_Path=/opt/orveta\r\nPass_Wd=x\r\n",
                        "[Orveta]\r\n",
                        kConfirmed + QList{kCleared},
                        {},
                        {std::u16string()}};
        QTest::newRow("cancelled first") << Clearing{kStored, kStored, kConfirmed.mid(0, 1),
                                                     kFolder, {},      {MessageAnswer::Cancel}};
        QTest::newRow("cancelled second") << Clearing{
            kStored, kStored, kConfirmed, kFolder, {}, {MessageAnswer::Ok, MessageAnswer::Cancel}};
        QTest::newRow("password missing")
            << Clearing{"[Orveta]\nKey_Path=/opt/orveta\nOther=1\n", "[Orveta]\nOther=1\n",
                        kConfirmed + QList{kNothingRegistered}};
        QTest::newRow("folder missing")
            << Clearing{"[Orveta]\nPass_Wd=x\n", "[Orveta]\nPass_Wd=x\n",
                        kConfirmed + QList{kNothingRegistered}};
        QTest::newRow("no settings file")
            << Clearing{{}, {}, kConfirmed + QList{kNothingRegistered}};
    }
    void shouldClearSettings()
    {
        QFETCH(Clearing, clearing);
        const TemporaryConfig config;
        const auto mode = QFile::ReadOwner | QFile::WriteOwner; // 0600
        QVERIFY(clearing.content.isNull()
                || (writeFile(config.iniPath(), clearing.content)
                    && QFile::setPermissions(config.iniPath(), mode)));
        FakeWindow window(clearing.answers);
        std::u16string installPath = kFolder;

        settings::clearSettings(window, installPath);

        QCOMPARE(window.messages, clearing.messages);
        QCOMPARE(window.captions, clearing.captions);
        QCOMPARE(installPath, clearing.installPath);
        QCOMPARE(readFile(config.iniPath()), clearing.after);
        QCOMPARE(folderEntries(config.dir.path()),
                 clearing.content.isNull() ? QStringList() : QStringList{u"KORVEL.ini"_s});
        QVERIFY(clearing.content.isNull() || fileMode(config.iniPath()) == 0600);
    }

    void shouldOnlyNoticeOnceCleared()
    {
        const TemporaryConfig config;
        QVERIFY(writeFile(config.iniPath(), kStored));
        std::u16string installPath = kFolder;
        FakeWindow first;
        settings::clearSettings(first, installPath);
        FakeWindow second;
        settings::clearSettings(second, installPath);
        QCOMPARE(second.messages, QList{settings::notInstalledNotice()});
        QVERIFY(second.captions.isEmpty());
        QCOMPARE(readFile(config.iniPath()), kCleaned);
    }

    void shouldReportUnwritableFile()
    {
        const TemporaryConfig config;
        QVERIFY(writeFile(config.iniPath(), kStored));
        const AttributeGuard immutable(config.iniPath(), FS_IMMUTABLE_FL);
        if (!immutable.isSet())
            QSKIP("this file system does not take the immutable attribute");
        FakeWindow window;
        std::u16string installPath = kFolder;

        settings::clearSettings(window, installPath);

        const Message failure{u16(u"レジストリ情報を削除できませんでした。\r"_s + config.iniPath()
                                  + u" : アクセスが拒否されました。"_s),
                              kTitle, MessageIcon::Exclamation, MessageButtons::Ok};
        QCOMPARE(window.messages, kConfirmed + QList{failure});
        QVERIFY(window.captions.isEmpty());
        QCOMPARE(installPath, kFolder);
        QCOMPARE(readFile(config.iniPath()), kStored);
    }
};

QTEST_GUILESS_MAIN(SettingsClearingTest)
#include "tst_settingsclearing.moc"
