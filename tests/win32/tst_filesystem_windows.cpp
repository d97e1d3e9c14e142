#include "platform/filesystem.h"
#include "tests/win32/check.h"
#include "tests/win32/support.h"

using platform::isFreeRegularFile;
using platform::removeFile;
using support::exists;
using support::FileHolder;
using support::TemporaryFolder;

namespace {

// A folder of this run's own on drive C:.
support::TemporaryFolder testFolder()
{
    return support::TemporaryFolder(u"C:\\orveta-files-" + support::processNumber());
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

TEST_CASE(absolutePathsNameDriveRootsAndShares)
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
        const check::Row name(platform::toUtf8(row.path));
        CHECK_EQ(platform::isAbsolutePath(row.path), row.absolute);
    }
}

TEST_CASE(plainFilesArePresentAndGoWhenDeleted)
{
    const TemporaryFolder folder = testFolder();
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
        const check::Row name(platform::toUtf8(row.name));
        const std::u16string path = folder.file(row.name);
        CHECK(support::createFile(path, row.contents));
        CHECK(isFreeRegularFile(path));
        CHECK(removeFile(path).has_value());
        CHECK(!exists(path));
    }
}

TEST_CASE(probeLeavesNothingOpen)
{
    const TemporaryFolder folder = testFolder();
    const std::u16string path = folder.file(u"200404orveta.mdb");
    CHECK(support::createFile(path));
    CHECK(isFreeRegularFile(path));
    // Only a file nobody has open opens without any sharing.
    const HANDLE alone = ::CreateFileW(support::wide(path), GENERIC_READ | GENERIC_WRITE, 0,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    CHECK(alone != INVALID_HANDLE_VALUE);
    ::CloseHandle(alone);
}

TEST_CASE(whatIsNoFileIsAbsentAndCannotBeDeleted)
{
    const TemporaryFolder folder = testFolder();
    const std::u16string subfolder = folder.file(u"200404orveta.mdb");
    CHECK(::CreateDirectoryW(support::wide(subfolder), nullptr));

    const struct
    {
        const char *name;
        std::u16string path;
    } rows[] = {
        {"folder", subfolder},
        {"missing file", folder.file(u"200405orveta.mdb")},
        {"missing folder", folder.file(u"data\\200405orveta.mdb")},
        {"device", u"NUL"},
        {"empty path", u""},
    };
    for (const auto &row : rows) {
        const check::Row name(row.name);
        CHECK(!isFreeRegularFile(row.path));
        CHECK(isOneLineReason(removeFile(row.path)));
    }
    CHECK(exists(subfolder));
}

TEST_CASE(readOnlyFileIsPresentButStays)
{
    const TemporaryFolder folder = testFolder();
    const std::u16string path = folder.file(u"200404orveta.mdb");
    CHECK(support::createFile(path));
    CHECK(support::setReadOnly(path));
    CHECK(isFreeRegularFile(path));
    CHECK(isOneLineReason(removeFile(path)));
    CHECK(exists(path));
}

TEST_CASE(fileHeldByAnotherProgram)
{
    const struct
    {
        std::u16string_view sharing;
        bool present;
        bool deletable;
    } rows[] = {
        {u"none", false, false},
        {u"read", true, false},
        {u"readwrite", true, false},
        // A holder that lets others delete the file does not keep it.
        {u"all", true, true},
    };
    const TemporaryFolder folder = testFolder();
    for (const auto &row : rows) {
        const check::Row name(platform::toUtf8(row.sharing));
        const std::u16string path = folder.file(u"200404orveta.mdb");
        CHECK(support::createFile(path));
        {
            const FileHolder holder(path, row.sharing);
            if (!CHECK(holder.ready()))
                continue;
            CHECK_EQ(isFreeRegularFile(path), row.present);
            const auto reason = removeFile(path);
            if (row.deletable)
                CHECK(reason.has_value());
            else
                CHECK(isOneLineReason(reason));
        }
        if (!row.deletable) {
            // Once the holder lets go, the file is there to be deleted.
            CHECK(isFreeRegularFile(path));
            CHECK(removeFile(path).has_value());
        }
        CHECK(!exists(path));
    }
}
