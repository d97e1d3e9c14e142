#include "deletion/deletionrun.h"

#include "deletion/period.h"
#include "deletion/presenceprobe.h"
#include "platform/filesystem.h"
#include "platform/text.h"
#include "settings/productsettings.h"
#include "shell/texts.h"

#include <limits>
#include <optional>

namespace deletion {
namespace {

using shell::Message;
using shell::MessageAnswer;
using shell::MessageButtons;
using shell::MessageIcon;

Message notice(std::u16string_view text)
{
    return {std::u16string(text), std::u16string(texts::kDeletionTitle), MessageIcon::Exclamation,
            MessageButtons::Ok};
}

bool confirmed(DeletionWindow &window, std::u16string_view question)
{
    const Message message{std::u16string(question), std::u16string(texts::kDeletionTitle),
                          MessageIcon::Question, MessageButtons::OkCancel};
    return window.showMessage(message) == MessageAnswer::Ok;
}

int startValue(const DeletionWindow &window)
{
    return codeValue(periodCode(window.startPeriodText()));
}

int endValue(const DeletionWindow &window)
{
    return codeValue(periodCode(window.endPeriodText()));
}

// Deletes the present data files of the months from start to end in the
// data folder at folderPath, counting them. The folder is held open for the
// walk alone: every file is looked up in it, however its path changes
// meanwhile. The first failure stops the walk; failedPath then names the
// folder or file where it happened, or is empty where none was at fault.
platform::Result<> deleteMonths(const std::u16string &folderPath, int start, int end,
                                std::int16_t &deletedCount, std::int16_t &runCount,
                                std::u16string &failedPath)
{
    failedPath = folderPath;
    const platform::Result<std::optional<platform::DataFolder>> folder
        = platform::DataFolder::open(folderPath);
    if (!folder)
        return platform::failure(folder.error());
    if (!*folder)
        return {}; // no folder, so no data file either

    platform::Result<> outcome;
    walkRange(start, end, [&](int candidate) {
        std::u16string name = dataFileName(candidate);
        std::optional<platform::DataFile> file = probeFilePresence(**folder, name);
        if (!file)
            return true;
        // Checked before the file goes, so that no file is deleted without
        // being counted.
        if (deletedCount == std::numeric_limits<std::int16_t>::max()) {
            failedPath.clear();
            outcome = platform::failure({platform::ErrorKind::CountLimit, 0});
            return false;
        }
        if (outcome = file->remove(); !outcome) {
            failedPath = folderPath + platform::kPathSeparator + name;
            return false;
        }
        ++deletedCount;
        ++runCount;
        return true;
    });
    return outcome;
}

} // namespace

void runDeletion(DeletionWindow &window, const std::u16string &installPath,
                 std::int16_t &deletedCount)
{
    if (!settings::isInstalled(installPath)) {
        window.showMessage(settings::notInstalledNotice());
        return;
    }
    if (endValue(window) < startValue(window)) {
        window.showMessage(notice(texts::kWrongOrder));
        window.focusStartPeriod();
        return;
    }
    if (!confirmed(window, texts::kFirstDeletionQuestion))
        return;
    if (!confirmed(window, texts::kSecondDeletionQuestion))
        return;

    // The lists are read again: the months deleted are those on show now.
    std::int16_t runCount = 0;
    std::u16string failedPath;
    const platform::Result<> deleted
        = deleteMonths(settings::dataFolderText(installPath), startValue(window), endValue(window),
                       deletedCount, runCount, failedPath);

    if (deletedCount > 0)
        window.setDeletedCountCaption(
            texts::fill(texts::kDeletedCount, {platform::decimalText(deletedCount)}));
    if (!deleted) {
        // Whatever was deleted before the failure stays deleted; the count
        // on show says how many that was.
        const std::u16string reason = texts::failureReason(deleted.error());
        window.showMessage(notice(texts::fill(
            texts::kDeletionFailed,
            {failedPath.empty() ? reason : texts::fill(texts::kFailedAt, {failedPath, reason})})));
        return;
    }
    if (runCount == 0)
        window.showMessage(notice(texts::kNothingToDelete));
}

} // namespace deletion
