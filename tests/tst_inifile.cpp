#include "platform/inifile.h"

#include <QTest>

namespace {

constexpr std::string_view kGroup = "Orveta";
constexpr std::string_view kKeyPath = "Key_Path";
constexpr std::string_view kPassWd = "Pass_Wd";

std::string_view bytes(const QByteArray &text)
{
    return {text.constData(), std::size_t(text.size())};
}

} // namespace

class IniFileTest : public QObject
{
    Q_OBJECT

private slots:
    // What the tool reads as ORVETA's folder, and the file after clearing
    // Key_Path and Pass_Wd. A null value: nothing to read.
    void shouldReadAndClearSameLines_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QByteArray>("cleared");
        const auto row
            = [](const char *name, const QByteArray &file, const QByteArray &value,
                 const QByteArray &cleared) { QTest::newRow(name) << file << value << cleared; };
        const QByteArray none;

        row("empty file", "", none, "");
        row("byte-order mark only", "\xEF\xBB\xBF", none, "\xEF\xBB\xBF");
        row("both keys", "[Orveta]\nKey_Path=/a\nPass_Wd=x\nName=n\n", "/a", "[Orveta]\nName=n\n");
        row("comments", "[Orveta]\n; Key_Path=/old\n  # Pass_Wd=x\nKey_Path=/a\n", "/a",
            "[Orveta]\n; Key_Path=/old\n  # Pass_Wd=x\n");
        row("blank lines", "[Orveta]\n\nKey_Path=/a\n \n\t\nPass_Wd=x\n\n", "/a",
            "[Orveta]\n\n \n\t\n\n");
        row("byte-order mark", "\xEF\xBB\xBF[Orveta]\nKey_Path=/a\n", "/a",
            "\xEF\xBB\xBF[Orveta]\n");
        row("byte-order mark inside", "[Orveta]\n\xEF\xBB\xBFKey_Path=/a\n", none,
            "[Orveta]\n\xEF\xBB\xBFKey_Path=/a\n");
        row("lines without =", "[Other]\nnot a setting\n[Orveta]\nstray text\nKey_Path=/a\n", "/a",
            "[Other]\nnot a setting\n[Orveta]\nstray text\n");
        row("key before any group", "Key_Path=/top\n[Orveta]\nPass_Wd=x\n", none,
            "Key_Path=/top\n[Orveta]\n");
        row("empty name", "[Orveta]\n=/a\n = /b\n", none, "[Orveta]\n=/a\n = /b\n");
        row("text after header", "[Orveta]] ; main\nKey_Path=/a\n", "/a", "[Orveta]] ; main\n");
        row("header without ]", "[Orveta]\nKey_Path=/a\n[Other\nKey_Path=/b\n", "/b",
            "[Orveta]\n[Other\n");
        row("spaces inside brackets", "[ Orveta ]\nKey_Path=/a\n", none,
            "[ Orveta ]\nKey_Path=/a\n");
        row("similar names",
            "[orveta]\nKey_Path=/a\n[Orveta]\nKey_Path2=/b\nkey_path=/c\nPass_Wd2=x\n", none,
            "[orveta]\nKey_Path=/a\n[Orveta]\nKey_Path2=/b\nkey_path=/c\nPass_Wd2=x\n");
        row("CR", "[Orveta]\rKey_Path=/a\rPass_Wd=x\rName=n\r", "/a", "[Orveta]\rName=n\r");
        row("CRLF", "[Orveta]\r\nKey_Path=/a\r\nName=n\r\nPass_Wd=x\r\n", "/a",
            "[Orveta]\r\nName=n\r\n");
        row("mixed endings", "[Orveta]\r\nKey_Path=/a\rPass_Wd=x\nName=n\n\r\n", "/a",
            "[Orveta]\r\nName=n\n\r\n");
        row("no final line ending", "[Orveta]\nName=n\nKey_Path=/a", "/a", "[Orveta]\nName=n\n");
        row("CR at the very end", "[Orveta]\nKey_Path=/a\r", "/a", "[Orveta]\n");
        row("spaces", "[Orveta]\nKey_Path =  /x  \n", "/x", "[Orveta]\n");
        row("indentation and tabs", "\t [Orveta]\n\t Key_Path\t=\t/x y\t\n  Pass_Wd = x\n", "/x y",
            "\t [Orveta]\n");
        row("empty value", "[Orveta]\nKey_Path=\t\n", "", "[Orveta]\n");
        row("group twice",
            "[Orveta]\nKey_Path=/1\nPass_Wd=x\n[Other]\nKey_Path=/o\n[Orveta]\nKey_Path=/2\n", "/2",
            "[Orveta]\n[Other]\nKey_Path=/o\n[Orveta]\n");
        row("key twice", "[Orveta]\nKey_Path=/first\nName=n\nKey_Path=/last\n", "/last",
            "[Orveta]\nName=n\n");
        row("last value empty", "[Orveta]\nKey_Path=/first\nKey_Path=\n", "", "[Orveta]\n");
        row("raw value", "[Orveta]\nKey_Path=C:\\new\\\"x\", 'a,b' ;c #d = e\n",
            "C:\\new\\\"x\", 'a,b' ;c #d = e", "[Orveta]\n");
        row("japanese", "[Orveta]\nKey_Path=/home/u/勤務データ\n名前=勤務\n", "/home/u/勤務データ",
            "[Orveta]\n名前=勤務\n");
        row("not UTF-8 elsewhere", "\xFF\xFE\n[Orveta]\nName=\xC0\xAF\x80\nKey_Path=/a\n", "/a",
            "\xFF\xFE\n[Orveta]\nName=\xC0\xAF\x80\n");

        // Two thirds of its lines go: a removal that moves the rest of the
        // file for each of them takes far longer than the test allows.
        QByteArray large = "[Other]\nKey_Path=/o\n[Orveta]\n";
        QByteArray largeCleared = large;
        const QByteArray folder(60, 'f');
        for (int i = 0; i < 33'332; ++i) {
            large += "Key_Path=/" + folder + QByteArray::number(i) + "\nPass_Wd=" + folder
                     + "\nName=kept\n";
            largeCleared += "Name=kept\n";
        }
        large += "Key_Path=/last";
        QCOMPARE(large.count('\n') + 1, 100'000);
        row("100,000 lines", large, "/last", largeCleared);
    }
    void shouldReadAndClearSameLines()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, value);
        QFETCH(QByteArray, cleared);
        const std::optional<std::string> read
            = platform::ini::findValue(bytes(file), kGroup, kKeyPath);
        QCOMPARE(read.has_value(), !value.isNull());
        QCOMPARE(QByteArray::fromStdString(read.value_or("")), value);

        const platform::ini::Removal first
            = platform::ini::removeKey(bytes(file), kGroup, kKeyPath);
        const platform::ini::Removal second
            = platform::ini::removeKey(first.contents, kGroup, kPassWd);
        QCOMPARE(QByteArray::fromStdString(second.contents), cleared);
        QCOMPARE(first.removedLines == 0, !read.has_value());
        // Nothing is left to read, and nothing more to remove.
        QVERIFY(!platform::ini::findValue(second.contents, kGroup, kKeyPath));
        QVERIFY(!platform::ini::findValue(second.contents, kGroup, kPassWd));
        QCOMPARE(platform::ini::removeKey(second.contents, kGroup, kKeyPath).removedLines, 0u);
    }
};

QTEST_GUILESS_MAIN(IniFileTest)
#include "tst_inifile.moc"
