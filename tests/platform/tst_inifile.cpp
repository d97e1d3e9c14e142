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
    std::vector<Row> rows{
        {"empty file", "", std::nullopt, ""},
        {"byte-order mark only", "\xEF\xBB\xBF", std::nullopt, "\xEF\xBB\xBF"},
        {"both keys", "[Orveta]\nKey_Path=/a\nPass_Wd=x\nName=n\n", "/a", "[Orveta]\nName=n\n"},
        {"comments", "[Orveta]\n; Key_Path=/old\n  # Pass_Wd=x\nKey_Path=/a\n", "/a",
         "[Orveta]\n; Key_Path=/old\n  # Pass_Wd=x\n"},
        {"blank lines", "[Orveta]\n\nKey_Path=/a\n \n\t\nPass_Wd=x\n\n", "/a",
         "[Orveta]\n\n \n\t\n\n"},
        {"byte-order mark", "\xEF\xBB\xBF[Orveta]\nKey_Path=/a\n", "/a", "\xEF\xBB\xBF[Orveta]\n"},
        {"byte-order mark inside", "[Orveta]\n\xEF\xBB\xBFKey_Path=/a\n", std::nullopt,
         "[Orveta]\n\xEF\xBB\xBFKey_Path=/a\n"},
        {"lines without =", "[Other]\nnot a setting\n[Orveta]\nstray text\nKey_Path=/a\n", "/a",
         "[Other]\nnot a setting\n[Orveta]\nstray text\n"},
        {"key before any group", "Key_Path=/top\n[Orveta]\nPass_Wd=x\n", std::nullopt,
         "Key_Path=/top\n[Orveta]\n"},
        {"empty name", "[Orveta]\n=/a\n = /b\n", std::nullopt, "[Orveta]\n=/a\n = /b\n"},
        {"text after header", "[Orveta]] ; main\nKey_Path=/a\n", "/a", "[Orveta]] ; main\n"},
        {"header without ]", "[Orveta]\nKey_Path=/a\n[Other\nKey_Path=/b\n", "/b",
         "[Orveta]\n[Other\n"},
        {"spaces inside brackets", "[ Orveta ]\nKey_Path=/a\n", std::nullopt,
         "[ Orveta ]\nKey_Path=/a\n"},
        {"similar names",
         "[orveta]\nKey_Path=/a\n[Orveta]\nKey_Path2=/b\nkey_path=/c\nPass_Wd2=x\n", std::nullopt,
         "[orveta]\nKey_Path=/a\n[Orveta]\nKey_Path2=/b\nkey_path=/c\nPass_Wd2=x\n"},
        {"CR", "[Orveta]\rKey_Path=/a\rPass_Wd=x\rName=n\r", "/a", "[Orveta]\rName=n\r"},
        {"CRLF", "[Orveta]\r\nKey_Path=/a\r\nName=n\r\nPass_Wd=x\r\n", "/a",
         "[Orveta]\r\nName=n\r\n"},
        {"mixed endings", "[Orveta]\r\nKey_Path=/a\rPass_Wd=x\nName=n\n\r\n", "/a",
         "[Orveta]\r\nName=n\n\r\n"},
        {"no final line ending", "[Orveta]\nName=n\nKey_Path=/a", "/a", "[Orveta]\nName=n\n"},
        {"CR at the very end", "[Orveta]\nKey_Path=/a\r", "/a", "[Orveta]\n"},
        {"spaces", "[Orveta]\nKey_Path =  /x  \n", "/x", "[Orveta]\n"},
        {"indentation and tabs", "\t [Orveta]\n\t Key_Path\t=\t/x y\t\n  Pass_Wd = x\n", "/x y",
         "\t [Orveta]\n"},
        {"empty value", "[Orveta]\nKey_Path=\t\n", "", "[Orveta]\n"},
        {"group twice",
         "[Orveta]\nKey_Path=/1\nPass_Wd=x\n[Other]\nKey_Path=/o\n[Orveta]\nKey_Path=/2\n", "/2",
         "[Orveta]\n[Other]\nKey_Path=/o\n[Orveta]\n"},
        {"key twice", "[Orveta]\nKey_Path=/first\nName=n\nKey_Path=/last\n", "/last",
         "[Orveta]\nName=n\n"},
        {"last value empty", "[Orveta]\nKey_Path=/first\nKey_Path=\n", "", "[Orveta]\n"},
        {"raw value", "[Orveta]\nKey_Path=C:\\new\\\"x\", 'a,b' ;c #d = e\n",
         "C:\\new\\\"x\", 'a,b' ;c #d = e", "[Orveta]\n"},
        {"japanese", "[Orveta]\nKey_Path=/home/u/勤務データ\n名前=勤務\n", "/home/u/勤務データ",
         "[Orveta]\n名前=勤務\n"},
        {"not UTF-8 elsewhere", "\xFF\xFE\n[Orveta]\nName=\xC0\xAF\x80\nKey_Path=/a\n", "/a",
         "\xFF\xFE\n[Orveta]\nName=\xC0\xAF\x80\n"},
    };
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
    rows.push_back({"100,000 lines", large, "/last", largeCleared});

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
