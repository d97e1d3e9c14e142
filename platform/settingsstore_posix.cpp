#include "platform/inifile.h"
#include "platform/posix.h"
#include "platform/settingsstore.h"
#include "platform/text.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace platform {
namespace {

using Outcome = SettingDeletion::Outcome;

std::string homeFolder()
{
    if (const char *home = std::getenv("HOME"); home && *home)
        return home;
    std::vector<char> buffer(16384);
    struct passwd entry = {};
    struct passwd *found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found
        && found->pw_dir)
        return found->pw_dir;
    return {};
}

// A relative or empty XDG_CONFIG_HOME is no valid setting and is ignored, as
// the freedesktop base directory rules ask.
std::string configFolder()
{
    if (const char *configured = std::getenv("XDG_CONFIG_HOME"); configured && *configured == '/')
        return configured;
    return homeFolder() + "/.config";
}

// Kept as the system's bytes: a folder name that is no UTF-8 still works.
std::string storeFile(std::u16string_view application)
{
    return configFolder() + '/' + toUtf8(application) + ".ini";
}

struct FileContents
{
    int error = 0; // errno of opening or reading
    bool regular = false; // false too when there is no file
    Descriptor fd;
    struct stat info = {};
    std::string bytes{};
};

// Opens without waiting, as a FIFO with no writer or a device would have us
// wait, and reads regular files only.
[[nodiscard]] FileContents readRegularFile(const char *path)
{
    FileContents file{.fd = Descriptor(::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY))};
    if (!file.fd.isOpen() || ::fstat(file.fd.get(), &file.info) != 0) {
        file.error = errno;
        return file;
    }
    file.regular = S_ISREG(file.info.st_mode);
    if (!file.regular)
        return file;
    file.bytes.reserve(std::size_t(file.info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(file.fd.get(), buffer, sizeof buffer);
        if (n == 0)
            return file;
        if (n > 0) {
            file.bytes.append(buffer, std::size_t(n));
        } else if (errno != EINTR) {
            file.error = errno;
            return file;
        }
    }
}

[[nodiscard]] int writeAt(int fd, std::string_view bytes, off_t offset)
{
    while (!bytes.empty()) {
        const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), offset);
        if (n < 0 && errno != EINTR)
            return errno;
        if (n == 0)
            return EIO; // no progress, and none to expect
        if (n > 0) {
            bytes.remove_prefix(std::size_t(n));
            offset += n;
        }
    }
    return 0;
}

// Best effort: an attribute this user may not set, such as a security
// label, is left to the system's default.
void copyExtendedAttributes(int from, int to)
{
    const ssize_t listSize = ::flistxattr(from, nullptr, 0);
    if (listSize <= 0)
        return;
    std::string names(std::size_t(listSize), '\0');
    const ssize_t listed = ::flistxattr(from, names.data(), names.size());
    if (listed <= 0)
        return;
    names.resize(std::size_t(listed));
    std::string value;
    for (std::size_t at = 0; at < names.size(); at += std::strlen(names.c_str() + at) + 1) {
        const char *name = names.c_str() + at;
        const ssize_t size = ::fgetxattr(from, name, nullptr, 0);
        if (size < 0)
            continue;
        value.resize(std::size_t(size));
        const ssize_t got = ::fgetxattr(from, name, value.data(), value.size());
        if (got >= 0)
            ::fsetxattr(to, name, value.data(), std::size_t(got), 0);
    }
}

std::string folderOf(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? std::string("/") : path.substr(0, slash);
}

// A new file renamed over the old one is never seen half written, but it is a
// new inode: it would split the file from its other hard links, it would be
// ours rather than its owner's, and it needs the folder's write permission.
[[nodiscard]] bool mayReplace(const std::string &path, const struct stat &info)
{
    return info.st_uid == ::geteuid() && info.st_nlink == 1
           && ::access(folderOf(path).c_str(), W_OK | X_OK) == 0;
}

// Writes the new contents to a temporary file beside the old one, with its
// mode, owner and extended attributes, and renames it over the old one.
// 0 or errno; nullopt, with nothing changed, when no such file can be made
// or given the old one's group, which a write in place would still manage.
[[nodiscard]] std::optional<int> replaceFile(const std::string &path, const FileContents &original,
                                             std::string_view contents)
{
    const std::string folder = folderOf(path);
    std::string temporary = (folder == "/" ? std::string() : folder) + "/."
                            + path.substr(path.rfind('/') + 1) + ".XXXXXX";
    Descriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd.isOpen())
        return std::nullopt;
    const auto discard = [&](std::optional<int> error) {
        fd.close();
        ::unlink(temporary.c_str());
        return error;
    };

    // The owner first: a change of owner clears the set-user-ID and
    // set-group-ID bits that the mode brings back.
    struct stat created = {};
    if (::fstat(fd.get(), &created) != 0)
        return discard(errno);
    if ((created.st_uid != original.info.st_uid || created.st_gid != original.info.st_gid)
        && ::fchown(fd.get(), original.info.st_uid, original.info.st_gid) != 0)
        return discard(std::nullopt);
    if (::fchmod(fd.get(), original.info.st_mode & 07777) != 0)
        return discard(errno);
    copyExtendedAttributes(original.fd.get(), fd.get());

    if (const int error = writeAt(fd.get(), contents, 0); error != 0)
        return discard(error);
    if (::fsync(fd.get()) != 0)
        return discard(errno);
    if (const int error = fd.close(); error != 0)
        return discard(error);
    if (::rename(temporary.c_str(), path.c_str()) != 0)
        return discard(errno);
    // So that the rename outlives a crash as well; the file itself is safe.
    if (const Descriptor folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        folderFd.isOpen())
        ::fsync(folderFd.get());
    return 0;
}

// Writes the new contents over the old ones through the file's own
// descriptor, which keeps its inode with owner, hard links and attributes.
// The new contents are shorter, so the file never needs more room than it
// has, and a failed write can put the old bytes back.
[[nodiscard]] int rewriteInPlace(const std::string &path, const FileContents &original,
                                 std::string_view contents)
{
    const Descriptor fd(::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat info = {};
    if (!fd.isOpen() || ::fstat(fd.get(), &info) != 0)
        return errno;
    // Another program replaced or changed the file since it was read: our
    // shorter copy would cut its contents.
    if (info.st_dev != original.info.st_dev || info.st_ino != original.info.st_ino
        || info.st_size != original.info.st_size
        || info.st_mtim.tv_sec != original.info.st_mtim.tv_sec
        || info.st_mtim.tv_nsec != original.info.st_mtim.tv_nsec)
        return EAGAIN;

    int error = writeAt(fd.get(), contents, 0);
    if (error == 0 && ::ftruncate(fd.get(), off_t(contents.size())) != 0)
        error = errno;
    if (error == 0 && ::fsync(fd.get()) != 0)
        error = errno;
    if (error != 0 && writeAt(fd.get(), original.bytes, 0) == 0
        && ::ftruncate(fd.get(), off_t(original.bytes.size())) == 0)
        ::fsync(fd.get());
    return error;
}

} // namespace

std::u16string settingsStorePath(std::u16string_view application, std::u16string_view)
{
    return fromUtf8(storeFile(application));
}

std::u16string readSetting(std::u16string_view application, std::u16string_view section,
                           std::u16string_view key)
{
    const FileContents file = readRegularFile(storeFile(application).c_str());
    if (file.error != 0 || !file.regular)
        return {};
    const std::optional<std::string> value
        = ini::findValue(file.bytes, toUtf8(section), toUtf8(key));
    return value ? fromUtf8(*value) : std::u16string();
}

SettingDeletion deleteSetting(std::u16string_view application, std::u16string_view section,
                              std::u16string_view key)
{
    SettingDeletion result;
    const std::string storePath = storeFile(application);
    result.storePath = fromUtf8(storePath);
    const auto fail = [&](Outcome outcome, int error = 0) {
        result.outcome = outcome;
        if (error != 0)
            result.error = systemError(error);
        return result;
    };

    // Through a symbolic link to the file it names, as an editor would, so
    // that the link stays a link.
    const std::unique_ptr<char, decltype(&std::free)> resolved(
        ::realpath(storePath.c_str(), nullptr), &std::free);
    if (!resolved)
        return errno == ENOENT || errno == ENOTDIR ? fail(Outcome::NotFound)
                                                   : fail(Outcome::NotWritable, errno);
    const std::string path(resolved.get());

    const FileContents file = readRegularFile(path.c_str());
    if (file.error == ENOENT)
        return fail(Outcome::NotFound);
    if (file.error != 0)
        return fail(Outcome::NotWritable, file.error);
    if (!file.regular)
        return fail(Outcome::NotFound);
    const ini::Removal removal = ini::removeKey(file.bytes, toUtf8(section), toUtf8(key));
    if (removal.removedLines == 0)
        return fail(Outcome::NotFound);

    // The rename would need only the folder's permission: ask the file's own
    // first. Root passes, except where the file is immutable or the file
    // system read-only.
    if (::access(path.c_str(), W_OK) != 0)
        return fail(Outcome::NotWritable, errno);
    std::optional<int> error;
    if (mayReplace(path, file.info))
        error = replaceFile(path, file, removal.contents);
    if (!error)
        error = rewriteInPlace(path, file, removal.contents);
    return *error == 0 ? result : fail(Outcome::NotWritable, *error);
}

} // namespace platform
