#pragma once

#include "platform/messages.h"

#include <QString>

namespace deletion {

// What the deletion run needs of the main window.
class DeletionWindow
{
public:
    virtual ~DeletionWindow() = default;

    [[nodiscard]] virtual QString startPeriodText() const = 0; // Combo1
    [[nodiscard]] virtual QString endPeriodText() const = 0; // Combo2
    virtual void setDeletedCountCaption(const QString &caption) = 0; // Label5
    virtual void focusStartPeriod() = 0;
    virtual platform::MessageAnswer showMessage(const platform::Message &message) = 0;

protected:
    DeletionWindow() = default;
    Q_DISABLE_COPY_MOVE(DeletionWindow)
};

// Deletes the present data files of the months chosen in the window, after
// the installed check, the order check and two confirmations. deletedCount
// is the window's total since start-up, which the run raises by one for
// every file it deletes.
void runDeletion(DeletionWindow &window, const QString &installPath, qint16 &deletedCount);

} // namespace deletion
