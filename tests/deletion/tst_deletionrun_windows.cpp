// The deletion run on Windows: ORVETA's folder read from the registry, a
// read-only data file, data files that other programs hold open, each in a
// process of its own, and an ORVETA folder beyond MAX_PATH.

#include "deletion/deletionrun.h"
#include "platform/text.h"
#include "settings/productsettings.h"
#include "tests/support/recordingwindow.h"
#include "tests/support/u16text.h"
#include "tests/support/windows.h"

#include <cstdint>
#include <doctest/doctest.h>
#include <string>

using support::exists;
using testsupport::DeletionWindowStandIn;

namespace {

const std::u16string kCaption = u"削除データ数 ： ";

struct Access
{
    std::u16string_view name;
    bool readsAlone;
};

// A folder and the path to it, made one name at a time in the long form
// that any length allows.
std::u16string makeLongFolder(std::u16string base, std::size_t length)
{
    while (base.size() < length) {
        base += u'\\' + std::u16string(std::min<std::size_t>(50, length - base.size() - 1), u'y');
        ::CreateDirectoryW(support::wide(u"\\\\?\\" + base), nullptr);
    }
    return base;
}

const std::u16string kOrvetaSection = support::settingsKey(u"KORVEL", u"Orveta");

// The system's own words for an error, in Japanese as the program asks for
// them, without the line break they end with; empty where the system has
// none in Japanese.
std::u16string japaneseSystemText(DWORD code)
{
    wchar_t *buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
        nullptr, code, MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN),
        reinterpret_cast<wchar_t *>(&buffer), 0, nullptr);
    std::u16string text(reinterpret_cast<const char16_t *>(buffer), length);
    ::LocalFree(buffer);
    while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r' || text.back() == u' '))
        text.pop_back();
    return text;
}

// ORVETA installed in a folder of the test's own on drive C:, with its
// folder in the registry and data files for the months given.
class Installation final
{
public:
    explicit Installation(std::initializer_list<int> months)
        : folder_(u"C:\\ORVETA-test-" + support::processNumber())
        , data_(folder_.path() + u"\\data")
    {
        for (const int month : months)
            support::createFile(dataFile(month));
        support::setText(kOrvetaSection, u"Key_Path", folder_.path());
    }

    [[nodiscard]] const std::u16string &path() const { return folder_.path(); }
    [[nodiscard]] std::u16string dataFile(int month) const
    {
        return data_.file(platform::decimalText(month) + u"orveta.mdb");
    }

private:
    support::TemporaryFolder folder_;
    support::TemporaryFolder data_;
};

} // namespace

TEST_CASE("the folder in the registry has the present files of the range deleted")
{
    const Installation orveta({200403, 200404, 200405, 200406, 200407});
    const std::u16string installPath = settings::readInstallPath();
    CHECK(installPath == orveta.path());

    DeletionWindowStandIn window(200404, 200406);
    std::int16_t deletedCount = 0;
    deletion::runDeletion(window, installPath, deletedCount);

    for (const int month : {200404, 200405, 200406}) {
        CAPTURE(month);
        CHECK(!exists(orveta.dataFile(month)));
    }
    CHECK(exists(orveta.dataFile(200403)));
    CHECK(exists(orveta.dataFile(200407)));
    CHECK(deletedCount == 3);
    CHECK(window.captions == std::vector<std::u16string>{u"削除データ数 ： 3"});
    // The two confirmations and nothing after them.
    CHECK(window.messages.size() == 2);
}

TEST_CASE("a read-only data file stops the run with the system's reason")
{
    const Installation orveta({200404, 200405, 200406});
    REQUIRE(support::setReadOnly(orveta.dataFile(200405)));

    DeletionWindowStandIn window(200404, 200406);
    std::int16_t deletedCount = 0;
    deletion::runDeletion(window, orveta.path(), deletedCount);

    CHECK(!exists(orveta.dataFile(200404)));
    CHECK(exists(orveta.dataFile(200405)));
    CHECK(exists(orveta.dataFile(200406)));
    CHECK(deletedCount == 1);
    CHECK(window.captions == std::vector<std::u16string>{u"削除データ数 ： 1"});
    REQUIRE(window.messages.size() == 3);
    const std::u16string &text = window.messages.back().text;
    const std::u16string expectedStart
        = u"勤務データの削除中にエラーが発生しました。\r" + orveta.dataFile(200405) + u" : ";
    CHECK(text.substr(0, expectedStart.size()) == expectedStart);
    const std::u16string_view closing = u"\r\r中止します・・・・・";
    REQUIRE(text.ends_with(closing));
    REQUIRE(text.size() >= expectedStart.size() + closing.size());
    // Between the path and the closing line: the system's text for the
    // refusal, access denied, in Japanese ("アクセスが拒否されました。" on
    // a system without Japanese texts), never that for another code such
    // as 0 ("この操作を正しく終了しました。").
    const std::u16string reason
        = text.substr(expectedStart.size(), text.size() - expectedStart.size() - closing.size());
    std::u16string expected = japaneseSystemText(ERROR_ACCESS_DENIED);
    if (expected.empty())
        expected = u"アクセスが拒否されました。";
    CHECK(reason == expected);
    CHECK(reason != japaneseSystemText(ERROR_SUCCESS));
}

// A holder keeps the file unless it only reads and lets others read and
// delete; a kept file is no failure, and the later month still goes.
TEST_CASE("a data file in use is kept and the run goes on")
{
    const Access accesses[] = {{u"read", true}, {u"write", false}, {u"readwrite", false}};
    const std::u16string_view sharings[] = {u"none", u"R", u"W", u"D", u"RW", u"RD", u"WD", u"RWD"};
    for (const Access &access : accesses) {
        for (const std::u16string_view sharing : sharings) {
            const bool goes = access.readsAlone && sharing.find(u'R') != sharing.npos
                              && sharing.find(u'D') != sharing.npos;
            CAPTURE(platform::toUtf8(access.name));
            CAPTURE(platform::toUtf8(sharing));
            const support::TemporaryFolder install(u"C:\\orveta-held-" + support::processNumber());
            const support::TemporaryFolder data(install.file(u"data"));
            for (const std::u16string_view name :
                 {u"200404orveta.mdb", u"200405orveta.mdb", u"200406orveta.mdb"})
                REQUIRE(support::createFile(data.file(name)));
            const std::u16string held = data.file(u"200405orveta.mdb");
            {
                const support::FileHolder holder(held, access.name, sharing);
                REQUIRE(holder.ready());
                DeletionWindowStandIn window(200404, 200406);
                std::int16_t count = 0;
                deletion::runDeletion(window, install.path(), count);

                CHECK(window.messages.size() == 2); // the two questions, no failure
                CHECK(count == (goes ? 3 : 2));
                CHECK(window.captions == std::vector{kCaption + (goes ? u"3" : u"2")});
                CHECK(!exists(data.file(u"200404orveta.mdb")));
                CHECK(!exists(data.file(u"200406orveta.mdb")));
                if (!goes)
                    CHECK(exists(held));
            }
            // A file deleted under its holder goes when the holder lets go.
            CHECK(exists(held) == !goes);
        }
    }
}

// Paths go to the system in their long form, which any length allows, while
// the window and the messages show them as the settings hold them.
TEST_CASE("an ORVETA folder of 300 characters")
{
    const support::TemporaryFolder base(u"C:\\orveta-long-" + support::processNumber());
    const std::u16string install = makeLongFolder(base.path(), 300);
    REQUIRE(install.size() == 300);
    const std::u16string data = install + u"\\data";
    REQUIRE(::CreateDirectoryW(support::wide(u"\\\\?\\" + data), nullptr));
    for (const std::u16string_view name : {u"200404orveta.mdb", u"200405orveta.mdb"})
        REQUIRE(support::createFile(u"\\\\?\\" + data + u'\\' + std::u16string(name)));
    REQUIRE(support::createFile(u"\\\\?\\" + data + u"\\200406orveta.mdb"));
    REQUIRE(support::setReadOnly(u"\\\\?\\" + data + u"\\200406orveta.mdb"));

    DeletionWindowStandIn window(200403, 200407);
    std::int16_t count = 0;
    deletion::runDeletion(window, install, count);
    CHECK(count == 2);
    CHECK(!exists(u"\\\\?\\" + data + u"\\200404orveta.mdb"));
    CHECK(!exists(u"\\\\?\\" + data + u"\\200405orveta.mdb"));
    // The read-only file stops the run, named as the user wrote the folder.
    REQUIRE(window.messages.size() == 3);
    const std::u16string expected
        = u"勤務データの削除中にエラーが発生しました。\r" + data + u"\\200406orveta.mdb : ";
    CHECK(window.messages.back().text.substr(0, expected.size()) == expected);
    CHECK(window.messages.back().text.ends_with(u"\r\r中止します・・・・・"));
}
