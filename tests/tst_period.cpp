#include "deletion/period.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace deletion;

class PeriodTest : public QObject
{
    Q_OBJECT

private slots:
    // The month of a date as the lists preset it, its period text and its code.
    void shouldPresetAndCodePeriod_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("code");
        QTest::newRow("inside") << u"2004/06/15"_s << u"2004年06月度"_s << 200406;
        QTest::newRow("two-digit month") << u"2010/10/01"_s << u"2010年10月度"_s << 201010;
        QTest::newRow("first year") << u"2002/06/15"_s << u"2002年06月度"_s << 200206;
        QTest::newRow("last year") << u"2030/12/31"_s << u"2030年12月度"_s << 203012;
        QTest::newRow("year before") << u"2001/12/31"_s << u"2002年01月度"_s << 200201;
        QTest::newRow("long before") << u"1999/07/01"_s << u"2002年01月度"_s << 200201;
        QTest::newRow("year after") << u"2031/01/01"_s << u"2030年12月度"_s << 203012;
    }
    void shouldPresetAndCodePeriod()
    {
        QFETCH(QString, date);
        QFETCH(QString, text);
        QFETCH(int, code);
        QCOMPARE(presetPeriodText(date), text);
        QCOMPARE(periodText(code / 100, code % 100), text);
        QCOMPARE(periodCode(text), QString::number(code));
        QCOMPARE(codeValue(periodCode(text)), code);
    }

    void shouldWalkMonthsOfRange_data()
    {
        QList<int> listed; // the whole list the window offers, as codes
        for (const QString &text : periodList())
            listed.append(codeValue(periodCode(text)));

        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<int>("stopAt"); // the yield refuses to go on after this value
        QTest::addColumn<int>("visited");
        QTest::addColumn<QList<int>>("yielded");
        QTest::newRow("across a year")
            << 200411 << 200502 << 0 << 92 << QList<int>{200411, 200412, 200501, 200502};
        QTest::newRow("whole list") << 200201 << 203012 << 0 << 2812 << listed;
        QTest::newRow("one month") << 200406 << 200406 << 0 << 1 << QList<int>{200406};
        QTest::newRow("year boundary") << 200412 << 200501 << 0 << 90 << QList<int>{200412, 200501};
        QTest::newRow("start above end") << 200502 << 200411 << 0 << 0 << QList<int>{};
        QTest::newRow("stopped") << 200411 << 200502 << 200501 << 91
                                 << QList<int>{200411, 200412, 200501};
    }
    void shouldWalkMonthsOfRange()
    {
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(int, stopAt);
        QFETCH(int, visited);
        QFETCH(QList<int>, yielded);
        QList<int> seen;
        const int count = walkRange(start, end, [&](int value) {
            seen.append(value);
            return value != stopAt;
        });
        QCOMPARE(seen, yielded);
        QCOMPARE(count, visited);
    }

    void shouldBuildDataFilePath()
    {
        QCOMPARE(dataFilePath(u"/home/u/orveta"_s, 200406),
                 u"/home/u/orveta/data/200406orveta.mdb"_s);
    }
};

QTEST_GUILESS_MAIN(PeriodTest)
#include "tst_period.moc"
