#include "deletion/deletionrun.h"

#include "deletion/module1.h"
#include "deletion/period.h"
#include "platform/filesystem.h"
#include "settings/productsettings.h"

#include <QDir>

#include <limits>
#include <optional>

using namespace Qt::StringLiterals;

namespace deletion {
namespace {

using platform::CR;
using platform::Message;
using platform::MessageAnswer;
using platform::MessageButtons;
using platform::MessageIcon;

const QString kTitle = u"勤務ﾃﾞｰﾀ削除"_s;

Message notice(const QString &text)
{
    return {text, kTitle, MessageIcon::Exclamation, MessageButtons::Ok};
}

bool confirmed(DeletionWindow &window, const QString &question)
{
    const Message message{question, kTitle, MessageIcon::Question, MessageButtons::OkCancel};
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

} // namespace

void runDeletion(DeletionWindow &window, const QString &installPath, qint16 &deletedCount)
{
    if (!settings::isInstalled(installPath)) {
        window.showMessage(settings::notInstalledNotice());
        return;
    }
    if (endValue(window) < startValue(window)) {
        window.showMessage(notice(u"開始年月と終了年月の順序が違います。"_s + CR + CR
                                  + u"変更してください・・・・・"_s));
        window.focusStartPeriod();
        return;
    }
    if (!confirmed(window, u"削除した勤務データは復元できません。"_s + CR
                               + u"削除する前にバックアップを作成してください。"_s + CR
                               + u"勤務データを削除しますか？"_s))
        return;
    if (!confirmed(window, u"本当に勤務データを削除してよろしいですか？"_s))
        return;

    // The lists are read again: the months deleted are those on show now.
    qint16 runCount = 0;
    std::optional<QString> failure;
    DataFilePaths paths(installPath);
    walkRange(startValue(window), endValue(window), [&](int candidate) {
        QString &path = paths.forMonth(candidate);
        if (!probeFilePresence(path))
            return true;
        // Checked before the file goes, so that no file is deleted without
        // being counted.
        if (deletedCount == std::numeric_limits<qint16>::max()) {
            failure = u"削除データ数が上限を超えました。"_s;
            return false;
        }
        if (const auto reason = platform::removeFile(path)) {
            failure = QDir::toNativeSeparators(path) + u" : "_s + *reason;
            return false;
        }
        ++deletedCount;
        ++runCount;
        return true;
    });

    if (deletedCount > 0)
        window.setDeletedCountCaption(u"削除データ数 ： "_s + QString::number(deletedCount));
    if (failure) {
        // Whatever was deleted before the failure stays deleted; the count
        // on show says how many that was.
        window.showMessage(notice(u"勤務データの削除中にエラーが発生しました。"_s + CR + *failure
                                  + CR + CR + u"中止します・・・・・"_s));
        return;
    }
    if (runCount == 0)
        window.showMessage(notice(u"削除対象データはありません。"_s));
}

} // namespace deletion
