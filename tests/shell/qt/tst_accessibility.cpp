#include "shell/qt/mainwindow.h"
#include "tests/shell/qt/testsupport.h"

#include <QAccessible>
#include <QStringList>

// What a screen reader is told about the controls: the window is never shown,
// so it reads no settings.
class AccessibilityTest final : public QObject
{
    Q_OBJECT

private slots:
    void shouldNameAndDescribeControls_data()
    {
        QTest::addColumn<Control>("control");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("description"); // the tooltip
        QTest::newRow("start list") << Control::StartList << u"開 始"_s << QString();
        QTest::newRow("end list") << Control::EndList << u"終 了"_s << QString();
        QTest::newRow("OK") << Control::OkButton << u"OK"_s << u"勤務ﾃﾞｰﾀの削除"_s;
        QTest::newRow("cancel") << Control::CancelButton << u"キャンセル"_s << u"ﾌﾟﾛｸﾞﾗﾑの終了"_s;
    }
    void shouldNameAndDescribeControls()
    {
        QFETCH(Control, control);
        QFETCH(QString, name);
        QFETCH(QString, description);
        shell::MainWindow window;
        QAccessibleInterface *iface
            = QAccessible::queryAccessibleInterface(controlOf(window, control));
        QVERIFY(iface);
        // On Linux a list's own name is its current text, and the label comes
        // through the "labelled by" relation; elsewhere the name is the label.
        QStringList names{iface->text(QAccessible::Name)};
        for (const auto &[label, relation] : iface->relations(QAccessible::Label))
            names << label->text(QAccessible::Name);
        QVERIFY2(names.contains(name), qPrintable(u"told: "_s + names.join(u" | "_s)));
        QCOMPARE(iface->text(QAccessible::Description), description);
    }
};

QTEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
