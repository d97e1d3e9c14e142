#pragma once

namespace platform {

// Opens a window of the desktop's file manager and returns at once. Nothing
// is shown to the user when the desktop cannot start one.
void openFileManager();

} // namespace platform
