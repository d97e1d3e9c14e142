#pragma once

#include "platform/result.h"

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

struct SettingDeletion
{
    enum class Outcome { Deleted, NotFound, NotWritable };
    Outcome outcome = Outcome::Deleted;
    std::u16string storePath; // where the store keeps this section, for messages
    SystemError error; // why, for NotWritable

    [[nodiscard]] bool deleted() const { return outcome == Outcome::Deleted; }
};

// Removes the key (on Linux every line of it in the section) and keeps
// everything else the store holds.
[[nodiscard]] SettingDeletion deleteSetting(std::u16string_view application,
                                            std::u16string_view section, std::u16string_view key);

// Where the store keeps one application's section, for messages and tests.
[[nodiscard]] std::u16string settingsStorePath(std::u16string_view application,
                                               std::u16string_view section);

} // namespace platform
