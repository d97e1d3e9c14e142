#include "deletion/deletionrun.h"
#include "deletion/period.h"
#include "settings/productsettings.h"
#include "shell/qt/mainwindow.h"
#include "testsupport.h"

#include <QComboBox>
#include <QLabel>
#include <QScopeGuard>

#include <cerrno>
#include <cstring>

namespace {

const std::u16string kTitle = u"勤務ﾃﾞｰﾀ削除";
const Message kFirstQuestion{u"削除した勤務データは復元できません。\r"
                             u"削除する前にバックアップを作成してください。\r"
                             u"勤務データを削除しますか？",
                             kTitle, MessageIcon::Question, MessageButtons::OkCancel};
const Message kSecondQuestion{u"本当に勤務データを削除してよろしいですか？", kTitle,
                              MessageIcon::Question, MessageButtons::OkCancel};
const QList<Message> kConfirmed{kFirstQuestion, kSecondQuestion};
const Message kNothingToDelete{u"削除対象データはありません。", kTitle, MessageIcon::Exclamation,
                               MessageButtons::Ok};
const Message kWrongOrder{u"開始年月と終了年月の順序が違います。\r\r変更してください・・・・・",
                          kTitle, MessageIcon::Exclamation, MessageButtons::Ok};

Message failure(const QString &detail)
{
    return {u16(u"勤務データの削除中にエラーが発生しました。\r"_s + detail
                + u"\r\r中止します・・・・・"_s),
            kTitle, MessageIcon::Exclamation, MessageButtons::Ok};
}

std::u16string caption(int count)
{
    return u16(u"削除データ数 ： "_s + QString::number(count));
}

QStringList files(std::initializer_list<int> codes)
{
    QStringList names;
    for (int code : codes)
        names.append(QString::number(code) + u"orveta.mdb"_s);
    return names;
}

std::u16string period(int code)
{
    return deletion::periodText(code / 100, code % 100);
}

struct FakeWindow final : RecordingWindow<deletion::DeletionWindow>
{
    std::u16string startPeriodText() const override { return start; }
    std::u16string endPeriodText() const override { return end; }
    void setDeletedCountCaption(const std::u16string &caption) override
    {
        captions.append(caption);
    }
    void focusStartPeriod() override { ++focusCalls; }

    std::u16string start;
    std::u16string end;
    int focusCalls = 0;
};

// One run over the data folder, which holds the files present; the window
// gives the answers and counts from countBefore.
struct Run
{
    int start, end;
    QStringList present, kept;
    int countBefore, countAfter;
    QList<Message> messages;
    QList<MessageAnswer> answers = {};
    QString blocker = {}; // what stands at 200406's place
    std::optional<QString> installPath = {}; // else the temporary install folder
};

} // namespace

class DeletionRunTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QDir data(install_.filePath(u"data"_s));
        QVERIFY(data.removeRecursively() && data.mkpath(u"."_s));
    }

    void shouldDeleteMonthsInRange_data()
    {
        QTest::addColumn<Run>("run");
        const auto row
            = [](const char *name, int start, int end, const QStringList &present,
                 const QStringList &kept, int before, int after, const QList<Message> &messages,
                 const QList<MessageAnswer> &answers = {}, const QString &blocker = {},
                 std::optional<QString> installPath = {}) {
                  QTest::newRow(name) << Run{start, end,      present, kept,    before,
                                             after, messages, answers, blocker, installPath};
              };
        const QStringList two = files({200406, 200407});
        row("one month", 200406, 200406, files({200405, 200406, 200407}), files({200405, 200407}),
            0, 1, kConfirmed);
        row("across the year", 200411, 200502,
            files({200410, 200411, 200412, 200501, 200502, 200503}), files({200410, 200503}), 0, 4,
            kConfirmed);
        // The range walks across 200400 and 200413, which are no months.
        QStringList nearMisses{u"200311orveta.mdb"_s,     u"200400orveta.mdb"_s,
                               u"200413orveta.mdb"_s,     u"200502orveta.mdb"_s,
                               u"200406orveta.mdb.bak"_s, u"200406Orveta.mdb"_s,
                               u"200406ORVETA.MDB"_s,     u"200406orveta.md"_s,
                               u"2004060orveta.mdb"_s,    u"20046orveta.mdb"_s};
        nearMisses.sort();
        row("near misses", 200312, 200501, nearMisses + files({200401, 200412}), nearMisses, 0, 2,
            kConfirmed);
        row("adds to earlier runs", 200406, 200407, two, {}, 3, 5, kConfirmed);
        row("nothing to delete", 200405, 200405, two, two, 0, 0,
            kConfirmed + QList{kNothingToDelete});
        row("nothing left, count stays", 200405, 200405, two, two, 5, 5,
            kConfirmed + QList{kNothingToDelete});
        row("cancelled first", 200406, 200407, two, two, 4, 4, {kFirstQuestion},
            {MessageAnswer::Cancel});
        row("cancelled second", 200406, 200407, two, two, 4, 4, kConfirmed,
            {MessageAnswer::Ok, MessageAnswer::Cancel});
        row("wrong order", 200407, 200406, two, two, 0, 0, {kWrongOrder});
        const Message overLimit = failure(u"削除データ数が上限を超えました。"_s);
        row("at the count limit", 200406, 200407, two, two, 32767, 32767,
            kConfirmed + QList{overLimit});
        row("reaching the count limit", 200406, 200407, two, files({200407}), 32766, 32767,
            kConfirmed + QList{overLimit});
        for (const char *blocker : {"folder", "fifo", "locked"})
            row(blocker, 200405, 200407, files({200405, 200407}), files({200406}), 0, 2, kConfirmed,
                {}, QString::fromLatin1(blocker));
        const QString blocked = install_.filePath(u"data/200406orveta.mdb"_s);
        row("undeletable file", 200404, 200407, files({200404, 200405, 200406, 200407}),
            files({200406, 200407}), 0, 2,
            kConfirmed + QList{failure(blocked + u" : アクセスが拒否されました。"_s)},
            {}, u"immutable"_s);
        // Read-only as rm judges it, for root too: the run stops at it.
        row("read-only file", 200404, 200407, files({200404, 200405, 200406, 200407}),
            files({200406, 200407}), 0, 2,
            kConfirmed + QList{failure(blocked + u" : 読み取り専用のファイルです。"_s)}, {},
            u"read-only"_s);
        // A short or relative folder would be taken from the working folder,
        // which is given a data file to lose.
        for (const QString &path : {QString(), u"ab"_s, u"𠀋𡈽"_s, u"orveta"_s, u"./orveta"_s})
            row(qPrintable(u"not installed: \""_s + path + u'"'), 200406, 200406, files({200406}),
                files({200406}), 0, 0, {settings::notInstalledNotice()}, {}, {}, path);
    }
    void shouldDeleteMonthsInRange()
    {
        QFETCH(Run, run);
        const QString saved = QDir::currentPath();
        QVERIFY(QDir::setCurrent(install_.path()));
        const auto restore = qScopeGuard([&] { QDir::setCurrent(saved); });
        const QString installPath = run.installPath.value_or(install_.path());
        const QString data = (installPath.isEmpty() ? u"."_s : installPath) + u"/data/"_s;
        QVERIFY(QDir().mkpath(data));
        for (const QString &name : run.present)
            QVERIFY(writeFile(data + name, {}));
        const QString blocked = data + files({200406}).first();
        std::optional<LockHolder> lock;
        std::optional<AttributeGuard> immutable;
        if (run.blocker == u"folder") {
            QVERIFY(QDir().mkdir(blocked));
        } else if (run.blocker == u"fifo") {
            QVERIFY(::mkfifo(QFile::encodeName(blocked).constData(), 0644) == 0);
        } else if (run.blocker == u"locked") {
            QVERIFY(writeFile(blocked, {})
                    && lock.emplace(blocked, LockApi::Flock, F_WRLCK).isHeld());
        } else if (run.blocker == u"read-only") {
            QVERIFY(QFile::setPermissions(blocked, QFile::ReadOwner | QFile::ReadGroup
                                                       | QFile::ReadOther));
        } else if (run.blocker == u"immutable"
                   && !immutable.emplace(blocked, FS_IMMUTABLE_FL).isSet()) {
            QSKIP("this file system or user cannot set the immutable attribute");
        }

        FakeWindow window;
        window.answers = run.answers;
        window.start = period(run.start);
        window.end = period(run.end);
        std::int16_t count = std::int16_t(run.countBefore);
        deletion::runDeletion(window, u16(installPath), count);
        QCOMPARE(folderEntries(data), run.kept);
        QCOMPARE(count, std::int16_t(run.countAfter));
        QCOMPARE(window.messages, run.messages);
        // Once both questions are answered OK, Label5 shows the total
        // whenever there is one.
        const bool confirmed
            = !run.answers.contains(MessageAnswer::Cancel) && run.messages.mid(0, 2) == kConfirmed;
        QCOMPARE(window.captions,
                 confirmed && count > 0 ? QList{caption(count)} : QList<std::u16string>());
        QCOMPARE(window.focusCalls, run.messages == QList{kWrongOrder} ? 1 : 0);
    }

    void shouldDeleteMonthsOnShowAfterConfirming()
    {
        for (const QString &name : files({200401, 200405, 200406}))
            QVERIFY(writeFile(install_.filePath(u"data/"_s + name), {}));
        FakeWindow window;
        window.start = window.end = period(200401);
        // The user changes the lists while the second question is open.
        window.onMessage = [&] {
            if (window.messages.size() == 2) {
                window.start = period(200405);
                window.end = period(200406);
            }
        };
        std::int16_t count = 0;
        deletion::runDeletion(window, u16(install_.path()), count);
        QCOMPARE(folderEntries(install_.filePath(u"data"_s)), files({200401}));
        QCOMPARE(count, std::int16_t(2));
    }

    void shouldDeleteFromWindow()
    {
        const QStringList present = files({200405, 200406, 200407, 200408, 200409});
        for (const QString &name : present)
            QVERIFY(writeFile(install_.filePath(u"data/"_s + name), {}));
        const TemporaryConfig config; // read once, when the window first appears
        QVERIFY(writeFile(config.iniPath(),
                          "[Orveta]\nKey_Path=" + QFile::encodeName(install_.path())));
        shell::MainWindow window;
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto *start = window.findChild<QComboBox *>(u"Combo1"_s);
        auto *end = window.findChild<QComboBox *>(u"Combo2"_s);
        auto *ok = window.findChild<QPushButton *>(u"Command1"_s);

        // The wrong order first: nothing goes, and the start list gets the focus.
        start->setCurrentText(qs(period(200408)));
        end->setCurrentText(qs(period(200406)));
        QVERIFY(!start->hasFocus());
        {
            const BoxAnswerer answerer({Qt::Key_Return});
            QTest::mouseClick(ok, Qt::LeftButton);
            QCOMPARE(answerer.shown.size(), 1);
            QVERIFY(
                answerer.shown.first().text.startsWith(u"開始年月と終了年月の順序が違います。"_s));
        }
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTRY_VERIFY(start->hasFocus());
        QCOMPARE(folderEntries(install_.filePath(u"data"_s)), present);

        start->setCurrentText(qs(period(200406)));
        end->setCurrentText(qs(period(200408)));
        const BoxAnswerer answerer({Qt::Key_Return, Qt::Key_Return});
        QTest::mouseClick(ok, Qt::LeftButton);
        QCOMPARE(answerer.shown.size(), 2);
        QCOMPARE(answerer.shown.last().text, qs(kSecondQuestion.text));
        QCOMPARE(folderEntries(install_.filePath(u"data"_s)), files({200405, 200409}));
        QCOMPARE(window.findChild<QLabel *>(u"Label5"_s)->text(), qs(caption(3)));
        QCOMPARE(window.commands().deletedCount(), std::int16_t(3));
    }

    // A folder name that is no UTF-8 is used with the bytes the settings
    // hold; only the window shows U+FFFD in place of the byte. The folder
    // whose name has U+FFFD in earnest holds data files too, and keeps them.
    void shouldDeleteInTheFolderOfTheStoredBytes()
    {
        const QTemporaryDir root;
        const QByteArray base = QFile::encodeName(root.path());
        const QByteArray stored = base + "/caf\xE9";
        const QByteArray lookalike = base + "/caf\xEF\xBF\xBD";
        const auto dataFile = [](const QByteArray &folder, int code) {
            return folder + "/data/" + QByteArray::number(code) + "orveta.mdb";
        };
        for (const QByteArray &folder : {stored, lookalike}) {
            QVERIFY(::mkdir(folder.constData(), 0700) == 0
                    && ::mkdir((folder + "/data").constData(), 0700) == 0);
            for (const int code : {200406, 200407, 200408})
                QVERIFY(::close(::creat(dataFile(folder, code).constData(), 0600)) == 0);
        }
        // Read-only: stops the run with the file's path in the box.
        QVERIFY(::chmod(dataFile(stored, 200407).constData(), 0444) == 0);
        const TemporaryConfig config;
        QVERIFY(writeFile(config.iniPath(), "[Orveta]\nKey_Path=" + stored + "\n"));

        shell::MainWindow window;
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const QString shownFolder = root.path() + u"/caf\uFFFD/data"_s;
        QCOMPARE(window.findChild<QLabel *>(u"Label1"_s)->text(), shownFolder);
        window.findChild<QComboBox *>(u"Combo1"_s)->setCurrentText(qs(period(200406)));
        window.findChild<QComboBox *>(u"Combo2"_s)->setCurrentText(qs(period(200408)));
        const BoxAnswerer answerer({Qt::Key_Return, Qt::Key_Return, Qt::Key_Return});
        QTest::mouseClick(window.findChild<QPushButton *>(u"Command1"_s), Qt::LeftButton);

        QCOMPARE(answerer.shown.size(), 3);
        // The box may break the long line of the path; the text is the same
        // without the breaks.
        QCOMPARE(
            QString(answerer.shown.last().text).remove(u'\n'),
            u"勤務データの削除中にエラーが発生しました。"_s + shownFolder
                + u"/200407orveta.mdb : 読み取り専用のファイルです。中止します・・・・・"_s);
        const auto exists
            = [](const QByteArray &path) { return ::access(path.constData(), F_OK) == 0; };
        QVERIFY(!exists(dataFile(stored, 200406)));
        QVERIFY(exists(dataFile(stored, 200407)) && exists(dataFile(stored, 200408)));
        for (const int code : {200406, 200407, 200408})
            QVERIFY2(exists(dataFile(lookalike, code)), "deleted in the other folder");
        QCOMPARE(window.findChild<QLabel *>(u"Label5"_s)->text(), qs(caption(1)));
    }

private:
    QTemporaryDir install_; // its data folder is emptied before every row
};

QTEST_MAIN(DeletionRunTest)
#include "tst_deletionrun.moc"
