#include "platform/settingsstore.h"

#include "platform/windows/paths.h"

namespace platform {
namespace {

// The branch that Visual Basic's GetSetting and DeleteSetting use, which is
// where ORVETA keeps its settings.
constexpr std::u16string_view kSettingsBranch = u"Software\\VB and VBA Program Settings";

std::u16string sectionKey(std::u16string_view application, std::u16string_view section)
{
    std::u16string key(kSettingsBranch);
    key += u'\\';
    key += application;
    key += u'\\';
    key += section;
    return key;
}

} // namespace

std::u16string settingsStorePath(std::u16string_view application, std::u16string_view section)
{
    return u"HKEY_CURRENT_USER\\" + sectionKey(application, section);
}

std::u16string readSetting(std::u16string_view application, std::u16string_view section,
                           std::u16string_view key)
{
    const std::u16string subkey = sectionKey(application, section);
    const std::u16string name(key);
    // RegGetValueW opens the section for reading only, so a read never makes
    // the branch; an expandable text is returned as stored, as GetSetting does.
    constexpr DWORD kFlags = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
    std::u16string value;
    DWORD size = 0;
    LSTATUS status = ERROR_MORE_DATA;
    // The value may grow between asking its size and reading it.
    while (status == ERROR_MORE_DATA) {
        status = ::RegGetValueW(HKEY_CURRENT_USER, wide(subkey), wide(name), kFlags, nullptr,
                                nullptr, &size);
        if (status != ERROR_SUCCESS)
            return {};
        value.resize(size / sizeof(char16_t) + 1);
        size = DWORD(value.size() * sizeof(char16_t));
        status = ::RegGetValueW(HKEY_CURRENT_USER, wide(subkey), wide(name), kFlags, nullptr,
                                value.data(), &size);
    }
    if (status != ERROR_SUCCESS)
        return {};
    // The text ends at its first null, as a C string does: RegGetValueW adds
    // one where the stored text lacks it.
    value.resize(size / sizeof(char16_t));
    if (const auto end = value.find(u'\0'); end != std::u16string::npos)
        value.resize(end);
    return value;
}

Result<> deleteSettings(std::u16string_view application, std::u16string_view section,
                        std::initializer_list<std::u16string_view> keys)
{
    const std::u16string subkey = sectionKey(application, section);
    // One value after the other, as DeleteSetting would: the registry has no
    // file that another program could change in between.
    for (const std::u16string_view key : keys) {
        const LSTATUS status
            = ::RegDeleteKeyValueW(HKEY_CURRENT_USER, wide(subkey), wide(std::u16string(key)));
        if (status != ERROR_SUCCESS)
            return failure(systemError(int(status)));
    }
    return {};
}

} // namespace platform
