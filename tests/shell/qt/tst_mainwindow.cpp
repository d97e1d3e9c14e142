// The Qt face's window: its controls as the window table lays them out, its
// menu, the keyboard, and what it shows at start.

#include "platform/text.h"
#include "shell/qt/mainwindow.h"
#include "tests/shell/qt/testsupport.h"

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

struct Placed
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
    T *child(Control control) const
    {
        return controlOf<T>(*window_, control);
    }

    bool showWindow()
    {
        window_->show();
        window_->activateWindow();
        return QTest::qWaitForWindowActive(&*window_, 30000);
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
        QTest::addColumn<Control>("control");
        QTest::addColumn<Placed>("placed");
        const QString client = u"client"_s;
        const QString range = controlName(Control::RangeFrame);
        const QColor blue(0, 0, 255);
        const QColor red(255, 0, 0);
        const auto row = [](Control control, const Placed &placed) {
            QTest::newRow(qPrintable(controlName(control))) << control << placed;
        };
        row(Control::TopLine, {client, {-8, 0, 3690, 2}});
        row(Control::Heading,
            {client, {16, 16, 0, 0}, u"「ORVETA」勤務データの削除"_s, blue, 9.75, true});
        row(Control::DeletedCount,
            {client, {248, 16, 0, 0}, u"削除データ数 ： 0"_s, red, 9.75, true});
        row(Control::RangeFrame, {client, {32, 48, 345, 89}, u"削除する月の範囲"_s});
        row(Control::StartLabel, {range, {32, 24, 0, 0}, u"開 始"_s});
        row(Control::StartList, {range, {80, 24, 217, 20}});
        row(Control::EndLabel, {range, {32, 56, 0, 0}, u"終 了"_s});
        row(Control::EndList, {range, {80, 56, 217, 20}});
        row(Control::OkButton, {client, {64, 152, 105, 41}, u"OK"_s});
        row(Control::CancelButton, {client, {240, 152, 105, 41}, u"キャンセル"_s});
        row(Control::FolderFrame, {client, {16, 208, 385, 57}, u"ﾌｫﾙﾀﾞ名"_s});
        row(Control::FolderLabel, {controlName(Control::FolderFrame), {8, 24, 0, 0}, {}, blue});
        row(Control::Caution, {client,
                               {24, 280, 0, 0},
                               u"ご注意 勤務データを削除する前にバックアップをおすすめします。"_s,
                               red});
        row(Control::Maker, {client, {272, 304, 0, 0}, u"㈱ソルカナ"_s});
    }
    void shouldLayOutControls()
    {
        QFETCH(Control, control);
        QFETCH(Placed, placed);
        QVERIFY(showWindow());
        QWidget *widget = child(control);
        QVERIFY(widget);
        QCOMPARE(widget->parentWidget()->objectName(), placed.container);
        QCOMPARE(widget->pos(), placed.geometry.topLeft());
        if (qobject_cast<QLabel *>(widget))
            QCOMPARE(widget->width(), widget->sizeHint().width());
        else
            QCOMPARE(widget->size(), placed.geometry.size());
        QCOMPARE(widget->property(widget->inherits("QGroupBox") ? "title" : "text").toString(),
                 placed.caption);

        const QFontInfo font(widget->font());
        QVERIFY2(
            QStringList({u"ＭＳ Ｐゴシック"_s, u"MS PGothic"_s, u"IPAPGothic"_s})
                    .contains(font.family())
                || QFontDatabase::writingSystems(font.family()).contains(QFontDatabase::Japanese),
            qPrintable(font.family()));
        QCOMPARE(font.pointSizeF(), placed.pointSize);
        QCOMPARE(widget->font().weight(), placed.bold ? QFont::Bold : QFont::Normal);
        QVERIFY(!placed.colour.isValid()
                || widget->palette().color(QPalette::WindowText) == placed.colour);
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
        QTest::newRow("inside the first year") << QDate(2002, 6, 15) << u"2002年06月度"_s;
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
        for (const Control control : {Control::StartList, Control::EndList}) {
            const auto *list = child<QComboBox>(control);
            QVERIFY2(list && !list->isEditable(), qPrintable(controlName(control)));
            QCOMPARE(list->count(), 348);
            for (int i = 0; i < list->count(); ++i)
                QCOMPARE(list->itemText(i),
                         QDate(2002 + i / 12, i % 12 + 1, 1).toString(u"yyyy年MM月度"_s));
            QCOMPARE(list->currentText(), preset);
        }
    }

    // Each list holds its entries itself: what one of them is given, the
    // other does not show.
    void shouldKeepEachListsEntriesApart()
    {
        auto *start = child<QComboBox>(Control::StartList);
        auto *end = child<QComboBox>(Control::EndList);
        start->addItem(u"2031年01月度"_s);
        QCOMPARE(start->count(), 349);
        QCOMPARE(end->count(), 348);
        QCOMPARE(end->findText(u"2031年01月度"_s), -1);
    }

    // Whatever the year: outside the list the nearest end stands.
    void shouldPresetToTodayByDefault()
    {
        const QDate before = QDate::currentDate();
        window_.reset();
        window_.emplace();
        const QDate after = QDate::currentDate();
        const auto preset = [](const QDate &date) {
            if (date.year() < 2002)
                return u"2002年01月度"_s;
            if (date.year() > 2030)
                return u"2030年12月度"_s;
            return date.toString(u"yyyy年MM月度"_s);
        };
        const QString shown = child<QComboBox>(Control::StartList)->currentText();
        QVERIFY2(shown == preset(before) || shown == preset(after), qPrintable(shown));
    }

    void shouldBuildFileMenu()
    {
        const auto *menu = window_->findChild<QMenu *>(u"f000"_s);
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
        QCOMPARE(QApplication::focusWidget(), child(Control::CancelButton));
        for (const Control control :
             {Control::StartList, Control::EndList, Control::OkButton, Control::CancelButton}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), child(control));
        }
        for (const Control control :
             {Control::OkButton, Control::EndList, Control::StartList, Control::CancelButton}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
            QCOMPARE(QApplication::focusWidget(), child(control));
        }
    }

    void shouldPressFocusedButtonOnly_data()
    {
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<Control>("focus");
        QTest::addColumn<int>("okClicks");
        QTest::newRow("Space") << Qt::Key_Space << Control::OkButton << 1;
        QTest::newRow("Return") << Qt::Key_Return << Control::OkButton << 1;
        QTest::newRow("Enter") << Qt::Key_Enter << Control::OkButton << 1;
        QTest::newRow("Escape") << Qt::Key_Escape << Control::CancelButton << 0;
    }
    void shouldPressFocusedButtonOnly()
    {
        QFETCH(Qt::Key, key);
        QFETCH(Control, focus);
        QFETCH(int, okClicks);
        QVERIFY(showWindow());
        QSignalSpy okClicked(child<QPushButton>(Control::OkButton), &QPushButton::clicked);
        QSignalSpy cancelClicked(child<QPushButton>(Control::CancelButton), &QPushButton::clicked);
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
        QTest::newRow("three characters")
            << QByteArray("[Orveta]\nKey_Path=/ab\n") << u"/ab/data"_s;
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
        const auto *label = child<QLabel>(Control::FolderLabel);
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
