#pragma once

#include "shell/message.h"

#include <cstdint>
#include <string>

namespace deletion {

// What the deletion run needs of the main window.
class DeletionWindow
{
public:
    virtual ~DeletionWindow() = default;
    DeletionWindow(const DeletionWindow &) = delete;
    DeletionWindow &operator=(const DeletionWindow &) = delete;

    [[nodiscard]] virtual std::u16string startPeriodText() const = 0; // Combo1
    [[nodiscard]] virtual std::u16string endPeriodText() const = 0; // Combo2
    virtual void setDeletedCountCaption(const std::u16string &caption) = 0; // Label5
    virtual void focusStartPeriod() = 0;
    virtual shell::MessageAnswer showMessage(const shell::Message &message) = 0;

protected:
    DeletionWindow() = default;
};

// Deletes the present data files of the months chosen in the window, after
// the installed check, the order check and two confirmations. deletedCount
// is the window's total since start-up, which the run raises by one for
// every file it deletes.
void runDeletion(DeletionWindow &window, const std::u16string &installPath,
                 std::int16_t &deletedCount);

} // namespace deletion
