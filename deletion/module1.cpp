#include "deletion/module1.h"

#include "platform/filesystem.h"

#include <QDir>

namespace deletion {

bool probeFilePresence(QString &path)
{
    if (path.isEmpty())
        return false;
    if (path.endsWith(QDir::separator()))
        path.chop(1);
    return platform::isFreeRegularFile(path);
}

} // namespace deletion
