#pragma once

#include "shell/message.h"

#include <string>

namespace settings {

// What the settings clearing needs of the main window.
class ClearingWindow
{
public:
    virtual ~ClearingWindow() = default;
    ClearingWindow(const ClearingWindow &) = delete;
    ClearingWindow &operator=(const ClearingWindow &) = delete;

    virtual void setFolderCaption(const std::u16string &caption) = 0; // Label1
    virtual shell::MessageAnswer showMessage(const shell::Message &message) = 0;

protected:
    ClearingWindow() = default;
};

// Deletes ORVETA's stored folder and password after two confirmations, then
// reads the folder again into installPath and reports the outcome.
void clearSettings(ClearingWindow &window, std::u16string &installPath);

} // namespace settings
