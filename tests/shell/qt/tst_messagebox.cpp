#include "shell/qt/application.h"
#include "shell/qt/messagebox.h"
#include "tests/shell/qt/testsupport.h"

#include <QFontDatabase>
#include <QLabel>
#include <QScreen>

class MessageBoxTest : public QObject
{
    Q_OBJECT

public:
    // Before the application starts: a screen of 1280 × 1024 pixels, as in
    // the office, at the scale QT_SCALE_FACTOR asks for.
    static void initMain()
    {
        static QTemporaryDir folder;
        QFile config(folder.filePath(u"screen.json"_s));
        if (!config.open(QIODevice::WriteOnly)
            || config.write(R"({"screens": [{"name": "office", "x": 0, "y": 0, "width": 1280,
                "height": 1024, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")
                   < 0)
            qFatal("cannot write %s", qPrintable(config.fileName()));
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config.fileName()));
    }

private slots:
    // Set up as the program sets itself up, in a locale that is not Japanese:
    // the boxes speak Japanese all the same, in the window's face.
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        shell::configureApplication();
    }

    // Desktops tie the window to its desktop entry by this name: a Wayland
    // compositor by the app id that Qt makes of it.
    void shouldBeNamedAfterItsDesktopEntry()
    {
        QCOMPARE(QGuiApplication::desktopFileName() + u".desktop"_s,
                 QStringLiteral(DESKTOP_ENTRY));
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
        // A notice has nothing to cancel: however it goes, it answers OK.
        QTest::newRow("notice, Escape") << false << Qt::Key_Escape << MessageAnswer::Ok;
        QTest::newRow("notice, closed") << false << Qt::Key_Close << MessageAnswer::Ok;
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

    // A path of 300 characters, one folder name of them without a separator,
    // in an error box: the box stays on the screen, the label shows every
    // line whole, and the path is all there once the breaks are taken out.
    // MESSAGEBOX_SNAPSHOT=FILE.png saves the box as shown.
    void shouldShowLongPathWholeWithinScreen()
    {
        const QString start = u"/home/user/共有/ORVETA/"_s;
        const QString end = u"/data/200406orveta.mdb"_s;
        const QString path = start + QString(300 - start.size() - end.size(), u'a') + end;
        QCOMPARE(path.size(), 300);
        const Message message{u"勤務データの削除中にエラーが発生しました。\r"_s.toStdU16String()
                                  + u16(path)
                                  + u" : アクセスが拒否されました。\r\r中止します・・・・・",
                              u"勤務ﾃﾞｰﾀ削除", MessageIcon::Exclamation, MessageButtons::Ok};

        struct Seen
        {
            QRect frame, screen;
            QString text;
            int labelWidth = 0, widestLine = 0;
        };
        std::optional<Seen> seen;
        QTimer inspector;
        connect(&inspector, &QTimer::timeout, [&seen] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            const auto *label = box->findChild<QLabel *>(u"qt_msgbox_label"_s);
            QVERIFY(label);
            seen = Seen{box->frameGeometry(), box->screen()->geometry(), label->text(),
                        label->contentsRect().width()};
            const QFontMetrics metrics(label->font());
            for (const QString &line : label->text().split(u'\n'))
                seen->widestLine = std::max(seen->widestLine, metrics.horizontalAdvance(line));
            if (const QString file = qEnvironmentVariable("MESSAGEBOX_SNAPSHOT"); !file.isEmpty())
                box->grab().save(file);
            QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, Qt::Key_Return);
        });
        inspector.start(10);
        QCOMPARE(shell::showMessageBox(nullptr, message), MessageAnswer::Ok);

        QVERIFY(seen);
        const qreal scale = qEnvironmentVariable("QT_SCALE_FACTOR", u"1"_s).toDouble();
        QCOMPARE(seen->screen.size() * scale, QSize(1280, 1024));
        QVERIFY2(seen->screen.contains(seen->frame),
                 qPrintable(u"box %1,%2 %3×%4 on a screen of %5×%6"_s.arg(seen->frame.x())
                                .arg(seen->frame.y())
                                .arg(seen->frame.width())
                                .arg(seen->frame.height())
                                .arg(seen->screen.width())
                                .arg(seen->screen.height())));
        QVERIFY2(seen->widestLine <= seen->labelWidth,
                 qPrintable(u"a line of %1 pixels in a label of %2"_s.arg(seen->widestLine)
                                .arg(seen->labelWidth)));
        QVERIFY2(
            QString(seen->text).remove(u'\n').contains(path + u" : アクセスが拒否されました。"_s),
            qPrintable(seen->text));
    }
};

QTEST_MAIN(MessageBoxTest)
#include "tst_messagebox.moc"
