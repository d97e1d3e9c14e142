#include "platform/text.h"
#include "shell/qt/mainwindow.h"
#include "testsupport.h"

#include <QAction>
#include <QComboBox>
#include <QDate>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>

namespace {

struct Control
{
    QString container;
    QRect geometry; // an empty size: a label sizing itself to its text
    QString caption = {};
    QColor colour = {}; // invalid: the style's own
    qreal pointSize = 9.0;
    bool bold = false;
};

} // namespace

class MainWindowTest final : public QObject
{
    Q_OBJECT

private:
    template<typename T = QWidget>
    T *child(const QString &name) const
    {
        return window_->findChild<T *>(name);
    }

    bool showWindow()
    {
        window_->show();
        window_->activateWindow();
        return QTest::qWaitForWindowActive(&*window_);
    }

    // The window reads the user's settings when it appears: never the real ones.
    std::optional<TemporaryConfig> config_;
    std::optional<shell::MainWindow> window_;

private slots:
    void init()
    {
        window_.reset();
        config_.emplace();
        window_.emplace();
    }

    void shouldLayOutControls_data()
    {
        QTest::addColumn<Control>("control"); // the row's name is the control's
        const QString client = u"client"_s;
        const QColor blue(0, 0, 255);
        const QColor red(255, 0, 0);
        QTest::newRow("Frame3") << Control{client, {-8, 0, 3690, 2}};
        QTest::newRow("Label2_0") << Control{
            client, {16, 16, 0, 0}, u"「ORVETA」勤務データの削除"_s, blue, 9.75, true};
        QTest::newRow("Label5") << Control{
            client, {248, 16, 0, 0}, u"削除データ数 ： 0"_s, red, 9.75, true};
        QTest::newRow("Frame1") << Control{client, {32, 48, 345, 89}, u"削除する月の範囲"_s};
        QTest::newRow("Label4_0") << Control{u"Frame1"_s, {32, 24, 0, 0}, u"開 始"_s};
        QTest::newRow("Combo1") << Control{u"Frame1"_s, {80, 24, 217, 20}};
        QTest::newRow("Label4_1") << Control{u"Frame1"_s, {32, 56, 0, 0}, u"終 了"_s};
        QTest::newRow("Combo2") << Control{u"Frame1"_s, {80, 56, 217, 20}};
        QTest::newRow("Command1") << Control{client, {64, 152, 105, 41}, u"OK"_s};
        QTest::newRow("Command2") << Control{client, {240, 152, 105, 41}, u"キャンセル"_s};
        QTest::newRow("Frame2") << Control{client, {16, 208, 385, 57}, u"ﾌｫﾙﾀﾞ名"_s};
        QTest::newRow("Label1") << Control{u"Frame2"_s, {8, 24, 0, 0}, {}, blue};
        QTest::newRow("Label2_1") << Control{
            client,
            {24, 280, 0, 0},
            u"ご注意 勤務データを削除する前にバックアップをおすすめします。"_s,
            red};
        QTest::newRow("Label4_2") << Control{client, {272, 304, 0, 0}, u"㈱ソルカナ"_s};
    }
    void shouldLayOutControls()
    {
        QFETCH(Control, control);
        QVERIFY(showWindow());
        QWidget *widget = child(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(widget);
        QCOMPARE(widget->parentWidget()->objectName(), control.container);
        QCOMPARE(widget->pos(), control.geometry.topLeft());
        if (qobject_cast<QLabel *>(widget))
            QCOMPARE(widget->width(), widget->sizeHint().width());
        else
            QCOMPARE(widget->size(), control.geometry.size());
        QCOMPARE(widget->property(widget->inherits("QGroupBox") ? "title" : "text").toString(),
                 control.caption);

        const QFontInfo font(widget->font());
        QVERIFY2(
            QStringList({u"ＭＳ Ｐゴシック"_s, u"MS PGothic"_s, u"IPAPGothic"_s})
                    .contains(font.family())
                || QFontDatabase::writingSystems(font.family()).contains(QFontDatabase::Japanese),
            qPrintable(font.family()));
        QCOMPARE(font.pointSizeF(), control.pointSize);
        QCOMPARE(widget->font().weight(), control.bold ? QFont::Bold : QFont::Normal);
        QVERIFY(!control.colour.isValid()
                || widget->palette().color(QPalette::WindowText) == control.colour);
    }

    void shouldKeepWindowFixed()
    {
        QCOMPARE(window_->windowTitle(), u" KORVEL(ORVETA) 勤務ﾃﾞｰﾀの削除"_s);
        QCOMPARE(window_->objectName(), u"Form1"_s);
        // Minimising stays possible; maximising a fixed window makes no sense.
        const Qt::WindowFlags flags = window_->windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(showWindow());
        QCOMPARE(window_->centralWidget()->size(), QSize(415, 334));
        QCOMPARE(window_->centralWidget()->y(), window_->menuBar()->geometry().bottom() + 1);
        QCOMPARE(window_->minimumSize(), window_->maximumSize());
        QCOMPARE(window_->size(), window_->minimumSize());
    }

    // Both lists are preset from the one date the window was given.
    void shouldOfferEveryMonthPresetToDate_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QString>("preset");
        QTest::newRow("first entry") << QDate(2002, 1, 1) << u"2002年01月度"_s;
        QTest::newRow("inside") << QDate(2030, 6, 15) << u"2030年06月度"_s;
        QTest::newRow("last entry") << QDate(2030, 12, 31) << u"2030年12月度"_s;
        QTest::newRow("after the list") << QDate(2031, 1, 1) << u"2030年12月度"_s;
        QTest::newRow("before the list") << QDate(2001, 12, 31) << u"2002年01月度"_s;
        QTest::newRow("year above 9999") << QDate(12345, 3, 1) << u"2030年12月度"_s;
    }
    void shouldOfferEveryMonthPresetToDate()
    {
        QFETCH(QDate, today);
        QFETCH(QString, preset);
        window_.reset();
        window_.emplace(platform::CalendarDate{today.year(), today.month(), today.day()});
        for (const QString &name : {u"Combo1"_s, u"Combo2"_s}) {
            const auto *list = child<QComboBox>(name);
            QVERIFY2(list && !list->isEditable(), qPrintable(name));
            QCOMPARE(list->count(), 348);
            for (int i = 0; i < list->count(); ++i)
                QCOMPARE(list->itemText(i),
                         QDate(2002 + i / 12, i % 12 + 1, 1).toString(u"yyyy年MM月度"_s));
            QCOMPARE(list->currentText(), preset);
        }
    }

    void shouldPresetToTodayByDefault()
    {
        const auto *list = child<QComboBox>(u"Combo1"_s);
        const QDate today = QDate::currentDate();
        if (today.year() >= 2002 && today.year() <= 2030)
            QCOMPARE(list->currentText(), today.toString(u"yyyy年MM月度"_s));
    }

    void shouldBuildFileMenu()
    {
        const auto *menu = child<QMenu>(u"f000"_s);
        QVERIFY(menu);
        QCOMPARE(menu->title(), u"ﾌｧｲﾙ(&F)"_s);
        QCOMPARE(window_->menuBar()->actions(), QList<QAction *>{menu->menuAction()});
        QStringList items; // separators as "-"
        for (const QAction *action : menu->actions()) {
            items << action->objectName() + u' '
                         + (action->isSeparator() ? u"-"_s : action->text());
            QVERIFY(action->shortcuts().isEmpty() && action->isEnabled() && action->isVisible());
        }
        QCOMPARE(items, (QStringList{u"P_EXPL ｴｸｽﾌﾟﾛｰﾗ起動(&E)"_s, u"f001 -"_s,
                                     u"Reg_DEL ﾚｼﾞｽﾄﾘ削除(&D)"_s, u"f002 -"_s,
                                     u"P_END ﾌﾟﾛｸﾞﾗﾑの終了(&C)"_s}));
    }

    void shouldCycleFocusInTabOrder()
    {
        QVERIFY(showWindow());
        QCOMPARE(QApplication::focusWidget(), child(u"Command2"_s));
        for (const QString &name : {u"Combo1"_s, u"Combo2"_s, u"Command1"_s, u"Command2"_s}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), name);
        }
        for (const QString &name : {u"Command1"_s, u"Combo2"_s, u"Combo1"_s, u"Command2"_s}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
            QCOMPARE(QApplication::focusWidget()->objectName(), name);
        }
    }

    void shouldPressFocusedButtonOnly_data()
    {
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("okClicks");
        QTest::newRow("Space") << Qt::Key_Space << u"Command1"_s << 1;
        QTest::newRow("Return") << Qt::Key_Return << u"Command1"_s << 1;
        QTest::newRow("Enter") << Qt::Key_Enter << u"Command1"_s << 1;
        QTest::newRow("Escape") << Qt::Key_Escape << u"Command2"_s << 0;
    }
    void shouldPressFocusedButtonOnly()
    {
        QFETCH(Qt::Key, key);
        QFETCH(QString, focus);
        QFETCH(int, okClicks);
        QVERIFY(showWindow());
        QSignalSpy okClicked(child<QPushButton>(u"Command1"_s), &QPushButton::clicked);
        QSignalSpy cancelClicked(child<QPushButton>(u"Command2"_s), &QPushButton::clicked);
        child(focus)->setFocus();
        const BoxAnswerer answerer; // with nothing installed OK answers with a notice
        QTest::keyClick(child(focus), key);
        QCOMPARE(okClicked.size(), okClicks);
        QCOMPARE(cancelClicked.size(), 0);
        QVERIFY(window_->isVisible());
    }

    void shouldShowDataFolderOnce_data()
    {
        QTest::addColumn<QByteArray>("ini"); // null: no settings file at all
        QTest::addColumn<QString>("folder");
        QTest::newRow("installed")
            << QByteArray("[Orveta]\nKey_Path=/home/user/orveta\n") << u"/home/user/orveta/data"_s;
        QTest::newRow("three characters") << QByteArray("[Orveta]\nKey_Path=/ab\n") << u"/ab/data"_s;
        // A folder that depends on where the tool was started is no folder.
        QTest::newRow("relative") << QByteArray("[Orveta]\nKey_Path=orveta\n") << QString();
        QTest::newRow("windows drive") << QByteArray("[Orveta]\nKey_Path=C:\\\n") << QString();
        QTest::newRow("drive only") << QByteArray("[Orveta]\nKey_Path=C:\n") << QString();
        QTest::newRow("empty value") << QByteArray("[Orveta]\nKey_Path=\n") << QString();
        QTest::newRow("other group")
            << QByteArray("[Other]\nKey_Path=/home/user/orveta\n") << QString();
        QTest::newRow("no settings file") << QByteArray() << QString();
        // A byte that is no UTF-8 is one character, shown as U+FFFD.
        QTest::newRow("folder name not UTF-8")
            << QByteArray("[Orveta]\nKey_Path=/srv/caf\xE9\n") << u"/srv/caf\uFFFD/data"_s;
        QTest::newRow("two bytes of a character cut short")
            << QByteArray("[Orveta]\nKey_Path=/\xE2\x82\n") << u"/\uFFFD\uFFFD/data"_s;
        QTest::newRow("one byte not UTF-8")
            << QByteArray("[Orveta]\nKey_Path=/\xE9\n") << QString();
    }
    void shouldShowDataFolderOnce()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, folder);
        QVERIFY(ini.isNull() || writeFile(config_->iniPath(), ini));
        const auto *label = child<QLabel>(u"Label1"_s);
        QVERIFY(label && label->text().isEmpty());
        QVERIFY(showWindow());
        QCOMPARE(label->text(), folder);
        QCOMPARE(label->width(), label->sizeHint().width());

        // Coming back shows what was read the first time.
        QVERIFY(writeFile(config_->iniPath(), "[Orveta]\nKey_Path=/srv/elsewhere\n"));
        window_->hide();
        QVERIFY(showWindow());
        QCOMPARE(label->text(), folder);
        // The window keeps the folder's bytes as they are stored.
        const QByteArray stored = ini.mid(ini.indexOf("Key_Path=") + 9).chopped(1);
        QVERIFY(folder.isEmpty()
                || platform::toUtf8(window_->commands().installPath()) == stored.toStdString());
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
