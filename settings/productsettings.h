#pragma once

#include "shell/message.h"

#include <string>
#include <string_view>

// Where ORVETA keeps its per-user settings, and what the tool makes of them.
namespace settings {

inline constexpr std::u16string_view kApplication = u"KORVEL";
inline constexpr std::u16string_view kSection = u"Orveta";
inline constexpr std::u16string_view kKeyPath = u"Key_Path";
inline constexpr std::u16string_view kPassWd = u"Pass_Wd";

// ORVETA's installation folder as stored, or the empty text.
[[nodiscard]] std::u16string readInstallPath();

// ORVETA counts as installed when its folder is longer than two characters
// and names the same place whatever folder the tool was started from.
[[nodiscard]] bool isInstalled(std::u16string_view installPath);

// The data folder as shown to the user: the install path followed by the
// separator and "data".
[[nodiscard]] std::u16string dataFolderText(std::u16string_view installPath);

// Shown whenever a command needs ORVETA and it is not installed.
[[nodiscard]] shell::Message notInstalledNotice();

} // namespace settings
