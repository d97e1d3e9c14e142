// The OK button of the real window, from the lists the user sets to the
// files that go and the count the window shows.

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

// The list entry of a month: "2004年06月度" for 200406.
QString period(int code)
{
    const QString digits = QString::number(code);
    return digits.left(4) + u'年' + digits.mid(4) + u"月度"_s;
}

} // namespace

class DeletionFromWindowTest final : public QObject
{
    Q_OBJECT

private slots:
    void shouldDeleteFromWindow_data()
    {
        QTest::addColumn<QString>("orveta"); // ORVETA's folder in install_; empty: install_
        QTest::newRow("plain") << QString();
        // Two UTF-16 units, four bytes of UTF-8.
        QTest::newRow("folder beyond the basic plane") << u"𠮷野家のORVETA"_s;
    }
    void shouldDeleteFromWindow()
    {
        QFETCH(QString, orveta);
        const QString folder = orveta.isEmpty() ? install_.path() : install_.filePath(orveta);
        const QString data = folder + u"/data"_s;
        QVERIFY(QDir(data).removeRecursively() && QDir().mkpath(data));
        const QStringList present = files({200405, 200406, 200407, 200408, 200409});
        for (const QString &name : present)
            QVERIFY(writeFile(data + u'/' + name, {}));
        const TemporaryConfig config; // read once, when the window first appears
        QVERIFY(writeFile(config.iniPath(), "[Orveta]\nKey_Path=" + folder.toUtf8()));
        shell::MainWindow window;
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window, 30000));
        QCOMPARE(controlOf<QLabel>(window, Control::FolderLabel)->text(), data);
        auto *start = controlOf<QComboBox>(window, Control::StartList);
        auto *end = controlOf<QComboBox>(window, Control::EndList);
        auto *ok = controlOf<QPushButton>(window, Control::OkButton);

        // The wrong order first: nothing goes, and the start list gets the focus.
        start->setCurrentText(period(200408));
        end->setCurrentText(period(200406));
        QVERIFY(!start->hasFocus());
        {
            const BoxAnswerer answerer({Qt::Key_Return});
            QTest::mouseClick(ok, Qt::LeftButton);
            QCOMPARE(answerer.shown.size(), 1);
            QVERIFY(
                answerer.shown.first().text.startsWith(u"開始年月と終了年月の順序が違います。"_s));
        }
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window, 30000));
        QTRY_VERIFY_WITH_TIMEOUT(start->hasFocus(), 30000);
        QCOMPARE(folderEntries(data), present);

        start->setCurrentText(period(200406));
        end->setCurrentText(period(200408));
        const BoxAnswerer answerer({Qt::Key_Return, Qt::Key_Return});
        QTest::mouseClick(ok, Qt::LeftButton);
        QCOMPARE(answerer.shown.size(), 2);
        QCOMPARE(answerer.shown.last().text, u"本当に勤務データを削除してよろしいですか？"_s);
        QCOMPARE(folderEntries(data), files({200405, 200409}));
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
        QVERIFY(QTest::qWaitForWindowActive(&window, 30000));
        const QString shownFolder = root.path() + u"/caf\uFFFD/data"_s;
        QCOMPARE(controlOf<QLabel>(window, Control::FolderLabel)->text(), shownFolder);
        controlOf<QComboBox>(window, Control::StartList)->setCurrentText(period(200406));
        controlOf<QComboBox>(window, Control::EndList)->setCurrentText(period(200408));
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
    QTemporaryDir install_; // its data folders are laid anew by each row
};

QTEST_MAIN(DeletionFromWindowTest)
#include "tst_deletionfromwindow.moc"
