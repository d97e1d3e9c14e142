// The presence probe and the deletion of a data file on Windows: plain
// files, what is no file, read-only files and files other programs hold.

#include "platform/filesystem.h"
#include "tests/support/u16text.h"
#include "tests/support/windows.h"

#include <doctest/doctest.h>
#include <optional>

using platform::DataFile;
using platform::DataFolder;
using support::exists;
using support::FileHolder;
using support::TemporaryFolder;

namespace {

// A folder of this run's own on drive C:.
support::TemporaryFolder testFolder()
{
    return support::TemporaryFolder(u"C:\\orveta-files-" + support::processNumber());
}

std::optional<DataFolder> openFolder(const std::u16string &path)
{
    platform::Result<std::optional<DataFolder>> folder = DataFolder::open(path);
    return folder ? std::move(*folder) : std::nullopt;
}

// The probe's answer for the file of that name in the folder at path.
std::optional<DataFile> probe(const std::optional<DataFolder> &folder, std::u16string_view name)
{
    return folder ? folder->openFile(name) : std::nullopt;
}

// A failure that the system can put in one line of words.
bool isOneLineReason(const platform::Result<> &removal)
{
    if (removal)
        return false;
    const std::u16string reason = platform::systemMessage(removal.error());
    return !reason.empty() && reason.find_first_of(u"\r\n") == std::u16string::npos
           && reason.back() != u' ';
}

} // namespace

TEST_CASE("absolute paths name drive roots and shares")
{
    const struct
    {
        std::u16string_view path;
        bool absolute;
    } rows[] = {
        {u"C:\\ORVETA", true},
        {u"c:/ORVETA", true},
        {u"Z:\\", true},
        {u"\\\\server\\share\\ORVETA", true},
        {u"//server/share/ORVETA", true},
        {u"\\\\?\\C:\\ORVETA", true},
        {u"C:ORVETA", false}, // the drive's current folder
        {u"C:", false},
        {u"\\ORVETA", false}, // the current drive's root
        {u"/ORVETA", false},
        {u"\\\\", false},
        {u"\\\\\\server", false},
        {u"ORVETA", false},
        {u".\\ORVETA", false},
        {u"1:\\ORVETA", false},
        {u"", false},
    };
    for (const auto &row : rows) {
        const std::string path = platform::toUtf8(row.path);
        CAPTURE(path);
        CHECK(platform::isAbsolutePath(row.path) == row.absolute);
    }
}

TEST_CASE("plain files are present and go when deleted")
{
    const TemporaryFolder folder = testFolder();
    const std::optional<DataFolder> opened = openFolder(folder.path());
    const struct
    {
        std::u16string_view name;
        std::string_view contents;
    } rows[] = {
        {u"200404orveta.mdb", "Standard Jet DB"},
        {u"200405orveta.mdb", ""},
        {u"勤務データ𠮷.mdb", "Standard Jet DB"},
    };
    for (const auto &row : rows) {
        const std::string name = platform::toUtf8(row.name);
        CAPTURE(name);
        const std::u16string path = folder.file(row.name);
        CHECK(support::createFile(path, row.contents));
        std::optional<DataFile> file = probe(opened, row.name);
        REQUIRE(file);
        CHECK(file->remove().has_value());
        CHECK(!exists(path));
    }
}

TEST_CASE("the probe leaves nothing open")
{
    const TemporaryFolder folder = testFolder();
    const std::u16string path = folder.file(u"200404orveta.mdb");
    CHECK(support::createFile(path));
    const std::optional<DataFolder> opened = openFolder(folder.path());
    CHECK(probe(opened, u"200404orveta.mdb").has_value());
    // Only a file nobody has open opens without any sharing.
    const HANDLE alone = ::CreateFileW(support::wide(path), GENERIC_READ | GENERIC_WRITE, 0,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    CHECK(alone != INVALID_HANDLE_VALUE);
    ::CloseHandle(alone);
}

TEST_CASE("what is no file is absent")
{
    const TemporaryFolder folder = testFolder();
    const std::u16string subfolder = folder.file(u"200404orveta.mdb");
    CHECK(::CreateDirectoryW(support::wide(subfolder), nullptr));
    CHECK(support::createFile(folder.file(u"200406orveta.mdb")));

    const struct
    {
        const char *name;
        std::optional<DataFolder> folder;
        std::u16string_view file;
    } rows[] = {
        {"folder", openFolder(folder.path()), u"200404orveta.mdb"},
        {"missing file", openFolder(folder.path()), u"200405orveta.mdb"},
        {"missing folder", openFolder(folder.file(u"data")), u"200405orveta.mdb"},
        {"a file in a subfolder", openFolder(folder.path()), u"data\\200406orveta.mdb"},
        {"a stream of a file", openFolder(folder.path()), u"200406orveta.mdb:x"},
        {"device as the folder", openFolder(u"NUL"), u"200405orveta.mdb"},
        // Would reach the folder itself if cut short at the NUL.
        {"folder with a NUL", openFolder(folder.path() + u'\0' + u"x"), u"200406orveta.mdb"},
        {"device in the folder", openFolder(folder.path()), u"NUL"},
        {"empty name", openFolder(folder.path()), u""},
    };
    for (const auto &row : rows) {
        CAPTURE(row.name);
        CHECK(!probe(row.folder, row.file));
    }
    CHECK(exists(subfolder));
}

TEST_CASE("a read-only file is present but stays")
{
    const TemporaryFolder folder = testFolder();
    const std::u16string path = folder.file(u"200404orveta.mdb");
    CHECK(support::createFile(path));
    CHECK(support::setReadOnly(path));
    std::optional<DataFile> file = probe(openFolder(folder.path()), u"200404orveta.mdb");
    REQUIRE(file);
    CHECK(isOneLineReason(file->remove()));
    CHECK(exists(path));
}

TEST_CASE("a file held by another program")
{
    // Only a holder that reads alone and lets others read and delete leaves
    // the file to the probe; the file goes once the holder lets go.
    const struct
    {
        std::u16string_view access;
        std::u16string_view sharing;
        bool present;
    } rows[] = {
        {u"readwrite", u"none", false}, {u"readwrite", u"R", false}, {u"readwrite", u"RW", false},
        {u"readwrite", u"RWD", false},  {u"read", u"RD", true},
    };
    const TemporaryFolder folder = testFolder();
    const std::optional<DataFolder> opened = openFolder(folder.path());
    for (const auto &row : rows) {
        const std::string holding
            = platform::toUtf8(row.access) + ' ' + platform::toUtf8(row.sharing);
        CAPTURE(holding);
        const std::u16string path = folder.file(u"200404orveta.mdb");
        CHECK(support::createFile(path));
        {
            const FileHolder holder(path, row.access, row.sharing);
            REQUIRE(holder.ready());
            std::optional<DataFile> file = probe(opened, u"200404orveta.mdb");
            CHECK(file.has_value() == row.present);
            if (file)
                CHECK(file->remove().has_value());
        }
        if (!row.present) {
            // Once the holder lets go, the file is there to be deleted.
            std::optional<DataFile> file = probe(opened, u"200404orveta.mdb");
            REQUIRE(file);
            CHECK(file->remove().has_value());
        }
        CHECK(!exists(path));
    }
}

// Between the probe and the deletion the file is the run's: others may read
// it, but neither write to it nor rename or delete it meanwhile.
TEST_CASE("a file the probe found can only be read by others until it goes")
{
    const TemporaryFolder folder = testFolder();
    const std::u16string path = folder.file(u"200404orveta.mdb");
    REQUIRE(support::createFile(path));
    const std::optional<DataFolder> opened = openFolder(folder.path());
    std::optional<DataFile> file = probe(opened, u"200404orveta.mdb");
    REQUIRE(file);
    const struct
    {
        const char *what;
        DWORD access;
        bool allowed;
    } rows[] = {
        {"read", GENERIC_READ, true},
        {"write", GENERIC_WRITE, false},
        {"delete or rename", DELETE, false},
    };
    for (const auto &row : rows) {
        CAPTURE(row.what);
        const HANDLE other = ::CreateFileW(
            support::wide(path), row.access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        CHECK((other != INVALID_HANDLE_VALUE) == row.allowed);
        if (other != INVALID_HANDLE_VALUE)
            ::CloseHandle(other);
        else
            CHECK(::GetLastError() == ERROR_SHARING_VIOLATION);
    }
    CHECK(file->remove().has_value());
    CHECK(!exists(path));
}
