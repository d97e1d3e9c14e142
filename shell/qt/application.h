#pragma once

namespace shell {

// Names the application for the desktop and gives it the window's Japanese
// face, which message boxes, being windows of their own, take from it.
void configureApplication();

} // namespace shell
