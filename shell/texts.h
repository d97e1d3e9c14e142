#pragma once

#include "platform/instancelock.h"
#include "platform/result.h"

#include <array>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// Every text the user can see, in one place: the window, its menu, every
// message box, the reasons of failures and the notes on standard error. The
// window and the message boxes speak Japanese whatever the system's
// language; half-width katakana and the spaces stand exactly as the window
// shows them. "\r" breaks a line of a message box. "{}" stands for a value
// that the program puts in when it shows the text, such as a path or a
// reason, in the order given beside the text.
namespace texts {

// The main window.
inline constexpr std::u16string_view kWindowCaption = u" KORVEL(ORVETA) 勤務ﾃﾞｰﾀの削除";
inline constexpr std::u16string_view kHeading = u"「ORVETA」勤務データの削除";
// {}: the number of data files deleted since the tool started.
inline constexpr std::u16string_view kDeletedCount = u"削除データ数 ： {}";
// As it reads before the first file is deleted.
inline constexpr std::u16string_view kDeletedCountAtStart = u"削除データ数 ： 0";
inline constexpr std::u16string_view kRangeFrame = u"削除する月の範囲";
inline constexpr std::u16string_view kStartLabel = u"開 始";
inline constexpr std::u16string_view kEndLabel = u"終 了";
inline constexpr std::u16string_view kOkButton = u"OK";
inline constexpr std::u16string_view kOkToolTip = u"勤務ﾃﾞｰﾀの削除";
inline constexpr std::u16string_view kCancelButton = u"キャンセル";
inline constexpr std::u16string_view kCancelToolTip = u"ﾌﾟﾛｸﾞﾗﾑの終了";
inline constexpr std::u16string_view kFolderFrame = u"ﾌｫﾙﾀﾞ名";
inline constexpr std::u16string_view kCaution
    = u"ご注意 勤務データを削除する前にバックアップをおすすめします。";
inline constexpr std::u16string_view kMaker = u"㈱ソルカナ";

// The File menu; "&" marks the access key that follows it.
inline constexpr std::u16string_view kFileMenu = u"ﾌｧｲﾙ(&F)";
inline constexpr std::u16string_view kOpenFileManagerItem = u"ｴｸｽﾌﾟﾛｰﾗ起動(&E)";
inline constexpr std::u16string_view kClearSettingsItem = u"ﾚｼﾞｽﾄﾘ削除(&D)";
inline constexpr std::u16string_view kEndProgramItem = u"ﾌﾟﾛｸﾞﾗﾑの終了(&C)";

// The buttons of every message box.
inline constexpr std::u16string_view kBoxOk = u"OK";
inline constexpr std::u16string_view kBoxCancel = u"キャンセル";

// Shown by the OK button and by the settings clearing, with kDeletionTitle,
// when ORVETA's folder is not known.
inline constexpr std::u16string_view kNotInstalled
    = u"ORVETAがｲﾝｽﾄｰﾙされていないか、ORVETAを      \r"
      u"一度も起動していない可能性があります。\r\r中止します・・・・・";

// The deletion run, started by the OK button.
inline constexpr std::u16string_view kDeletionTitle = u"勤務ﾃﾞｰﾀ削除";
inline constexpr std::u16string_view kWrongOrder
    = u"開始年月と終了年月の順序が違います。\r\r変更してください・・・・・";
inline constexpr std::u16string_view kFirstDeletionQuestion
    = u"削除した勤務データは復元できません。\r削除する前にバックアップを作成してください。\r"
      u"勤務データを削除しますか？";
inline constexpr std::u16string_view kSecondDeletionQuestion
    = u"本当に勤務データを削除してよろしいですか？";
inline constexpr std::u16string_view kNothingToDelete = u"削除対象データはありません。";
// {}: what stopped the run: kFailedAt, or the reason alone where no file
// was at fault.
inline constexpr std::u16string_view kDeletionFailed
    = u"勤務データの削除中にエラーが発生しました。\r{}\r\r中止します・・・・・";

// The settings clearing, started from the File menu.
inline constexpr std::u16string_view kClearingTitle = u"ﾚｼﾞｽﾄﾘ削除";
inline constexpr std::u16string_view kFirstClearingQuestion
    = u"「ORVETA」のレジストリ情報を削除しますか？";
inline constexpr std::u16string_view kSecondClearingQuestion
    = u"本当にレジストリ情報を削除しますか？";
inline constexpr std::u16string_view kNothingRegistered = u"レジストリ情報の登録がありません。";
// {}: kFailedAt, naming the settings file or registry key.
inline constexpr std::u16string_view kClearingFailed
    = u"レジストリ情報を削除できませんでした。\r{}";
inline constexpr std::u16string_view kCleared = u"レジストリ情報を削除しました。";

// Where something failed and why. {}: the path, then the reason.
inline constexpr std::u16string_view kFailedAt = u"{} : {}";

// The Windows program, when its window cannot be made. {}: the reason.
inline constexpr std::u16string_view kStartupTitle = u"勤務ﾃﾞｰﾀ削除";
inline constexpr std::u16string_view kStartupFailed
    = u"ウィンドウを作成できませんでした。\r{}\r\r終了します・・・・・";

// The reasons of failures, for the place of the reason in kFailedAt and in
// the notes on standard error below. In the error messages the system's own
// Japanese words come first where it keeps them (Windows); the program's
// words stand in where it does not, and for the program's own refusals,
// which carry no code of the system's. The notes give the system's words in
// its own language, the program's English ones for its own refusals.
struct Reason
{
    platform::ErrorKind kind;
    std::u16string_view japanese;
    std::string_view english = {};
};
inline constexpr std::array kReasons{
    Reason{platform::ErrorKind::NoPermission, u"アクセスが拒否されました。"},
    Reason{platform::ErrorKind::ReadOnlyFileSystem, u"読み取り専用のファイル システムです。"},
    Reason{platform::ErrorKind::InUse, u"ほかのプログラムが使用中です。"},
    Reason{platform::ErrorKind::NoSpace, u"ディスクの空き領域が足りません。"},
    Reason{platform::ErrorKind::IoError, u"入出力エラーが発生しました。"},
    Reason{platform::ErrorKind::NameTooLong, u"ファイル名が長すぎます。",
           "the folder's path is too long"},
    Reason{platform::ErrorKind::NotFound, u"ファイルまたはフォルダーが見つかりません。"},
    Reason{platform::ErrorKind::Busy, u"デバイスまたはリソースが使用中です。"},
    Reason{platform::ErrorKind::ReadOnlyFile, u"読み取り専用のファイルです。"},
    Reason{platform::ErrorKind::ForeignLink, u"ほかのユーザーのシンボリック リンクです。"},
    Reason{platform::ErrorKind::ChangedMeanwhile, u"ほかのプログラムが同時に変更しています。"},
    Reason{platform::ErrorKind::ForeignOwner, u"ほかのユーザーのものです。",
           "belongs to another user"},
    Reason{platform::ErrorKind::OpenToOthers, u"ほかのユーザーも書き込めます。",
           "other users may write to it"},
    Reason{platform::ErrorKind::NotAbsolute, u"絶対パスではありません。", "not an absolute path"},
    Reason{platform::ErrorKind::NotRegularFile, u"通常のファイルではありません。",
           "is not a regular file"},
    Reason{platform::ErrorKind::NoAnswer, u"応答がありません。", "no answer"},
    Reason{platform::ErrorKind::CountLimit, u"削除データ数が上限を超えました。"},
};
// Where neither the system nor the program has words. {}: the system's
// error code.
inline constexpr std::u16string_view kErrorCode = u"エラー {}";

// Notes on standard error about the single-instance lock, for whoever
// started the tool from a terminal; the tool starts all the same. They
// begin with the program's name.
inline constexpr std::string_view kNote = "orveta-workdata-delete: {}";
// {}: the problems met, joined by kNoteSeparator; then the folder used.
inline constexpr std::string_view kLockMoved = "{}: using {}";
inline constexpr std::string_view kLockNotChecked
    = "cannot check for a running copy ({}): starting anyway";
inline constexpr std::string_view kNoteSeparator = "; ";
// One problem each, by the step that met it. {}: the folder or file, then
// the reason; a refusal of the program's follows the path without a verb.
struct StepNote
{
    platform::LockProblem::Step step;
    std::string_view pattern;
};
inline constexpr std::array kStepNotes{
    StepNote{platform::LockProblem::Step::UseRuntimeFolder,
             "XDG_RUNTIME_DIR={} cannot be used ({})"},
    StepNote{platform::LockProblem::Step::FindHome, "no home folder"},
    StepNote{platform::LockProblem::Step::Create, "cannot create {}: {}"},
    StepNote{platform::LockProblem::Step::Open, "cannot open {}: {}"},
    StepNote{platform::LockProblem::Step::MakePrivate, "cannot make {} private: {}"},
    StepNote{platform::LockProblem::Step::Lock, "cannot lock {}: {}"},
};
inline constexpr std::string_view kRefused = "{} {}";
// {}: why.
inline constexpr std::string_view kRaiseNotAsked
    = "cannot ask the running copy to come to the front ({})";
inline constexpr std::string_view kRaiseNotHeard = "cannot listen for later starts ({})";

// The pattern with each "{}" replaced by the next value, in order.
[[nodiscard]] std::u16string fill(std::u16string_view pattern,
                                  std::initializer_list<std::u16string_view> values);
[[nodiscard]] std::string fill(std::string_view pattern,
                               std::initializer_list<std::string_view> values);

// Why something failed, for the place of the reason in kFailedAt: the
// system's own Japanese words where it has them, the program's for the
// failures users meet, and the system's words in its own language for the
// rest.
[[nodiscard]] std::u16string failureReason(const platform::SystemError &error);

// The note on standard error after the lock was tried, or the empty text
// when there is nothing to tell: the folders passed over and the one taken
// instead, or, when no folder was taken, why the lock could not be checked.
[[nodiscard]] std::string lockNote(const std::vector<platform::LockProblem> &problems,
                                   std::string_view folderTaken);

// The notes when the running copy could not be asked to come to the front,
// or when this copy cannot hear later starts.
[[nodiscard]] std::string raiseNotAskedNote(const platform::SystemError &error);
[[nodiscard]] std::string raiseNotHeardNote(const platform::SystemError &error);

} // namespace texts
