#include "shell/qt/application.h"

#include "shell/qt/fonts.h"
#include "shell/windowdefinition.h"

#include <QApplication>

namespace shell {

void configureApplication()
{
    QApplication::setApplicationName(QStringLiteral("orveta-workdata-delete"));
    QApplication::setApplicationVersion(QStringLiteral(APP_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("jp.solcana.OrvetaWorkdataDelete"));
    QApplication::setFont(gothicFont(kRegularPoints));
}

} // namespace shell
