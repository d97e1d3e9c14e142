#pragma once

#include "platform/messages.h"

#include <QString>

namespace settings {

// What the settings clearing needs of the main window.
class ClearingWindow
{
public:
    virtual ~ClearingWindow() = default;

    virtual void setFolderCaption(const QString &caption) = 0; // Label1
    virtual platform::MessageAnswer showMessage(const platform::Message &message) = 0;

protected:
    ClearingWindow() = default;
    Q_DISABLE_COPY_MOVE(ClearingWindow)
};

// Deletes ORVETA's stored folder and password after two confirmations, then
// reads the folder again into installPath and reports the outcome.
void clearSettings(ClearingWindow &window, QString &installPath);

} // namespace settings
