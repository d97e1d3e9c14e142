// The data folder as the deletion run holds it on Windows: nobody can
// rename, delete or replace it while it is open, and paths reach the system
// in the form that any length allows.

#include "platform/filesystem.h"
#include "platform/windows/paths.h"
#include "tests/support/u16text.h"
#include "tests/support/windows.h"

#include <doctest/doctest.h>
#include <optional>
#include <string>

using platform::DataFile;
using platform::DataFolder;

namespace {

std::optional<DataFolder> openFolder(const std::u16string &path)
{
    platform::Result<std::optional<DataFolder>> folder = DataFolder::open(path);
    return folder ? std::move(*folder) : std::nullopt;
}

bool rename(const std::u16string &from, const std::u16string &to)
{
    return ::MoveFileExW(support::wide(from), support::wide(to), 0);
}

} // namespace

TEST_CASE("the open data folder cannot be renamed, deleted or replaced")
{
    const support::TemporaryFolder install(u"C:\\orveta-held-" + support::processNumber());
    const std::u16string data = install.file(u"data");
    const std::u16string moved = install.file(u"data.old");
    REQUIRE(::CreateDirectoryW(support::wide(data), nullptr));
    {
        const std::optional<DataFolder> folder = openFolder(data);
        REQUIRE(folder);
        CHECK(!rename(data, moved));
        CHECK(!::RemoveDirectoryW(support::wide(data)));
        // Renaming another folder over it would replace it.
        REQUIRE(::CreateDirectoryW(support::wide(moved), nullptr));
        CHECK(!::MoveFileExW(support::wide(moved), support::wide(data), MOVEFILE_REPLACE_EXISTING));
        CHECK(::RemoveDirectoryW(support::wide(moved)));
        // Reading it and adding files to it stay open to everybody.
        CHECK(support::createFile(data + u"\\200406orveta.mdb"));
        const HANDLE reader
            = ::CreateFileW(support::wide(data), FILE_LIST_DIRECTORY,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        CHECK(reader != INVALID_HANDLE_VALUE);
        ::CloseHandle(reader);
    }
    // Free again once the run lets go.
    CHECK(rename(data, moved));
}

// Windows refuses to rename a folder that holds an open one; Wine allows
// it. Either way the files are looked up in the folder that was opened, not
// wherever its path leads now: what another folder put in its place holds
// is never touched. (Wine, having let the folder move, then leaves the
// opened file in place as well, though it reports it deleted.)
TEST_CASE("files are looked up in the open folder, not by its path")
{
    const support::TemporaryFolder root(u"C:\\orveta-moved-" + support::processNumber());
    const std::u16string install = root.file(u"orveta");
    REQUIRE(::CreateDirectoryW(support::wide(install), nullptr));
    REQUIRE(::CreateDirectoryW(support::wide(install + u"\\data"), nullptr));
    REQUIRE(support::createFile(install + u"\\data\\200406orveta.mdb"));
    const std::optional<DataFolder> folder = openFolder(install + u"\\data");
    REQUIRE(folder);

    const std::u16string moved = root.file(u"orveta.old");
    const bool renamed = rename(install, moved);
    if (renamed) {
        REQUIRE(::CreateDirectoryW(support::wide(install), nullptr));
        REQUIRE(::CreateDirectoryW(support::wide(install + u"\\data"), nullptr));
        REQUIRE(support::createFile(install + u"\\data\\200406orveta.mdb"));
    }
    std::optional<DataFile> file = folder->openFile(u"200406orveta.mdb");
    REQUIRE(file);
    CHECK(file->remove());
    if (renamed) {
        CHECK(support::exists(install + u"\\data\\200406orveta.mdb"));
    } else {
        CHECK(!support::exists(install + u"\\data\\200406orveta.mdb"));
    }
}

TEST_CASE("a folder another program holds for deleting is reported, not taken for absent")
{
    const support::TemporaryFolder install(u"C:\\orveta-busy-" + support::processNumber());
    const std::u16string data = install.file(u"data");
    REQUIRE(::CreateDirectoryW(support::wide(data), nullptr));
    const HANDLE holder
        = ::CreateFileW(support::wide(data), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    REQUIRE(holder != INVALID_HANDLE_VALUE);
    const platform::Result<std::optional<DataFolder>> folder = DataFolder::open(data);
    ::CloseHandle(holder);
    REQUIRE(!folder);
    CHECK(folder.error().code == ERROR_SHARING_VIOLATION);
}

TEST_CASE("paths reach the system in the form that any length allows")
{
    const std::u16string longName(300, u'x');
    const struct
    {
        std::u16string path;
        std::u16string expected;
    } rows[] = {
        {u"C:\\ORVETA\\data", u"\\\\?\\C:\\ORVETA\\data"},
        {u"c:/ORVETA//data", u"\\\\?\\c:\\ORVETA\\data"},
        {u"C:\\ORVETA\\..\\ORVETA2\\.\\data", u"\\\\?\\C:\\ORVETA2\\data"},
        {u"C:\\ORVETA\\data. ", u"\\\\?\\C:\\ORVETA\\data"},
        {u"\\\\server\\share\\ORVETA\\data", u"\\\\?\\UNC\\server\\share\\ORVETA\\data"},
        {u"//server/share/ORVETA/data", u"\\\\?\\UNC\\server\\share\\ORVETA\\data"},
        {u"\\\\?\\C:\\ORVETA\\..\\data", u"\\\\?\\C:\\ORVETA\\..\\data"},
        {u"\\\\?\\UNC\\server\\share\\data", u"\\\\?\\UNC\\server\\share\\data"},
        {u"C:\\" + longName + u"\\data", u"\\\\?\\C:\\" + longName + u"\\data"},
        {u"NUL", u"\\\\.\\NUL"},
    };
    for (const auto &row : rows) {
        CAPTURE(row.path);
        CHECK(platform::systemPath(row.path) == row.expected);
    }
}
