#pragma once

// Real folders and files for the doctest programs, in both builds.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace testsupport {

// A fresh folder under the system's temporary folder, gone with everything
// in it when the test ends.
class ScratchFolder final
{
public:
    ScratchFolder()
    {
        std::random_device random;
        std::error_code error;
        const std::filesystem::path base = std::filesystem::temp_directory_path(error);
        for (int attempt = 0; attempt < 100 && path_.empty() && !error; ++attempt) {
            const std::filesystem::path candidate
                = base / ("orveta-test-" + std::to_string(random()));
            if (std::filesystem::create_directory(candidate, error))
                path_ = candidate;
        }
#ifndef _WIN32
        // Every user may search it, so that a step run as another user
        // reaches what the test lays out inside.
        if (!path_.empty() && ::chmod(path_.c_str(), 0755) != 0)
            path_.clear();
#endif
    }
    ~ScratchFolder()
    {
        std::error_code error;
        if (!path_.empty())
            std::filesystem::remove_all(path_, error);
    }
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;

    [[nodiscard]] bool isValid() const
    {
        return !path_.empty();
    }
    [[nodiscard]] const std::filesystem::path &path() const
    {
        return path_;
    }
    [[nodiscard]] std::filesystem::path operator/(const std::string &name) const
    {
        return path_ / name;
    }

private:
    std::filesystem::path path_;
};

// A file with the contents given, replacing what was there; false when it
// cannot be written.
[[nodiscard]] inline bool writeFile(const std::filesystem::path &path,
                                    std::string_view contents = {})
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(contents.data(), std::streamsize(contents.size()));
    file.close();
    return !file.fail();
}

// What the file holds; nothing when it cannot be read.
[[nodiscard]] inline std::string readFile(const std::filesystem::path &path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The names in a folder, sorted; none when there is no such folder.
[[nodiscard]] inline std::vector<std::string> folderEntries(const std::filesystem::path &folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(folder, error))
        names.push_back(entry.path().filename().string());
    std::ranges::sort(names);
    return names;
}

// Makes the given folder the working folder for as long as it lives.
class WorkingFolder final
{
public:
    explicit WorkingFolder(const std::filesystem::path &folder)
        : saved_(std::filesystem::current_path())
    {
        std::filesystem::current_path(folder);
    }
    ~WorkingFolder()
    {
        std::error_code error;
        std::filesystem::current_path(saved_, error);
    }
    WorkingFolder(const WorkingFolder &) = delete;
    WorkingFolder &operator=(const WorkingFolder &) = delete;

private:
    std::filesystem::path saved_;
};

} // namespace testsupport
