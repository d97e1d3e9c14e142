// The OK button of the real window, from the lists the user sets to the
// files that go and the count the window shows.

#include "deletion/period.h"
#include "shell/qt/mainwindow.h"
#include "tests/shell/qt/testsupport.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

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

} // namespace

class DeletionFromWindowTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QDir data(install_.filePath(u"data"_s));
        QVERIFY(data.removeRecursively() && data.mkpath(u"."_s));
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
        auto *start = controlOf<QComboBox>(window, Control::StartList);
        auto *end = controlOf<QComboBox>(window, Control::EndList);
        auto *ok = controlOf<QPushButton>(window, Control::OkButton);

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
        QCOMPARE(answerer.shown.last().text, u"本当に勤務データを削除してよろしいですか？"_s);
        QCOMPARE(folderEntries(install_.filePath(u"data"_s)), files({200405, 200409}));
        QCOMPARE(controlOf<QLabel>(window, Control::DeletedCount)->text(), u"削除データ数 ： 3"_s);
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
        QCOMPARE(controlOf<QLabel>(window, Control::FolderLabel)->text(), shownFolder);
        controlOf<QComboBox>(window, Control::StartList)->setCurrentText(qs(period(200406)));
        controlOf<QComboBox>(window, Control::EndList)->setCurrentText(qs(period(200408)));
        const BoxAnswerer answerer({Qt::Key_Return, Qt::Key_Return, Qt::Key_Return});
        QTest::mouseClick(controlOf<QPushButton>(window, Control::OkButton), Qt::LeftButton);

        QCOMPARE(answerer.shown.size(), 3);
        // The box may break the long line of the path; the text is the same
        // without the breaks.
        QCOMPARE(QString(answerer.shown.last().text).remove(u'\n'),
                 u"勤務データの削除中にエラーが発生しました。"_s + shownFolder
                     + u"/200407orveta.mdb : 読み取り専用のファイルです。中止します・・・・・"_s);
        const auto exists
            = [](const QByteArray &path) { return ::access(path.constData(), F_OK) == 0; };
        QVERIFY(!exists(dataFile(stored, 200406)));
        QVERIFY(exists(dataFile(stored, 200407)) && exists(dataFile(stored, 200408)));
        for (const int code : {200406, 200407, 200408})
            QVERIFY2(exists(dataFile(lookalike, code)), "deleted in the other folder");
        QCOMPARE(controlOf<QLabel>(window, Control::DeletedCount)->text(), u"削除データ数 ： 1"_s);
    }

private:
    QTemporaryDir install_; // its data folder is emptied before every test
};

QTEST_MAIN(DeletionFromWindowTest)
#include "tst_deletionfromwindow.moc"
