// Qt first: moc cannot read <concepts> unless Qt has set the scene.
#include <QList>
#include <QString>
#include <QTest>

#include "deletion/period.h"

using namespace deletion;

namespace {

QString qs(std::u16string_view text)
{
    return QString::fromStdU16String(std::u16string(text));
}

} // namespace

class PeriodTest : public QObject
{
    Q_OBJECT

private slots:
    // The month of a date as the lists preset it, its period text and its code.
    void shouldPresetAndCodePeriod_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("code");
        QTest::newRow("inside") << 2004 << 6 << u"2004年06月度"_qs << 200406;
        QTest::newRow("two-digit month") << 2010 << 10 << u"2010年10月度"_qs << 201010;
        QTest::newRow("first day listed") << 2002 << 1 << u"2002年01月度"_qs << 200201;
        QTest::newRow("inside the last year") << 2030 << 6 << u"2030年06月度"_qs << 203006;
        QTest::newRow("last day listed") << 2030 << 12 << u"2030年12月度"_qs << 203012;
        QTest::newRow("year before") << 2001 << 12 << u"2002年01月度"_qs << 200201;
        QTest::newRow("long before") << 1999 << 7 << u"2002年01月度"_qs << 200201;
        QTest::newRow("year after") << 2031 << 1 << u"2030年12月度"_qs << 203012;
        QTest::newRow("five-digit year") << 10000 << 1 << u"2030年12月度"_qs << 203012;
    }
    void shouldPresetAndCodePeriod()
    {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(QString, text);
        QFETCH(int, code);
        QCOMPARE(qs(presetPeriodText({year, month, 15})), text);
        QCOMPARE(qs(periodText(code / 100, code % 100)), text);
        QCOMPARE(qs(periodCode(text.toStdU16String())), QString::number(code));
        QCOMPARE(codeValue(periodCode(text.toStdU16String())), code);
    }

    void shouldWalkMonthsOfRange_data()
    {
        QList<int> listed; // the whole list the window offers, as codes
        for (const std::u16string &text : periodList())
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
        QCOMPARE(qs(dataFilePath(u"/home/u/orveta", 200406)),
                 u"/home/u/orveta/data/200406orveta.mdb"_qs);
        QCOMPARE(qs(dataFileName(200406)), u"200406orveta.mdb"_qs);
        QCOMPARE(qs(dataFileName(203012)), u"203012orveta.mdb"_qs);
        QCOMPARE(qs(dataFileName(99912)), u"99912orveta.mdb"_qs);
        QCOMPARE(qs(dataFileName(1000001)), u"1000001orveta.mdb"_qs);
    }
};

QTEST_GUILESS_MAIN(PeriodTest)
#include "tst_period.moc"
