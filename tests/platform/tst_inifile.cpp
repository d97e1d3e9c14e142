// The settings file's lines as the tool reads and clears them: what is read
// as ORVETA's folder is exactly what is cleared, and nothing else goes.

#include "platform/inifile.h"

#include <algorithm>
#include <doctest/doctest.h>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr std::string_view kGroup = "Orveta";
constexpr std::string_view kKeyPath = "Key_Path";
constexpr std::string_view kPassWd = "Pass_Wd";

struct Row
{
    std::string name;
    std::string file;
    std::optional<std::string> value; // nullopt: nothing to read
    std::string cleared; // after clearing Key_Path and Pass_Wd
};

} // namespace

TEST_CASE("the lines read are the lines cleared")
{
    std::vector<Row> rows;
    const auto row = [&rows](const char *name, const std::string &file,
                             const std::optional<std::string> &value, const std::string &cleared) {
        rows.push_back({name, file, value, cleared});
    };

    row("empty file", "", std::nullopt, "");
    row("byte-order mark only", "\xEF\xBB\xBF", std::nullopt, "\xEF\xBB\xBF");
    row("both keys", "[Orveta]\nKey_Path=/a\nPass_Wd=x\nName=n\n", "/a", "[Orveta]\nName=n\n");
    row("comments", "[Orveta]\n; Key_Path=/old\n  # Pass_Wd=x\nKey_Path=/a\n", "/a",
        "[Orveta]\n; Key_Path=/old\n  # Pass_Wd=x\n");
    row("blank lines", "[Orveta]\n\nKey_Path=/a\n \n\t\nPass_Wd=x\n\n", "/a",
        "[Orveta]\n\n \n\t\n\n");
    row("byte-order mark", "\xEF\xBB\xBF[Orveta]\nKey_Path=/a\n", "/a", "\xEF\xBB\xBF[Orveta]\n");
    row("byte-order mark inside", "[Orveta]\n\xEF\xBB\xBFKey_Path=/a\n", std::nullopt,
        "[Orveta]\n\xEF\xBB\xBFKey_Path=/a\n");
    row("lines without =", "[Other]\nnot a setting\n[Orveta]\nstray text\nKey_Path=/a\n", "/a",
        "[Other]\nnot a setting\n[Orveta]\nstray text\n");
    row("key before any group", "Key_Path=/top\n[Orveta]\nPass_Wd=x\n", std::nullopt,
        "Key_Path=/top\n[Orveta]\n");
    row("empty name", "[Orveta]\n=/a\n = /b\n", std::nullopt, "[Orveta]\n=/a\n = /b\n");
    row("text after header", "[Orveta]] ; main\nKey_Path=/a\n", "/a", "[Orveta]] ; main\n");
    row("header without ]", "[Orveta]\nKey_Path=/a\n[Other\nKey_Path=/b\n", "/b",
        "[Orveta]\n[Other\n");
    row("spaces inside brackets", "[ Orveta ]\nKey_Path=/a\n", std::nullopt,
        "[ Orveta ]\nKey_Path=/a\n");
    row("similar names", "[orveta]\nKey_Path=/a\n[Orveta]\nKey_Path2=/b\nkey_path=/c\nPass_Wd2=x\n",
        std::nullopt, "[orveta]\nKey_Path=/a\n[Orveta]\nKey_Path2=/b\nkey_path=/c\nPass_Wd2=x\n");
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
    std::string large = "[Other]\nKey_Path=/o\n[Orveta]\n";
    std::string largeCleared = large;
    const std::string folder(60, 'f');
    for (int i = 0; i < 33'332; ++i) {
        large
            += "Key_Path=/" + folder + std::to_string(i) + "\nPass_Wd=" + folder + "\nName=kept\n";
        largeCleared += "Name=kept\n";
    }
    large += "Key_Path=/last";
    CHECK(std::count(large.begin(), large.end(), '\n') + 1 == 100'000);
    row("100,000 lines", large, "/last", largeCleared);

    for (const Row &each : rows) {
        CAPTURE(each.name);
        const std::optional<std::string> read
            = platform::ini::findValue(each.file, kGroup, kKeyPath);
        CHECK(read == each.value);

        const platform::ini::Removal first = platform::ini::removeKey(each.file, kGroup, kKeyPath);
        const platform::ini::Removal second
            = platform::ini::removeKey(first.contents, kGroup, kPassWd);
        CHECK(second.contents == each.cleared);
        CHECK((first.removedLines == 0) == !read.has_value());
        // Nothing is left to read, and nothing more to remove.
        CHECK(!platform::ini::findValue(second.contents, kGroup, kKeyPath));
        CHECK(!platform::ini::findValue(second.contents, kGroup, kPassWd));
        CHECK(platform::ini::removeKey(second.contents, kGroup, kKeyPath).removedLines == 0);
    }
}
