// msi-strings: puts the package's Japanese texts into an MSI that wixl built.
//
// wixl cannot write Japanese (it crashes on some strings and stores the others
// as UTF-8 under codepage 0, which installers read back as empty), so the .wxs
// holds ASCII placeholders such as @ProductName@. This program, run under Wine
// (or on a Japanese Windows), sets the database and summary codepage to 932
// and replaces every placeholder in every table and in the summary information
// with its text, through the Windows Installer API, which stores them in that
// codepage.
//
//     msi-strings.exe PACKAGE.msi TEXTS.txt
//
// TEXTS.txt is UTF-8: one "@Name@<TAB>text" a line; blank lines and lines
// starting with # are skipped. It fails when a placeholder of the file is used
// nowhere, or when a placeholder is left in the package afterwards.
#include <windows.h>
// The installer headers need windows.h before them.
#include <cstdio>
#include <msi.h>
#include <msiquery.h>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr UINT packageCodepage = 932;

struct Replacement
{
    std::wstring placeholder;
    std::wstring text;
    int uses = 0;
};

class MsiHandle final
{
public:
    MsiHandle() = default;
    ~MsiHandle()
    {
        if (m_handle)
            MsiCloseHandle(m_handle);
    }
    MsiHandle(const MsiHandle &) = delete;
    MsiHandle &operator=(const MsiHandle &) = delete;

    MSIHANDLE get() const { return m_handle; }
    MSIHANDLE *out() { return &m_handle; }

private:
    MSIHANDLE m_handle = 0;
};

std::string toUtf8(const std::wstring &text)
{
    if (text.empty())
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size,
                        nullptr, nullptr);
    return result;
}

void fail(const std::wstring &what, UINT code = ERROR_SUCCESS)
{
    if (code == ERROR_SUCCESS)
        std::fprintf(stderr, "msi-strings: %s\n", toUtf8(what).c_str());
    else
        std::fprintf(stderr, "msi-strings: %s (error %u)\n", toUtf8(what).c_str(), code);
}

std::optional<std::wstring> readUtf8File(const wchar_t *path)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    CloseHandle(file);

    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.erase(0, 3);
    if (bytes.empty())
        return std::wstring();
    const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                         static_cast<int>(bytes.size()), nullptr, 0);
    if (size == 0)
        return std::nullopt;
    std::wstring text(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                        text.data(), size);
    return text;
}

std::optional<std::string> inCodepage(const std::wstring &text, UINT codepage)
{
    if (text.empty())
        return std::string();
    BOOL lossy = FALSE;
    const int size
        = WideCharToMultiByte(codepage, WC_NO_BEST_FIT_CHARS, text.data(),
                              static_cast<int>(text.size()), nullptr, 0, nullptr, &lossy);
    if (size == 0 || lossy)
        return std::nullopt;
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(codepage, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                        bytes.data(), size, nullptr, nullptr);
    return bytes;
}

bool isPlaceholder(const std::wstring &text)
{
    if (text.size() < 3 || text.front() != L'@' || text.back() != L'@')
        return false;
    for (size_t i = 1; i + 1 < text.size(); ++i) {
        const wchar_t c = text[i];
        if (!((c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9')))
            return false;
    }
    return true;
}

// Finds "@Name@" in text: what a placeholder left behind looks like.
bool holdsPlaceholder(const std::wstring &text)
{
    for (size_t start = text.find(L'@'); start != std::wstring::npos;
         start = text.find(L'@', start + 1)) {
        const size_t end = text.find(L'@', start + 1);
        if (end == std::wstring::npos)
            return false;
        if (isPlaceholder(text.substr(start, end - start + 1)))
            return true;
    }
    return false;
}

std::optional<std::vector<Replacement>> parseTexts(const std::wstring &content)
{
    std::vector<Replacement> replacements;
    size_t lineStart = 0;
    int lineNumber = 0;
    while (lineStart < content.size()) {
        size_t lineEnd = content.find(L'\n', lineStart);
        if (lineEnd == std::wstring::npos)
            lineEnd = content.size();
        std::wstring line = content.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == L'\r')
            line.pop_back();
        if (line.empty() || line.front() == L'#')
            continue;

        const size_t tab = line.find(L'\t');
        const std::wstring placeholder = line.substr(0, tab);
        if (tab == std::wstring::npos || !isPlaceholder(placeholder) || tab + 1 == line.size()) {
            fail(L"line " + std::to_wstring(lineNumber) + L" is not \"@Name@<TAB>text\": " + line);
            return std::nullopt;
        }
        for (const Replacement &earlier : replacements) {
            if (earlier.placeholder == placeholder) {
                fail(L"line " + std::to_wstring(lineNumber) + L" repeats " + placeholder);
                return std::nullopt;
            }
        }
        const std::wstring text = line.substr(tab + 1);
        if (!inCodepage(text, packageCodepage)) {
            fail(L"line " + std::to_wstring(lineNumber) + L" has a character that codepage "
                 + std::to_wstring(packageCodepage) + L" cannot hold");
            return std::nullopt;
        }
        replacements.push_back({placeholder, text});
    }
    if (replacements.empty()) {
        fail(L"no texts given");
        return std::nullopt;
    }
    return replacements;
}

// Replaces every placeholder in text; true when something changed.
bool substitute(std::wstring &text, std::vector<Replacement> &replacements)
{
    bool changed = false;
    for (Replacement &replacement : replacements) {
        for (size_t at = text.find(replacement.placeholder); at != std::wstring::npos;
             at = text.find(replacement.placeholder, at + replacement.text.size())) {
            text.replace(at, replacement.placeholder.size(), replacement.text);
            ++replacement.uses;
            changed = true;
        }
    }
    return changed;
}

std::wstring recordString(MSIHANDLE record, UINT field)
{
    DWORD size = 0;
    wchar_t empty[1] = {L'\0'};
    if (MsiRecordGetStringW(record, field, empty, &size) != ERROR_MORE_DATA)
        return {};
    std::wstring text(size, L'\0');
    ++size;
    MsiRecordGetStringW(record, field, text.data(), &size);
    text.resize(size);
    return text;
}

bool forceCodepage(MSIHANDLE database, UINT codepage)
{
    wchar_t folder[MAX_PATH];
    wchar_t path[MAX_PATH];
    if (!GetTempPathW(MAX_PATH, folder) || !GetTempFileNameW(folder, L"cp", 0, path)) {
        fail(L"cannot make a temporary file", GetLastError());
        return false;
    }
    // The import format of the _ForceCodepage pseudo-table: two empty header
    // lines, then the codepage and the table's name.
    const std::string content = "\r\n\r\n" + std::to_string(codepage) + "\t_ForceCodepage\r\n";
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    DWORD written = 0;
    const bool wrote
        = file != INVALID_HANDLE_VALUE
          && WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr)
          && written == content.size();
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    UINT result = ERROR_WRITE_FAULT;
    if (wrote) {
        const std::wstring fullPath = path;
        const std::wstring fileName = fullPath.substr(fullPath.find_last_of(L'\\') + 1);
        result = MsiDatabaseImportW(database, folder, fileName.c_str());
    }
    DeleteFileW(path);
    if (result != ERROR_SUCCESS)
        fail(L"cannot set the database codepage to " + std::to_wstring(codepage), result);
    return result == ERROR_SUCCESS;
}

std::optional<std::vector<std::wstring>> tableNames(MSIHANDLE database)
{
    MsiHandle view;
    UINT result = MsiDatabaseOpenViewW(database, L"SELECT `Name` FROM `_Tables`", view.out());
    if (result == ERROR_SUCCESS)
        result = MsiViewExecute(view.get(), 0);
    if (result != ERROR_SUCCESS) {
        fail(L"cannot list the tables", result);
        return std::nullopt;
    }
    std::vector<std::wstring> names;
    for (;;) {
        MsiHandle record;
        if (MsiViewFetch(view.get(), record.out()) != ERROR_SUCCESS)
            break;
        names.push_back(recordString(record.get(), 1));
    }
    return names;
}

bool replaceInTable(MSIHANDLE database, const std::wstring &table,
                    std::vector<Replacement> &replacements)
{
    MsiHandle view;
    UINT result
        = MsiDatabaseOpenViewW(database, (L"SELECT * FROM `" + table + L"`").c_str(), view.out());
    if (result == ERROR_SUCCESS)
        result = MsiViewExecute(view.get(), 0);
    MsiHandle types;
    MsiHandle names;
    if (result == ERROR_SUCCESS)
        result = MsiViewGetColumnInfo(view.get(), MSICOLINFO_TYPES, types.out());
    if (result == ERROR_SUCCESS)
        result = MsiViewGetColumnInfo(view.get(), MSICOLINFO_NAMES, names.out());
    MsiHandle keys;
    if (result == ERROR_SUCCESS)
        result = MsiDatabaseGetPrimaryKeysW(database, table.c_str(), keys.out());
    if (result != ERROR_SUCCESS) {
        fail(L"cannot read the table " + table, result);
        return false;
    }

    const UINT columns = MsiRecordGetFieldCount(types.get());
    std::vector<bool> textColumn(columns + 1, false);
    std::vector<bool> keyColumn(columns + 1, false);
    const UINT keyCount = MsiRecordGetFieldCount(keys.get());
    for (UINT column = 1; column <= columns; ++column) {
        // Column types read like s72, L255, i2, v0: s/l are texts (l localisable).
        const std::wstring type = recordString(types.get(), column);
        textColumn[column]
            = !type.empty()
              && (type[0] == L's' || type[0] == L'S' || type[0] == L'l' || type[0] == L'L');
        const std::wstring name = recordString(names.get(), column);
        for (UINT key = 1; key <= keyCount; ++key)
            keyColumn[column] = keyColumn[column] || recordString(keys.get(), key) == name;
    }

    for (;;) {
        MsiHandle row;
        result = MsiViewFetch(view.get(), row.out());
        if (result == ERROR_NO_MORE_ITEMS)
            return true;
        if (result != ERROR_SUCCESS) {
            fail(L"cannot read a row of " + table, result);
            return false;
        }
        bool changed = false;
        for (UINT column = 1; column <= columns; ++column) {
            if (!textColumn[column])
                continue;
            std::wstring text = recordString(row.get(), column);
            if (!substitute(text, replacements))
                continue;
            if (keyColumn[column]) {
                // A key cannot be changed in place, and no key should need it.
                fail(L"a placeholder is part of a key in " + table);
                return false;
            }
            result = MsiRecordSetStringW(row.get(), column, text.c_str());
            if (result != ERROR_SUCCESS) {
                fail(L"cannot set a text in " + table, result);
                return false;
            }
            changed = true;
        }
        if (changed) {
            result = MsiViewModify(view.get(), MSIMODIFY_UPDATE, row.get());
            if (result != ERROR_SUCCESS) {
                fail(L"cannot update a row of " + table, result);
                return false;
            }
        }
    }
}

// Lists the tables and columns that still hold a placeholder.
std::vector<std::wstring> leftPlaceholders(MSIHANDLE database,
                                           const std::vector<std::wstring> &tables)
{
    std::vector<std::wstring> places;
    for (const std::wstring &table : tables) {
        MsiHandle view;
        if (MsiDatabaseOpenViewW(database, (L"SELECT * FROM `" + table + L"`").c_str(), view.out())
                != ERROR_SUCCESS
            || MsiViewExecute(view.get(), 0) != ERROR_SUCCESS) {
            places.push_back(table + L" (unreadable)");
            continue;
        }
        MsiHandle types;
        MsiViewGetColumnInfo(view.get(), MSICOLINFO_TYPES, types.out());
        const UINT columns = MsiRecordGetFieldCount(types.get());
        for (;;) {
            MsiHandle row;
            if (MsiViewFetch(view.get(), row.out()) != ERROR_SUCCESS)
                break;
            for (UINT column = 1; column <= columns; ++column) {
                const std::wstring type = recordString(types.get(), column);
                if (type.empty() || type[0] == L'v' || type[0] == L'V')
                    continue;
                const std::wstring text = recordString(row.get(), column);
                if (holdsPlaceholder(text))
                    places.push_back(table + L": " + text);
            }
        }
    }
    return places;
}

std::optional<std::wstring> summaryString(MSIHANDLE summary, UINT property)
{
    UINT type = 0;
    INT number = 0;
    FILETIME time{};
    DWORD size = 0;
    wchar_t empty[1] = {L'\0'};
    UINT result
        = MsiSummaryInfoGetPropertyW(summary, property, &type, &number, &time, empty, &size);
    if (type == VT_EMPTY)
        return std::wstring();
    if (type != VT_LPSTR || (result != ERROR_SUCCESS && result != ERROR_MORE_DATA))
        return std::nullopt;
    std::wstring text(size, L'\0');
    ++size;
    result
        = MsiSummaryInfoGetPropertyW(summary, property, &type, &number, &time, text.data(), &size);
    if (result != ERROR_SUCCESS)
        return std::nullopt;
    text.resize(size);
    return text;
}

std::wstring productLanguage(MSIHANDLE database)
{
    MsiHandle view;
    MsiHandle row;
    if (MsiDatabaseOpenViewW(database,
                             L"SELECT `Value` FROM `Property` WHERE `Property` = 'ProductLanguage'",
                             view.out())
            != ERROR_SUCCESS
        || MsiViewExecute(view.get(), 0) != ERROR_SUCCESS
        || MsiViewFetch(view.get(), row.out()) != ERROR_SUCCESS)
        return {};
    return recordString(row.get(), 1);
}

bool fixSummary(MSIHANDLE database, std::vector<Replacement> &replacements)
{
    MsiHandle summary;
    UINT result = MsiGetSummaryInformationW(database, nullptr, 20, summary.out());
    if (result != ERROR_SUCCESS) {
        fail(L"cannot open the summary information", result);
        return false;
    }
    // Its strings are stored in a codepage of their own.
    result = MsiSummaryInfoSetPropertyW(summary.get(), PID_CODEPAGE, VT_I2,
                                        static_cast<INT>(packageCodepage), nullptr, nullptr);
    if (result != ERROR_SUCCESS) {
        fail(L"cannot set the summary codepage", result);
        return false;
    }
    for (UINT property :
         {PIDSI_TITLE, PIDSI_SUBJECT, PIDSI_AUTHOR, PIDSI_KEYWORDS, PIDSI_COMMENTS}) {
        std::optional<std::wstring> text = summaryString(summary.get(), property);
        if (!text) {
            fail(L"cannot read summary property " + std::to_wstring(property));
            return false;
        }
        if (!substitute(*text, replacements))
            continue;
        // Wine's W entry point converts through the process's ANSI codepage,
        // which is not 932 under C.UTF-8; its A entry point stores the bytes
        // as given, so hand it the text already in the summary's codepage.
        // (On Windows this holds where the ANSI codepage is 932.)
        const std::optional<std::string> bytes = inCodepage(*text, packageCodepage);
        result = bytes ? MsiSummaryInfoSetPropertyA(summary.get(), property, VT_LPSTR, 0, nullptr,
                                                    bytes->c_str())
                       : ERROR_NO_UNICODE_TRANSLATION;
        if (result != ERROR_SUCCESS) {
            fail(L"cannot set summary property " + std::to_wstring(property), result);
            return false;
        }
    }

    // wixl writes "x64;1033" whatever the product's language: make the
    // package's language list the product's.
    const std::optional<std::wstring> platforms = summaryString(summary.get(), PIDSI_TEMPLATE);
    const std::wstring language = productLanguage(database);
    if (platforms && !language.empty()) {
        const std::wstring fixed = platforms->substr(0, platforms->find(L';')) + L';' + language;
        result = MsiSummaryInfoSetPropertyW(summary.get(), PIDSI_TEMPLATE, VT_LPSTR, 0, nullptr,
                                            fixed.c_str());
        if (result != ERROR_SUCCESS) {
            fail(L"cannot set the package's language", result);
            return false;
        }
    }

    for (UINT property :
         {PIDSI_TITLE, PIDSI_SUBJECT, PIDSI_AUTHOR, PIDSI_KEYWORDS, PIDSI_COMMENTS}) {
        const std::optional<std::wstring> text = summaryString(summary.get(), property);
        if (text && holdsPlaceholder(*text)) {
            fail(L"the summary information still holds a placeholder: " + *text);
            return false;
        }
    }
    result = MsiSummaryInfoPersist(summary.get());
    if (result != ERROR_SUCCESS)
        fail(L"cannot write the summary information", result);
    return result == ERROR_SUCCESS;
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: msi-strings PACKAGE.msi TEXTS.txt\n");
        return 2;
    }
    const std::optional<std::wstring> content = readUtf8File(argv[2]);
    if (!content) {
        fail(std::wstring(L"cannot read ") + argv[2] + L" as UTF-8");
        return 1;
    }
    std::optional<std::vector<Replacement>> replacements = parseTexts(*content);
    if (!replacements)
        return 1;

    MsiHandle database;
    UINT result = MsiOpenDatabaseW(argv[1], MSIDBOPEN_TRANSACT, database.out());
    if (result != ERROR_SUCCESS) {
        fail(std::wstring(L"cannot open ") + argv[1], result);
        return 1;
    }
    if (!forceCodepage(database.get(), packageCodepage))
        return 1;
    const std::optional<std::vector<std::wstring>> tables = tableNames(database.get());
    if (!tables)
        return 1;
    for (const std::wstring &table : *tables) {
        if (!replaceInTable(database.get(), table, *replacements))
            return 1;
    }
    if (!fixSummary(database.get(), *replacements))
        return 1;

    bool complete = true;
    for (const Replacement &replacement : *replacements) {
        if (replacement.uses == 0) {
            fail(replacement.placeholder + L" is used nowhere in the package");
            complete = false;
        }
    }
    for (const std::wstring &place : leftPlaceholders(database.get(), *tables)) {
        fail(L"a placeholder without a text is left in " + place);
        complete = false;
    }
    if (!complete)
        return 1;

    result = MsiDatabaseCommit(database.get());
    if (result != ERROR_SUCCESS) {
        fail(L"cannot write the package", result);
        return 1;
    }
    return 0;
}
