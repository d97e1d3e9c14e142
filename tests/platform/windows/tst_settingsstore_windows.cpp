// ORVETA's settings on Windows, in the registry branch of Visual Basic
// programs' settings: read as stored, never made by reading, deleted value
// by value.

#include "platform/settingsstore.h"
#include "tests/support/u16text.h"
#include "tests/support/windows.h"

#include <doctest/doctest.h>

using platform::deleteSettings;
using platform::ErrorKind;
using platform::readSetting;

namespace {

// Each run writes under an application of its own, gone again at its end.
class TestApplication final
{
public:
    TestApplication()
        : name(u"KORVEL-test-" + support::processNumber())
    {
        support::deleteKey(support::settingsKey(name));
    }
    ~TestApplication() { support::deleteKey(support::settingsKey(name)); }
    TestApplication(const TestApplication &) = delete;
    TestApplication &operator=(const TestApplication &) = delete;

    [[nodiscard]] std::u16string section() const { return support::settingsKey(name, u"Orveta"); }

    const std::u16string name;
};

} // namespace

TEST_CASE("reads the value that reg add wrote")
{
    // Written by `wine reg add` just before this program started.
    CHECK(readSetting(u"KORVEL", u"Orveta", u"Key_Path") == u"C:\\ORVETA");
}

TEST_CASE("reads text values as stored")
{
    const TestApplication application;
    const std::u16string longText(5000, u'x');
    const struct
    {
        const char *name;
        DWORD type;
        std::u16string_view stored; // written with its closing null unless said
        std::u16string_view expected;
    } rows[] = {
        {"plain", REG_SZ, u"C:\\ORVETA", u"C:\\ORVETA"},
        {"Japanese, beyond the basic plane too", REG_SZ, u"D:\\ｵﾙﾍﾞﾀ\\勤務データ𠮷",
         u"D:\\ｵﾙﾍﾞﾀ\\勤務データ𠮷"},
        {"empty", REG_SZ, u"", u""},
        {"longer than a first guess at its size", REG_SZ, longText, longText},
        {"expandable, kept unexpanded", REG_EXPAND_SZ, u"%SystemDrive%\\ORVETA",
         u"%SystemDrive%\\ORVETA"},
        {"list of texts", REG_MULTI_SZ, std::u16string_view(u"C:\\ORVETA\0", 10), u""},
    };
    for (const auto &row : rows) {
        CAPTURE(row.name);
        CHECK(support::setText(application.section(), u"Key_Path", row.stored, row.type));
        CHECK(readSetting(application.name, u"Orveta", u"Key_Path") == row.expected);
    }

    {
        CAPTURE("stored without its closing null");
        CHECK(support::setText(application.section(), u"Key_Path", u"C:\\ORVETA", REG_SZ, false));
        CHECK(readSetting(application.name, u"Orveta", u"Key_Path") == u"C:\\ORVETA");
    }
    CAPTURE("number");
    CHECK(support::setNumber(application.section(), u"Key_Path", 42));
    CHECK(readSetting(application.name, u"Orveta", u"Key_Path") == u"");
}

TEST_CASE("absent settings read as empty and are not made")
{
    const TestApplication application;
    CHECK(readSetting(application.name, u"Orveta", u"Key_Path") == u"");
    CHECK(!support::keyExists(support::settingsKey(application.name)));

    CHECK(
        support::setText(support::settingsKey(application.name, u"Other"), u"Key_Path", u"C:\\x"));
    CHECK(readSetting(application.name, u"Orveta", u"Key_Path") == u"");
    CHECK(!support::keyExists(application.section()));

    CHECK(support::setText(application.section(), u"Pass_Wd", u"secret"));
    CHECK(readSetting(application.name, u"Orveta", u"Key_Path") == u"");
}

// The keys go in order, the first absent one stopping the rest, and those
// before it stay deleted. Nothing else goes.
TEST_CASE("deleting stops at the first absent key")
{
    const TestApplication application;
    const struct
    {
        const char *name;
        bool folder, password; // stored before
        bool passwordAfter;
    } rows[] = {
        {"both", true, true, false},
        {"password absent", true, false, false},
        {"folder absent", false, true, true},
    };
    for (const auto &row : rows) {
        CAPTURE(row.name);
        CHECK(support::setText(application.section(), u"Other", u"kept"));
        if (row.folder)
            CHECK(support::setText(application.section(), u"Key_Path", u"C:\\ORVETA"));
        if (row.password)
            CHECK(support::setText(application.section(), u"Pass_Wd", u"secret"));
        const platform::Result<> deleted
            = deleteSettings(application.name, u"Orveta", {u"Key_Path", u"Pass_Wd"});
        CHECK(deleted.has_value() == (row.folder && row.password));
        CHECK((deleted.has_value() || deleted.error().kind == ErrorKind::NotFound));
        CHECK(!support::valueExists(application.section(), u"Key_Path"));
        CHECK(support::valueExists(application.section(), u"Pass_Wd") == row.passwordAfter);
        CHECK(readSetting(application.name, u"Orveta", u"Other") == u"kept");
        support::deleteKey(support::settingsKey(application.name));
    }
}

TEST_CASE("deleting an absent key is not found")
{
    const TestApplication application;
    const struct
    {
        const char *name;
        std::u16string_view section;
    } rows[] = {
        {"no application", u"Orveta"},
        {"no section", u"Other"},
        {"no key beside another", u"Orveta"},
    };
    for (const auto &row : rows) {
        CAPTURE(row.name);
        const platform::Result<> deleted
            = deleteSettings(application.name, row.section, {u"Pass_Wd"});
        CHECK(!deleted.has_value());
        CHECK((deleted.has_value() || deleted.error().kind == ErrorKind::NotFound));
        CHECK(support::setText(application.section(), u"Key_Path", u"C:\\ORVETA"));
    }
    // The failed deletes left the key beside them alone.
    CHECK(readSetting(application.name, u"Orveta", u"Key_Path") == u"C:\\ORVETA");
    CHECK(!support::keyExists(support::settingsKey(application.name, u"Other")));
}
