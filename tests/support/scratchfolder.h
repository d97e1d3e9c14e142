#pragma once

// Real folders and files for the POSIX doctest programs, no Qt.

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace testsupport {

// A fresh folder under the temporary folder, gone with everything in it
// when the test ends. Every user may search it (0755), so that a step run
// as another user reaches what the test lays out inside.
class ScratchFolder final
{
public:
    ScratchFolder()
    {
        std::string name = (std::filesystem::temp_directory_path() / "orveta-test-XXXXXX").string();
        if (::mkdtemp(name.data()) && ::chmod(name.c_str(), 0755) == 0)
            path_ = name;
    }
    ~ScratchFolder()
    {
        std::error_code error;
        if (!path_.empty())
            std::filesystem::remove_all(path_, error);
    }
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;

    [[nodiscard]] bool isValid() const { return !path_.empty(); }
    [[nodiscard]] const std::filesystem::path &path() const { return path_; }
    [[nodiscard]] std::filesystem::path operator/(const std::string &name) const
    {
        return path_ / name;
    }

private:
    std::filesystem::path path_;
};

// A folder with the given owner and mode; false when it cannot be made so.
[[nodiscard]] inline bool makeFolder(const std::filesystem::path &path, uid_t owner = 0,
                                     mode_t mode = 0755)
{
    return ::mkdir(path.c_str(), mode) == 0 && ::chown(path.c_str(), owner, owner) == 0
           && ::chmod(path.c_str(), mode) == 0;
}

// An empty file with the given owner.
[[nodiscard]] inline bool makeFile(const std::filesystem::path &path, uid_t owner = 0)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    return fd >= 0 && ::fchown(fd, owner, owner) == 0 && ::close(fd) == 0;
}

// A symbolic link to target, owned by owner as though owner had made it.
[[nodiscard]] inline bool makeLink(const std::string &target, const std::filesystem::path &path,
                                   uid_t owner = 0)
{
    return ::symlink(target.c_str(), path.c_str()) == 0
           && ::lchown(path.c_str(), owner, owner) == 0;
}

// Whether anything, a dangling link included, stands at path.
[[nodiscard]] inline bool entryExists(const std::filesystem::path &path)
{
    struct stat info = {};
    return ::lstat(path.c_str(), &info) == 0;
}

} // namespace testsupport
