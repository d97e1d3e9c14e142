#include "shell/texts.h"

#include "platform/text.h"

#include <string_view>

namespace texts {
namespace {

using platform::ErrorKind;

std::u16string_view reasonText(ErrorKind kind)
{
    switch (kind) {
    case ErrorKind::NoPermission:
        return u"アクセスが拒否されました。";
    case ErrorKind::ReadOnlyFileSystem:
        return u"読み取り専用のファイル システムです。";
    case ErrorKind::InUse:
        return u"ほかのプログラムが使用中です。";
    case ErrorKind::NoSpace:
        return u"ディスクの空き領域が足りません。";
    case ErrorKind::IoError:
        return u"入出力エラーが発生しました。";
    case ErrorKind::NameTooLong:
        return u"ファイル名が長すぎます。";
    case ErrorKind::NotFound:
        return u"ファイルまたはフォルダーが見つかりません。";
    case ErrorKind::Busy:
        return u"デバイスまたはリソースが使用中です。";
    case ErrorKind::ReadOnlyFile:
        return u"読み取り専用のファイルです。";
    case ErrorKind::ForeignLink:
        return u"ほかのユーザーのシンボリック リンクです。";
    case ErrorKind::ChangedMeanwhile:
        return u"ほかのプログラムが同時に変更しています。";
    case ErrorKind::Other:
        break;
    }
    return {};
}

bool isProgramsOwn(ErrorKind kind)
{
    return kind == ErrorKind::ReadOnlyFile || kind == ErrorKind::ForeignLink
           || kind == ErrorKind::ChangedMeanwhile;
}

} // namespace

std::u16string failureReason(const platform::SystemError &error)
{
    // The program's own refusals carry no code the system could explain.
    if (isProgramsOwn(error.kind))
        return std::u16string(reasonText(error.kind));
    if (auto text = platform::japaneseSystemMessage(error))
        return std::move(*text);
    if (const std::u16string_view text = reasonText(error.kind); !text.empty())
        return std::u16string(text);
    if (std::u16string text = platform::systemMessage(error); !text.empty())
        return text;
    return u"エラー " + platform::decimalText(error.code);
}

} // namespace texts
