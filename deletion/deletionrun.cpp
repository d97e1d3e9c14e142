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

using platform::CR;
using platform::Message;
using platform::MessageAnswer;
using platform::MessageButtons;
using platform::MessageIcon;

constexpr std::u16string_view kTitle = u"勤務ﾃﾞｰﾀ削除";

Message notice(std::u16string text)
{
    return {std::move(text), std::u16string(kTitle), MessageIcon::Exclamation, MessageButtons::Ok};
}

bool confirmed(DeletionWindow &window, std::u16string question)
{
    const Message message{std::move(question), std::u16string(kTitle), MessageIcon::Question,
                          MessageButtons::OkCancel};
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

// Deletes the present data files of the months from start to end, counting
// them; the failure that stopped it, in the words the error message gives
// after its first line, if any. The data folder is held open for the walk
// alone: every file is looked up in it, however its path changes meanwhile.
std::optional<std::u16string> deleteMonths(const std::u16string &installPath, int start, int end,
                                           std::int16_t &deletedCount, std::int16_t &runCount)
{
    const std::u16string folderPath = settings::dataFolderText(installPath);
    const platform::Result<std::optional<platform::DataFolder>> folder
        = platform::DataFolder::open(folderPath);
    if (!folder)
        return folderPath + u" : " + texts::failureReason(folder.error());
    if (!*folder)
        return std::nullopt; // no folder, so no data file either

    std::optional<std::u16string> failure;
    DataFileNames names;
    walkRange(start, end, [&](int candidate) {
        std::u16string &name = names.forMonth(candidate);
        std::optional<platform::DataFile> file = probeFilePresence(**folder, name);
        if (!file)
            return true;
        // Checked before the file goes, so that no file is deleted without
        // being counted.
        if (deletedCount == std::numeric_limits<std::int16_t>::max()) {
            failure = u"削除データ数が上限を超えました。";
            return false;
        }
        if (const platform::Result<> removed = file->remove(); !removed) {
            failure = folderPath + platform::kPathSeparator + name + u" : "
                      + texts::failureReason(removed.error());
            return false;
        }
        ++deletedCount;
        ++runCount;
        return true;
    });
    return failure;
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
        window.showMessage(notice(std::u16string(u"開始年月と終了年月の順序が違います。") + CR + CR
                                  + u"変更してください・・・・・"));
        window.focusStartPeriod();
        return;
    }
    if (!confirmed(window, std::u16string(u"削除した勤務データは復元できません。") + CR
                               + u"削除する前にバックアップを作成してください。" + CR
                               + u"勤務データを削除しますか？"))
        return;
    if (!confirmed(window, u"本当に勤務データを削除してよろしいですか？"))
        return;

    // The lists are read again: the months deleted are those on show now.
    std::int16_t runCount = 0;
    const std::optional<std::u16string> failure
        = deleteMonths(installPath, startValue(window), endValue(window), deletedCount, runCount);

    if (deletedCount > 0)
        window.setDeletedCountCaption(u"削除データ数 ： " + platform::decimalText(deletedCount));
    if (failure) {
        // Whatever was deleted before the failure stays deleted; the count
        // on show says how many that was.
        window.showMessage(notice(std::u16string(u"勤務データの削除中にエラーが発生しました。") + CR
                                  + *failure + CR + CR + u"中止します・・・・・"));
        return;
    }
    if (runCount == 0)
        window.showMessage(notice(u"削除対象データはありません。"));
}

} // namespace deletion
