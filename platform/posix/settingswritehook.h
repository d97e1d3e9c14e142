#pragma once

#include <functional>

namespace platform {

// Called by deleteSettings right before it checks that the settings file is
// still what it read, whether it then replaces the file or writes it in
// place: a test changes the file there as another program might. Empty:
// nothing.
void setSettingsWriteHook(std::function<void()> hook);

// Called right after a new file took the old one's name, before the check
// that nobody touched the old one meanwhile. Empty: nothing.
void setSettingsSwapHook(std::function<void()> hook);

} // namespace platform
