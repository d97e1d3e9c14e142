#pragma once

// Files, folders, other processes and registry values for the Windows tests.

#include "platform/text.h"

#include <string>
#include <string_view>
#include <windows.h>

namespace support {

[[nodiscard]] inline const wchar_t *wide(const std::u16string &text)
{
    return reinterpret_cast<const wchar_t *>(text.c_str());
}

[[nodiscard]] inline std::u16string processNumber()
{
    return platform::decimalText(::GetCurrentProcessId());
}

[[nodiscard]] inline bool exists(const std::u16string &path)
{
    return ::GetFileAttributesW(wide(path)) != INVALID_FILE_ATTRIBUTES;
}

inline bool createFile(const std::u16string &path, std::string_view contents = {})
{
    const HANDLE file = ::CreateFileW(wide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok
        = contents.empty()
          || ::WriteFile(file, contents.data(), DWORD(contents.size()), &written, nullptr);
    ::CloseHandle(file);
    return ok;
}

inline bool setReadOnly(const std::u16string &path)
{
    return ::SetFileAttributesW(wide(path), FILE_ATTRIBUTE_READONLY);
}

// A folder made afresh for a test and gone again, read-only files and all,
// when the test ends.
class TemporaryFolder final
{
public:
    explicit TemporaryFolder(std::u16string path)
        : path_(std::move(path))
    {
        removeAll();
        ::CreateDirectoryW(wide(path_), nullptr);
    }
    ~TemporaryFolder() { removeAll(); }
    TemporaryFolder(const TemporaryFolder &) = delete;
    TemporaryFolder &operator=(const TemporaryFolder &) = delete;

    [[nodiscard]] const std::u16string &path() const { return path_; }
    [[nodiscard]] std::u16string file(std::u16string_view name) const
    {
        return path_ + u'\\' + std::u16string(name);
    }

private:
    void removeAll() { removeTree(path_.starts_with(u"\\\\?\\") ? path_ : u"\\\\?\\" + path_); }

    // In the long form, which reaches folders of any depth.
    static void removeTree(const std::u16string &path)
    {
        WIN32_FIND_DATAW entry;
        const HANDLE search = ::FindFirstFileW(wide(path + u"\\*"), &entry);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::u16string name = reinterpret_cast<const char16_t *>(entry.cFileName);
                if (name == u"." || name == u"..")
                    continue;
                const std::u16string child = path + u'\\' + name;
                ::SetFileAttributesW(wide(child), FILE_ATTRIBUTE_NORMAL);
                if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
                    ::DeleteFileW(wide(child));
                else if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                    ::RemoveDirectoryW(wide(child)); // the link, not what it leads to
                else
                    removeTree(child);
            } while (::FindNextFileW(search, &entry));
            ::FindClose(search);
        }
        ::RemoveDirectoryW(wide(path));
    }

    std::u16string path_;
};

// Another process holding a file open with the access ("read", "write" or
// "readwrite") and the sharing ("none" or letters of "RWD") given, until it
// is destroyed.
class FileHolder final
{
public:
    FileHolder(const std::u16string &path, std::u16string_view access, std::u16string_view sharing)
    {
        // The holder says "ready" once it has the file, and lets go when its
        // input ends.
        SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        HANDLE childInput = nullptr;
        HANDLE childOutput = nullptr;
        ::CreatePipe(&childInput, &input_, &inheritable, 0);
        ::CreatePipe(&output_, &childOutput, &inheritable, 0);
        ::SetHandleInformation(input_, HANDLE_FLAG_INHERIT, 0);
        ::SetHandleInformation(output_, HANDLE_FLAG_INHERIT, 0);

        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = childInput;
        startup.hStdOutput = childOutput;
        startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
        std::u16string commandLine = u'"' + holderProgram() + u"\" \"" + path + u"\" "
                                     + std::u16string(access) + u' ' + std::u16string(sharing);
        PROCESS_INFORMATION process = {};
        if (::CreateProcessW(nullptr, reinterpret_cast<wchar_t *>(commandLine.data()), nullptr,
                             nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
            process_ = process.hProcess;
            ::CloseHandle(process.hThread);
        }
        ::CloseHandle(childInput);
        ::CloseHandle(childOutput);

        std::string answer;
        char c = 0;
        DWORD read = 0;
        while (process_ && ::ReadFile(output_, &c, 1, &read, nullptr) && read == 1 && c != '\n')
            answer += c;
        ready_ = answer.starts_with("ready");
    }
    ~FileHolder()
    {
        ::CloseHandle(input_);
        if (process_) {
            // It ends as soon as its input does.
            ::WaitForSingleObject(process_, INFINITE);
            ::CloseHandle(process_);
        }
        ::CloseHandle(output_);
    }
    FileHolder(const FileHolder &) = delete;
    FileHolder &operator=(const FileHolder &) = delete;

    [[nodiscard]] bool ready() const { return ready_; }

private:
    // Built beside the test programs.
    static std::u16string holderProgram()
    {
        wchar_t self[MAX_PATH + 1] = {};
        ::GetModuleFileNameW(nullptr, self, MAX_PATH + 1);
        const std::u16string path = reinterpret_cast<const char16_t *>(self);
        return path.substr(0, path.find_last_of(u'\\') + 1) + u"fileholder.exe";
    }

    HANDLE input_ = nullptr;
    HANDLE output_ = nullptr;
    HANDLE process_ = nullptr;
    bool ready_ = false;
};

// Registry values in the branch the settings store reads, written with the
// registry functions themselves.
[[nodiscard]] inline std::u16string settingsKey(std::u16string_view application,
                                                std::u16string_view section = {})
{
    std::u16string key = u"Software\\VB and VBA Program Settings\\" + std::u16string(application);
    if (!section.empty())
        key += u'\\' + std::u16string(section);
    return key;
}

inline bool setText(const std::u16string &key, const std::u16string &name,
                    std::u16string_view value, DWORD type = REG_SZ, bool withNull = true)
{
    const std::u16string data(value);
    const auto bytes = DWORD((data.size() + (withNull ? 1 : 0)) * sizeof(char16_t));
    return ::RegSetKeyValueW(HKEY_CURRENT_USER, wide(key), wide(name), type, data.c_str(), bytes)
           == ERROR_SUCCESS;
}

inline bool setNumber(const std::u16string &key, const std::u16string &name, DWORD value)
{
    return ::RegSetKeyValueW(HKEY_CURRENT_USER, wide(key), wide(name), REG_DWORD, &value,
                             sizeof value)
           == ERROR_SUCCESS;
}

[[nodiscard]] inline bool keyExists(const std::u16string &key)
{
    HKEY handle = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, wide(key), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(handle);
    return true;
}

[[nodiscard]] inline bool valueExists(const std::u16string &key, const std::u16string &name)
{
    return ::RegGetValueW(HKEY_CURRENT_USER, wide(key), wide(name), RRF_RT_ANY, nullptr, nullptr,
                          nullptr)
           == ERROR_SUCCESS;
}

inline void deleteKey(const std::u16string &key)
{
    ::RegDeleteTreeW(HKEY_CURRENT_USER, wide(key));
    ::RegDeleteKeyW(HKEY_CURRENT_USER, wide(key));
}

} // namespace support
