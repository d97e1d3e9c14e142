#include "platform/result.h"
#include "platform/text.h"
#include "shell/texts.h"

#include <doctest/doctest.h>

#include <clocale>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#endif

using platform::ErrorKind;
using platform::SystemError;
using texts::failureReason;

namespace doctest {
template<>
struct StringMaker<std::u16string>
{
    static String convert(const std::u16string &text)
    {
        return ('"' + platform::toUtf8(text) + '"').c_str();
    }
};
} // namespace doctest

namespace {

struct ReasonRow
{
    int code;
    std::u16string_view reason;
};

#ifdef _WIN32
bool hasJapanese(std::u16string_view text)
{
    for (const char16_t c : text)
        if (c >= u'\u3000')
            return true;
    return false;
}
#endif

} // namespace

// The reasons users meet come in Japanese whatever language the system
// speaks to this user: the test runs in the C locale, as under LANG=C.
TEST_CASE("the reasons users meet are Japanese in the C locale")
{
    std::setlocale(LC_ALL, "C");
#ifdef _WIN32
    // Windows keeps its own words in Japanese too, and those come first;
    // where it lacks them the program's words stand in.
    const ReasonRow rows[] = {
        {ERROR_ACCESS_DENIED, u"アクセスが拒否されました。"},
        {ERROR_WRITE_PROTECT, u"読み取り専用のファイル システムです。"},
        {ERROR_SHARING_VIOLATION, u"ほかのプログラムが使用中です。"},
        {ERROR_LOCK_VIOLATION, u"ほかのプログラムが使用中です。"},
        {ERROR_DISK_FULL, u"ディスクの空き領域が足りません。"},
        {ERROR_HANDLE_DISK_FULL, u"ディスクの空き領域が足りません。"},
        {ERROR_CRC, u"入出力エラーが発生しました。"},
        {ERROR_FILENAME_EXCED_RANGE, u"ファイル名が長すぎます。"},
        {ERROR_FILE_NOT_FOUND, u"ファイルまたはフォルダーが見つかりません。"},
        {ERROR_PATH_NOT_FOUND, u"ファイルまたはフォルダーが見つかりません。"},
        {ERROR_BUSY, u"デバイスまたはリソースが使用中です。"},
    };
    for (const ReasonRow &row : rows) {
        CAPTURE(row.code);
        const SystemError error = platform::systemError(row.code);
        CHECK(error.kind != ErrorKind::Other);
        wchar_t *buffer = nullptr;
        const DWORD length = ::FormatMessageW(
            FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS
                | FORMAT_MESSAGE_ALLOCATE_BUFFER,
            nullptr, DWORD(row.code), MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN),
            reinterpret_cast<wchar_t *>(&buffer), 0, nullptr);
        std::u16string expected(row.reason);
        if (buffer) {
            expected.assign(reinterpret_cast<const char16_t *>(buffer), length);
            ::LocalFree(buffer);
            expected.erase(expected.find_last_not_of(u"\r\n ") + 1);
        }
        CHECK(failureReason(error) == expected);
        CHECK(hasJapanese(failureReason(error)));
    }
#else
    const ReasonRow rows[] = {
        {EACCES, u"アクセスが拒否されました。"},
        {EPERM, u"アクセスが拒否されました。"},
        {EROFS, u"読み取り専用のファイル システムです。"},
        {ETXTBSY, u"ほかのプログラムが使用中です。"},
        {ENOSPC, u"ディスクの空き領域が足りません。"},
        {EDQUOT, u"ディスクの空き領域が足りません。"},
        {EIO, u"入出力エラーが発生しました。"},
        {ENAMETOOLONG, u"ファイル名が長すぎます。"},
        {ENOENT, u"ファイルまたはフォルダーが見つかりません。"},
        {ENOTDIR, u"ファイルまたはフォルダーが見つかりません。"},
        {EBUSY, u"デバイスまたはリソースが使用中です。"},
    };
    for (const ReasonRow &row : rows) {
        CAPTURE(row.code);
        CHECK(failureReason(platform::systemError(row.code)) == std::u16string(row.reason));
    }
    // A failure users hardly meet keeps the system's own words.
    CHECK(failureReason(platform::systemError(EXDEV)) == u"Invalid cross-device link");
#endif
    std::setlocale(LC_ALL, "");
}

// The program's own refusals carry no system code; their words are the
// program's, never the system's text for code 0 ("the operation completed
// successfully").
TEST_CASE("the program's own refusals have words of their own")
{
    CHECK(failureReason({ErrorKind::ReadOnlyFile, 0}) == u"読み取り専用のファイルです。");
    CHECK(failureReason({ErrorKind::ForeignLink, 0})
          == u"ほかのユーザーのシンボリック リンクです。");
    CHECK(failureReason({ErrorKind::ChangedMeanwhile, 0})
          == u"ほかのプログラムが同時に変更しています。");
}

// The note on standard error names every folder passed over, in order, and
// where the lock went instead, or that the tool starts unchecked.
TEST_CASE("the lock note tells each problem and the folder taken")
{
    using Step = platform::LockProblem::Step;
    const platform::LockProblem openRuntime{Step::UseRuntimeFolder, "/run/user/1000",
                                            {ErrorKind::OpenToOthers, 0}};
    const platform::LockProblem foreignState{
        Step::Open, "/home/u/.local/state/orveta-workdata-delete", {ErrorKind::ForeignOwner, 0}};
    const platform::LockProblem relativeRuntime{Step::UseRuntimeFolder, "run",
                                                {ErrorKind::NotAbsolute, 0}};
    const platform::LockProblem noHome{Step::FindHome, {}, {ErrorKind::NotFound, 0}};
    const struct
    {
        std::string name;
        std::vector<platform::LockProblem> problems;
        std::string folderTaken;
        std::string note;
    } rows[] = {
        {"none", {}, "/run/user/1000", ""},
        {"one, moved",
         {openRuntime},
         "/home/u/.local/state/orveta-workdata-delete",
         "orveta-workdata-delete: XDG_RUNTIME_DIR=/run/user/1000 cannot be used (other users may "
         "write to it): using /home/u/.local/state/orveta-workdata-delete"},
        {"two, moved",
         {openRuntime, foreignState},
         "/home/u/.cache/orveta-workdata-delete",
         "orveta-workdata-delete: XDG_RUNTIME_DIR=/run/user/1000 cannot be used (other users may "
         "write to it); /home/u/.local/state/orveta-workdata-delete belongs to another user: "
         "using /home/u/.cache/orveta-workdata-delete"},
        {"two, nowhere to go",
         {relativeRuntime, noHome},
         "",
         "orveta-workdata-delete: cannot check for a running copy (XDG_RUNTIME_DIR=run cannot be "
         "used (not an absolute path); no home folder): starting anyway"},
    };
    for (const auto &row : rows) {
        CAPTURE(row.name);
        CHECK(texts::lockNote(row.problems, row.folderTaken) == row.note);
    }
}
