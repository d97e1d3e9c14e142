#pragma once

namespace shell {

// Opens a new Explorer window, as Win+E does, and returns at once.
void openFileManager();

} // namespace shell
