#include "platform/filemanager.h"

#include <QDesktopServices>
#include <QDir>
#include <QUrl>

namespace platform {

void openFileManager()
{
    // The desktop's own handler for folders (xdg-open on X11 and Wayland)
    // decides which file manager opens; the user's home folder is where a
    // freshly opened file manager starts anyway.
    QDesktopServices::openUrl(QUrl::fromLocalFile(QDir::homePath()));
}

} // namespace platform
