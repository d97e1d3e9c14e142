#pragma once

// ORVETA's settings as a test lays them out, where the system's store keeps
// them: in KORVEL.ini of a configuration folder of the test's own on Linux,
// in ORVETA's own registry branch on Windows (tests that use it hold the
// orveta_settings resource lock). Empty while it lives until values are
// stored; gone again at its end.

#include "platform/settingsstore.h"
#include "platform/text.h"

#include <doctest/doctest.h>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#ifdef _WIN32
#include "tests/support/windows.h"
#else
#include "tests/support/configfolder.h"
#endif

namespace testsupport {

// A folder that counts as an installed ORVETA on the system the test runs on.
#ifdef _WIN32
inline const std::u16string kOrvetaFolder = u"C:\\ORVETA";
#else
inline const std::u16string kOrvetaFolder = u"/opt/orveta";
#endif

class StoredSettings final
{
public:
    StoredSettings() { clear(); }
    ~StoredSettings() { clear(); }
    StoredSettings(const StoredSettings &) = delete;
    StoredSettings &operator=(const StoredSettings &) = delete;

    // The values given, in the section Orveta, in this order.
    void store(const std::vector<std::pair<std::u16string, std::u16string>> &values)
    {
#ifdef _WIN32
        for (const auto &[key, value] : values)
            REQUIRE(support::setText(section(), key, value));
#else
        std::string contents = "[Orveta]\n";
        for (const auto &[key, value] : values)
            contents += platform::toUtf8(key) + '=' + platform::toUtf8(value) + '\n';
        REQUIRE(writeFile(config_.file(), contents));
#endif
    }

    // Whether the key is still stored.
    [[nodiscard]] bool holds(std::u16string_view key) const
    {
        return !platform::readSetting(u"KORVEL", u"Orveta", key).empty();
    }

private:
#ifdef _WIN32
    static std::u16string section()
    {
        return support::settingsKey(u"KORVEL", u"Orveta");
    }
    static void clear()
    {
        support::deleteKey(support::settingsKey(u"KORVEL"));
    }
#else
    void clear() const
    {
        ::unlink(config_.file().c_str());
    }

    TemporaryConfig config_;
#endif
};

} // namespace testsupport
