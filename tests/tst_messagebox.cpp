#include "shell/qt/application.h"
#include "shell/qt/messagebox.h"
#include "testsupport.h"

#include <QFontDatabase>

class MessageBoxTest : public QObject
{
    Q_OBJECT

private slots:
    // Set up as the program sets itself up, in a locale that is not Japanese:
    // the boxes speak Japanese all the same, in the window's face.
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        shell::configureApplication();
    }

    void shouldShowMessageAndReturnAnswer_data()
    {
        QTest::addColumn<bool>("question"); // with OK and Cancel, else a notice with OK
        QTest::addColumn<Qt::Key>("key"); // Key_Close: the close button, Key_Cancel: a click
        QTest::addColumn<MessageAnswer>("answer");
        QTest::newRow("question, Return") << true << Qt::Key_Return << MessageAnswer::Ok;
        QTest::newRow("question, Escape") << true << Qt::Key_Escape << MessageAnswer::Cancel;
        QTest::newRow("question, closed") << true << Qt::Key_Close << MessageAnswer::Cancel;
        QTest::newRow("question, Cancel clicked")
            << true << Qt::Key_Cancel << MessageAnswer::Cancel;
        QTest::newRow("notice, Return") << false << Qt::Key_Return << MessageAnswer::Ok;
    }
    void shouldShowMessageAndReturnAnswer()
    {
        QFETCH(bool, question);
        QFETCH(Qt::Key, key);
        QFETCH(MessageAnswer, answer);
        const BoxAnswerer answerer({key});
        const Message message{u"<b>一行目</b>\r二行目\r\r中止します", u"勤務ﾃﾞｰﾀ削除",
                              question ? MessageIcon::Question : MessageIcon::Exclamation,
                              question ? MessageButtons::OkCancel : MessageButtons::Ok};
        QCOMPARE(shell::showMessageBox(nullptr, message), answer);

        QCOMPARE(answerer.shown.size(), 1);
        const BoxAnswerer::Shown &shown = answerer.shown.first();
        QCOMPARE(shown.text, u"<b>一行目</b>\n二行目\n\n中止します"_s);
        QCOMPARE(shown.format, Qt::PlainText);
        QCOMPARE(shown.title, u"勤務ﾃﾞｰﾀ削除"_s);
        QCOMPARE(shown.icon, question ? QMessageBox::Question : QMessageBox::Warning);
        QCOMPARE(shown.buttons, question ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok);
        QVERIFY(shown.okIsDefault);
        const QStringList buttonTexts
            = question ? QStringList{u"OK"_s, u"キャンセル"_s} : QStringList{u"OK"_s};
        QCOMPARE(shown.buttonTexts, buttonTexts);
        QVERIFY2(QFontDatabase::writingSystems(shown.fontFamily).contains(QFontDatabase::Japanese),
                 qPrintable(shown.fontFamily));
    }
};

QTEST_MAIN(MessageBoxTest)
#include "tst_messagebox.moc"
