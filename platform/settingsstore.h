#pragma once

#include <QString>

namespace platform {

// The platform's per-user settings store, addressed by application, section
// and key. On Linux the application names a key file in the user's
// configuration folder, the section is a group and the key is a key.

// The stored text, or the empty text when the key, the section or the
// application is absent or cannot be read. Never changes anything.
[[nodiscard]] QString readSetting(const QString &application, const QString &section,
                                  const QString &key);

struct SettingDeletion
{
    enum class Outcome { Deleted, NotFound, NotWritable };
    Outcome outcome = Outcome::Deleted;
    QString storePath; // where the store keeps this application's settings
    QString reason; // the system's reason, for NotWritable

    [[nodiscard]] bool deleted() const { return outcome == Outcome::Deleted; }
};

// Removes exactly one key and keeps everything else the store holds.
[[nodiscard]] SettingDeletion deleteSetting(const QString &application, const QString &section,
                                            const QString &key);

// Where the store keeps one application's settings, for messages and tests.
[[nodiscard]] QString settingsStorePath(const QString &application);

} // namespace platform
