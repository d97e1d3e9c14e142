// Provisional Windows version, enough to build and try the Win32 window;
// the platform layer's full version replaces it.
#include "platform/settingsstore.h"
#include "platform/text.h"

#include <windows.h>

namespace platform {
namespace {

std::wstring sectionKey(std::u16string_view application, std::u16string_view section)
{
    std::wstring key = L"Software\\VB and VBA Program Settings\\";
    key.append(application.begin(), application.end());
    key += L'\\';
    key.append(section.begin(), section.end());
    return key;
}

} // namespace

std::u16string settingsStorePath(std::u16string_view application, std::u16string_view section)
{
    const std::wstring key = L"HKEY_CURRENT_USER\\" + sectionKey(application, section);
    return {key.begin(), key.end()};
}

std::u16string readSetting(std::u16string_view application, std::u16string_view section,
                           std::u16string_view key)
{
    const std::wstring subKey = sectionKey(application, section);
    const std::wstring name(key.begin(), key.end());
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, subKey.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr,
                     nullptr, &size)
        != ERROR_SUCCESS)
        return {};
    std::wstring value(size / sizeof(wchar_t), L'\0');
    if (RegGetValueW(HKEY_CURRENT_USER, subKey.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr,
                     value.data(), &size)
        != ERROR_SUCCESS)
        return {};
    value.resize(size / sizeof(wchar_t));
    while (!value.empty() && value.back() == L'\0')
        value.pop_back();
    return {value.begin(), value.end()};
}

SettingDeletion deleteSetting(std::u16string_view application, std::u16string_view section,
                              std::u16string_view key)
{
    SettingDeletion result;
    result.storePath = settingsStorePath(application, section);
    const std::wstring name(key.begin(), key.end());
    const LSTATUS status = RegDeleteKeyValueW(
        HKEY_CURRENT_USER, sectionKey(application, section).c_str(), name.c_str());
    if (status == ERROR_FILE_NOT_FOUND) {
        result.outcome = SettingDeletion::Outcome::NotFound;
    } else if (status != ERROR_SUCCESS) {
        result.outcome = SettingDeletion::Outcome::NotWritable;
        result.reason = u"Windows error " + decimalText(status);
    }
    return result;
}

} // namespace platform
