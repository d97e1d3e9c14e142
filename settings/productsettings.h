#pragma once

#include "platform/messages.h"

#include <QString>

// Where ORVETA keeps its per-user settings, and what the tool makes of them.
namespace settings {

inline const QString kApplication = QStringLiteral("KORVEL");
inline const QString kSection = QStringLiteral("Orveta");
inline const QString kKeyPath = QStringLiteral("Key_Path");
inline const QString kPassWd = QStringLiteral("Pass_Wd");

// ORVETA's installation folder as stored, or the empty text.
[[nodiscard]] QString readInstallPath();

// ORVETA counts as installed when its folder is longer than two characters.
[[nodiscard]] bool isInstalled(const QString &installPath);

// The data folder as shown to the user: the install path followed by the
// separator and "data".
[[nodiscard]] QString dataFolderText(const QString &installPath);

// Shown whenever a command needs ORVETA and it is not installed.
[[nodiscard]] platform::Message notInstalledNotice();

} // namespace settings
