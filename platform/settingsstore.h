#pragma once

#include "platform/result.h"

#include <initializer_list>
#include <string>
#include <string_view>

namespace platform {

// The platform's per-user settings store, addressed by application, section
// and key. On Linux the application names an INI file in the user's
// configuration folder, the section is a group and the key is a key; on
// Windows it is the registry branch of Visual Basic programs' settings,
// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\application\section.

// The stored text, or the empty text when the key, the section or the
// application is absent or cannot be read. Never changes anything and never
// blocks.
[[nodiscard]] std::u16string readSetting(std::u16string_view application,
                                         std::u16string_view section, std::u16string_view key);

// Removes the keys in the order given and keeps everything else the store
// holds. Stops at the first key that is absent, failing with
// ErrorKind::NotFound (an absent section or application too); the keys
// before it stay removed. On Linux every line of each key in the section
// goes, in one reading and one writing of the file, and any other failure
// leaves the file as it was: ErrorKind::ChangedMeanwhile when another
// program kept changing it meanwhile.
[[nodiscard]] Result<> deleteSettings(std::u16string_view application, std::u16string_view section,
                                      std::initializer_list<std::u16string_view> keys);

// Where the store keeps one application's section, for messages and tests.
[[nodiscard]] std::u16string settingsStorePath(std::u16string_view application,
                                               std::u16string_view section);

} // namespace platform
