// Drives the running tool's window from outside, as a user would, and prints
// what the window shows, one fact a line, for window-test.sh. Runs under
// Wine beside the tool.
//
//   windowdriver window               the window's caption, client size, state,
//                                     focus
//   windowdriver controls             every child window: id, class, rectangle
//                                     in client coordinates, text
//   windowdriver labels               whether each label fits its text, and in
//                                     which face
//   windowdriver colour ID            the control's main colour on screen
//   windowdriver list ID              a list's entries and selection, and how
//                                     many entries it shows opened
//   windowdriver select ID TEXT       selects the entry, as a user would
//   windowdriver click ID             presses a button
//   windowdriver menu ID              chooses a menu item
//   windowdriver hover ID             rests the pointer on the control
//   windowdriver tooltip              the tooltip on show
//   windowdriver box                  the open message box: title, text, buttons,
//                                     its rectangle on the screen, the screen's
//                                     size, the text's rectangle and its widest
//                                     line in the box's font
//   windowdriver no-box               "no box" unless a message box opens
//   windowdriver focus ID             waits for the control to take the focus
//   windowdriver answer ID            presses a button of the message box
//   windowdriver wait-closed          waits until the window is gone
//   windowdriver cover                a window of another program in front of
//                                     the whole screen, with the keyboard,
//                                     until uncover; runs until then
//   windowdriver uncover              closes that window
//   windowdriver minimize             minimises the tool's window
//   windowdriver foreground KIND      which window is in front (box: the
//                                     tool's message box, window: the tool's
//                                     window, cover, other or none) and the id
//                                     of the control with the focus in it,
//                                     once KIND is in front
//   windowdriver closed HANDLE        waits until that window is gone
//   windowdriver return               presses Return through Windows' own
//                                     input queue, as the keyboard does: to
//                                     the control with the focus in the
//                                     foreground window
//   windowdriver icon FILE            the program file's icon, pixel by pixel
//   windowdriver version FILE         the program file's version strings
//   windowdriver setting KEY          a value of ORVETA's settings, or "absent"
//
// Everything waits for the window or the box, going on as soon as it comes,
// up to a deadline no load on the machine reaches (30 s); a command that
// cannot be carried out says why on standard error and exits with 1.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <map>
#include <string>
#include <vector>
#include <windows.h>

namespace {

constexpr wchar_t kWindowClass[] = L"OrvetaWorkdataDeleteMainWindow";
constexpr wchar_t kCoverClass[] = L"WindowDriverCover";
constexpr DWORD kPatience = 30'000; // milliseconds

[[noreturn]] void fail(const std::string &why)
{
    std::fprintf(stderr, "windowdriver: %s\n", why.c_str());
    std::exit(1);
}

std::string utf8(std::wstring_view text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string result(std::size_t(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), result.data(), size, nullptr,
                        nullptr);
    return result;
}

// Line breaks shown as \r and \n, so that a text stays on its line.
std::string quoted(std::wstring_view text)
{
    std::string result = "\"";
    for (const char c : utf8(text)) {
        if (c == '\r')
            result += "\\r";
        else if (c == '\n')
            result += "\\n";
        else
            result += c;
    }
    return result + '"';
}

void print(const std::string &line)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
}

// Asked of the window itself: GetWindowText only reads another program's
// captions, and a list shows its selected entry.
std::wstring windowText(HWND window)
{
    wchar_t text[1024] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, kPatience, &length);
    return text;
}

std::wstring className(HWND window)
{
    wchar_t name[256] = {};
    GetClassNameW(window, name, int(std::size(name)));
    return name;
}

template<typename Found>
auto waitFor(Found found, const char *what)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (const auto result = found())
            return result;
        if (GetTickCount() - start > kPatience)
            fail(std::string("no ") + what + " after " + std::to_string(kPatience / 1000) + " s");
        Sleep(20);
    }
}

HWND mainWindow()
{
    return waitFor(
        [] {
            const HWND window = FindWindowW(kWindowClass, nullptr);
            return window && IsWindowVisible(window) ? window : HWND{};
        },
        "tool window");
}

HWND childById(HWND window, int id)
{
    const HWND child = GetDlgItem(window, id);
    if (!child)
        fail("the window has no control " + std::to_string(id));
    return child;
}

// The visible top-level windows of that class (and owner, if one is given).
std::vector<HWND> topLevelWindows(const wchar_t *windowClass, HWND owner = nullptr)
{
    std::vector<HWND> all;
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            reinterpret_cast<std::vector<HWND> *>(data)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&all));
    std::vector<HWND> found;
    for (const HWND window : all)
        if (className(window) == windowClass && IsWindowVisible(window)
            && (!owner || GetWindow(window, GW_OWNER) == owner))
            found.push_back(window);
    return found;
}

// A message box is a dialog owned by the window.
HWND messageBox(HWND owner)
{
    return waitFor(
        [owner] {
            const std::vector<HWND> boxes = topLevelWindows(L"#32770", owner);
            return boxes.empty() ? HWND{} : boxes.front();
        },
        "message box");
}

RECT clientRect(HWND window, HWND parent)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT *>(&rect), 2);
    return rect;
}

std::wstring listEntry(HWND list, int index)
{
    const LRESULT length = SendMessageW(list, CB_GETLBTEXTLEN, WPARAM(index), 0);
    if (length == CB_ERR)
        return {};
    std::wstring text(std::size_t(length) + 1, L'\0');
    text.resize(std::size_t(
        SendMessageW(list, CB_GETLBTEXT, WPARAM(index), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

int focusedId(HWND window)
{
    // The focus belongs to the tool's thread; attaching to its input state
    // lets GetFocus see it.
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    AttachThreadInput(GetCurrentThreadId(), thread, TRUE);
    const HWND focus = GetFocus();
    AttachThreadInput(GetCurrentThreadId(), thread, FALSE);
    return focus ? GetDlgCtrlID(focus) : 0;
}

// Wine gives every window the system's DPI.
int screenDpi()
{
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

void describeWindow()
{
    const HWND window = mainWindow();
    print("windows " + std::to_string(topLevelWindows(kWindowClass).size()));
    print("dpi " + std::to_string(screenDpi()));
    RECT client = {};
    GetClientRect(window, &client);
    print("caption " + quoted(windowText(window)));
    print("client " + std::to_string(client.right) + " " + std::to_string(client.bottom));
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    print(std::string("resizable ") + (style & WS_THICKFRAME ? "yes" : "no") + " maximizable "
          + (style & WS_MAXIMIZEBOX ? "yes" : "no"));
    print(std::string("minimized ") + (IsIconic(window) ? "yes" : "no"));
    print("focus " + std::to_string(focusedId(window)));
}

// Keys reach the window a moment after they are sent.
void waitForFocus(int id)
{
    const HWND window = mainWindow();
    const DWORD start = GetTickCount();
    while (focusedId(window) != id && GetTickCount() - start < kPatience)
        Sleep(20);
    print("focus " + std::to_string(focusedId(window)));
}

// In Z-order, which is the order the dialog manager moves the focus in.
void describeControls()
{
    const HWND window = mainWindow();
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const RECT rect = clientRect(child, window);
        const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
        print("control " + std::to_string(GetDlgCtrlID(child)) + " " + utf8(className(child)) + " "
              + std::to_string(rect.left) + " " + std::to_string(rect.top) + " "
              + std::to_string(rect.right - rect.left) + " "
              + std::to_string(rect.bottom - rect.top) + (style & WS_TABSTOP ? " tabstop" : "")
              + " " + quoted(windowText(child)));
    }
}

// Whether each label is exactly as wide as its text and one line high, in
// the window's regular face (ＭＳ Ｐゴシック 9 points) or its bold one (9.75
// points), measured here.
void describeLabels()
{
    const HWND window = mainWindow();
    const int dpi = screenDpi();
    const HDC dc = GetDC(nullptr);
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
        if (className(child) != L"Static" || (style & SS_TYPEMASK) == SS_ETCHEDHORZ)
            continue;
        const std::wstring text = windowText(child);
        const RECT rect = clientRect(child, window);
        std::string fits = "neither";
        for (const bool bold : {false, true}) {
            LOGFONTW font = {};
            font.lfHeight = -MulDiv(bold ? 975 : 900, dpi, 7200);
            font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
            font.lfCharSet = SHIFTJIS_CHARSET;
            wcscpy(font.lfFaceName, L"ＭＳ Ｐゴシック");
            const HFONT handle = CreateFontIndirectW(&font);
            const HGDIOBJ previous = SelectObject(dc, handle);
            SIZE extent = {};
            GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &extent);
            TEXTMETRICW metrics = {};
            GetTextMetricsW(dc, &metrics);
            SelectObject(dc, previous);
            DeleteObject(handle);
            if (rect.right - rect.left == (text.empty() ? 0 : extent.cx)
                && rect.bottom - rect.top == metrics.tmHeight)
                fits = bold ? "bold" : "regular";
        }
        print("label " + std::to_string(GetDlgCtrlID(child)) + " fits " + fits + " "
              + std::to_string(rect.right - rect.left) + "x"
              + std::to_string(rect.bottom - rect.top));
    }
    ReleaseDC(nullptr, dc);
}

// The colour that covers most of the control on screen, the window's
// background apart: a label's text colour.
void describeColour(int id)
{
    const HWND control = childById(mainWindow(), id);
    RECT rect = {};
    GetWindowRect(control, &rect);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateDIBSection(memory, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    std::map<DWORD, int> counts;
    const DWORD background = GetSysColor(COLOR_BTNFACE);
    const DWORD backgroundRgb
        = (GetRValue(background) << 16) | (GetGValue(background) << 8) | GetBValue(background);
    for (int i = 0; i < width * height; ++i)
        if (const DWORD rgb = static_cast<const DWORD *>(bits)[i] & 0xFFFFFF; rgb != backgroundRgb)
            ++counts[rgb];
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    DWORD most = 0;
    int mostCount = 0;
    for (const auto &[rgb, count] : counts)
        if (count > mostCount)
            most = rgb, mostCount = count;
    char text[32];
    std::snprintf(text, sizeof text, "colour %d %06lX", id, static_cast<unsigned long>(most));
    print(text);
}

void describeList(int id)
{
    const HWND list = childById(mainWindow(), id);
    const auto count = int(SendMessageW(list, CB_GETCOUNT, 0, 0));
    print("count " + std::to_string(count));
    for (int i = 0; i < count; ++i)
        print("entry " + quoted(listEntry(list, i)));
    const auto selected = int(SendMessageW(list, CB_GETCURSEL, 0, 0));
    print("selected " + quoted(selected >= 0 ? listEntry(list, selected) : L""));

    // Opened and closed again as the user would leave it, without choosing.
    // The opened list is a window of its own at the top, of class ComboLBox.
    SendMessageW(list, CB_SHOWDROPDOWN, TRUE, 0);
    HWND shown = nullptr;
    EnumThreadWindows(
        GetWindowThreadProcessId(list, nullptr),
        [](HWND window, LPARAM found) -> BOOL {
            wchar_t name[32] = {};
            GetClassNameW(window, name, 32);
            if (std::wstring_view(name) != L"ComboLBox" || !IsWindowVisible(window))
                return TRUE;
            *reinterpret_cast<HWND *>(found) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&shown));
    RECT opened = {};
    if (shown)
        GetClientRect(shown, &opened);
    SendMessageW(list, CB_SHOWDROPDOWN, FALSE, 0);
    const auto entryHeight = int(SendMessageW(list, CB_GETITEMHEIGHT, 0, 0));
    print("opened " + std::to_string(entryHeight > 0 ? opened.bottom / entryHeight : 0)
          + (entryHeight > 0 && opened.bottom % entryHeight == 0 ? " entries" : " entries and a part"));
}

void select(int id, const std::wstring &text)
{
    const HWND window = mainWindow();
    const HWND list = childById(window, id);
    const auto count = int(SendMessageW(list, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        if (listEntry(list, i) == text) {
            SendMessageW(list, CB_SETCURSEL, WPARAM(i), 0);
            PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(list));
            return;
        }
    }
    fail("list " + std::to_string(id) + " has no entry " + quoted(text));
}

std::string rectangle(const RECT &rect)
{
    return std::to_string(rect.left) + " " + std::to_string(rect.top) + " "
           + std::to_string(rect.right - rect.left) + " " + std::to_string(rect.bottom - rect.top);
}

// The widest of the text's lines in the font Windows gives message boxes at
// the system's DPI, which Wine gives every window.
int widestLine(std::wstring_view text)
{
    using ParametersForDpi = BOOL(WINAPI *)(UINT, UINT, PVOID, UINT, UINT);
    const auto parametersForDpi = reinterpret_cast<ParametersForDpi>(reinterpret_cast<void *>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "SystemParametersInfoForDpi")));
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (!parametersForDpi
        || !parametersForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0,
                             UINT(screenDpi())))
        fail("no message box font");
    const HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
    const HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ previous = SelectObject(dc, font);
    int widest = 0;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find(L'\r', start), text.size());
        SIZE extent = {};
        GetTextExtentPoint32W(dc, text.data() + start, int(end - start), &extent);
        widest = std::max(widest, int(extent.cx));
        start = end + 1;
    }
    SelectObject(dc, previous);
    DeleteDC(dc);
    DeleteObject(font);
    return widest;
}

void describeBox()
{
    const HWND box = messageBox(mainWindow());
    const HWND textControl = GetDlgItem(box, 0xFFFF);
    const std::wstring text = windowText(textControl);
    print("title " + quoted(windowText(box)));
    print("text " + quoted(text));
    std::string buttons = "buttons";
    for (const int id : {IDOK, IDCANCEL})
        if (const HWND button = GetDlgItem(box, id); button && IsWindowVisible(button))
            buttons += " " + std::to_string(id) + " " + quoted(windowText(button));
    print(buttons);
    RECT rect = {};
    GetWindowRect(box, &rect);
    print("rect " + rectangle(rect));
    print("screen " + std::to_string(GetSystemMetrics(SM_CXSCREEN)) + " "
          + std::to_string(GetSystemMetrics(SM_CYSCREEN)));
    GetWindowRect(textControl, &rect);
    print("textrect " + rectangle(rect));
    print("widest " + std::to_string(widestLine(text)));
}

HWND visibleToolTip()
{
    const std::vector<HWND> tips = topLevelWindows(L"tooltips_class32");
    return tips.empty() ? HWND{} : tips.front();
}

// Rests the pointer on the middle of the control, once the pointer has been
// away long enough for any tooltip to go.
void hover(int id)
{
    RECT rect = {};
    GetWindowRect(childById(mainWindow(), id), &rect);
    SetCursorPos(0, 0);
    waitFor([] { return !visibleToolTip(); }, "tooltip to go");
    SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

void describeToolTip()
{
    print("tooltip " + quoted(windowText(waitFor(visibleToolTip, "tooltip"))));
}

// Waits a moment, for a box that a key might open.
void expectNoBox()
{
    Sleep(300);
    print(topLevelWindows(L"#32770", mainWindow()).empty() ? "no box" : "a box");
}

void answer(int id)
{
    const HWND box = messageBox(mainWindow());
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
    waitFor([box] { return !IsWindow(box); }, "closing of the message box");
}

void cover()
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc
        = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WM_DESTROY)
            PostQuitMessage(0);
        return DefWindowProcW(window, message, wParam, lParam);
    };
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    windowClass.lpszClassName = kCoverClass;
    RegisterClassW(&windowClass);
    const HWND window
        = CreateWindowExW(0, kCoverClass, L"cover", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                          GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr,
                          nullptr, windowClass.hInstance, nullptr);
    if (!window)
        fail("cannot make the cover");
    SetForegroundWindow(window);
    MSG message = {};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

std::string handleText(HWND window)
{
    char text[32];
    std::snprintf(text, sizeof text, "%llx",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(window)));
    return text;
}

// Waits for the expected window (box, window or cover) to come to the front,
// a box with the focus on one of its controls.
void describeForeground(const std::wstring &expected)
{
    const HWND window = mainWindow();
    const auto kind = [window](HWND front) -> std::wstring {
        if (!front)
            return L"none";
        if (front == window)
            return L"window";
        if (GetWindow(front, GW_OWNER) == window && className(front) == L"#32770")
            return L"box";
        if (className(front) == kCoverClass)
            return L"cover";
        return L"other";
    };
    const auto arrived = [&](HWND front) {
        return kind(front) == expected && (expected != L"box" || focusedId(front) != 0);
    };
    const DWORD start = GetTickCount();
    HWND front = GetForegroundWindow();
    while (!arrived(front) && GetTickCount() - start < kPatience) {
        Sleep(20);
        front = GetForegroundWindow();
    }
    std::string line = "foreground " + utf8(kind(front));
    if (kind(front) == L"box")
        line += " " + handleText(front);
    else if (kind(front) == L"other")
        line += " " + quoted(className(front));
    print(line);
    print("focus " + std::to_string(front ? focusedId(front) : 0));
}

void pressReturn()
{
    INPUT keys[2] = {};
    for (INPUT &key : keys) {
        key.type = INPUT_KEYBOARD;
        key.ki.wVk = VK_RETURN;
    }
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    if (SendInput(2, keys, sizeof(INPUT)) != 2)
        fail("cannot press Return");
}

void waitClosed(const std::wstring &handle)
{
    const auto window = reinterpret_cast<HWND>(std::uintptr_t(std::stoull(handle, nullptr, 16)));
    waitFor([window] { return !IsWindow(window); }, "closing of the window");
    print("closed");
}

// Row by row, each pixel as RRGGBB or "------" where it is transparent.
void describeIcon(const std::wstring &file)
{
    const HMODULE module = LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        fail("cannot load " + utf8(file));
    const auto icon = static_cast<HICON>(
        LoadImageW(module, MAKEINTRESOURCEW(1), IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR));
    if (!icon)
        fail("no icon 1 in " + utf8(file));
    ICONINFO info = {};
    GetIconInfo(icon, &info);
    BITMAP bitmap = {};
    GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
    const int width = bitmap.bmWidth, height = bitmap.bmHeight;
    print("size " + std::to_string(width) + " " + std::to_string(height));

    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height; // top row first
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    std::vector<DWORD> colours(std::size_t(width * height)), mask(colours.size());
    const HDC screen = GetDC(nullptr);
    GetDIBits(screen, info.hbmColor, 0, UINT(height), colours.data(), &format, DIB_RGB_COLORS);
    GetDIBits(screen, info.hbmMask, 0, UINT(height), mask.data(), &format, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    for (int y = 0; y < height; ++y) {
        std::string row = "row";
        for (int x = 0; x < width; ++x) {
            const std::size_t at = std::size_t(y * width + x);
            char pixel[8];
            if (mask[at] & 0xFFFFFF)
                std::snprintf(pixel, sizeof pixel, " ------");
            else
                std::snprintf(pixel, sizeof pixel, " %06lX", colours[at] & 0xFFFFFFUL);
            row += pixel;
        }
        print(row);
    }
}

void describeVersion(const std::wstring &file)
{
    DWORD handle = 0;
    std::vector<char> data(GetFileVersionInfoSizeW(file.c_str(), &handle));
    if (data.empty() || !GetFileVersionInfoW(file.c_str(), 0, DWORD(data.size()), data.data()))
        fail("no version information in " + utf8(file));
    VS_FIXEDFILEINFO *fixed = nullptr;
    UINT size = 0;
    VerQueryValueW(data.data(), L"\\", reinterpret_cast<void **>(&fixed), &size);
    print("fileversion " + std::to_string(HIWORD(fixed->dwFileVersionMS)) + "."
          + std::to_string(LOWORD(fixed->dwFileVersionMS)) + "."
          + std::to_string(HIWORD(fixed->dwFileVersionLS)) + "."
          + std::to_string(LOWORD(fixed->dwFileVersionLS)));
    WORD *translation = nullptr;
    VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
                   reinterpret_cast<void **>(&translation), &size);
    char language[16];
    std::snprintf(language, sizeof language, "%04X%04X", translation[0], translation[1]);
    print(std::string("translation ") + language);
    for (const wchar_t *name : {L"CompanyName", L"FileDescription", L"FileVersion",
                                L"OriginalFilename", L"ProductName", L"ProductVersion"}) {
        wchar_t path[64];
        std::swprintf(path, std::size(path), L"\\StringFileInfo\\%hs\\%ls", language, name);
        wchar_t *value = nullptr;
        if (VerQueryValueW(data.data(), path, reinterpret_cast<void **>(&value), &size))
            print(utf8(name) + " " + quoted(value));
    }
}

void describeSetting(const std::wstring &key)
{
    wchar_t value[1024] = {};
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\VB and VBA Program Settings\\KORVEL\\Orveta",
                     key.c_str(), RRF_RT_REG_SZ, nullptr, value, &size)
        == ERROR_SUCCESS)
        print("value " + quoted(value));
    else
        print("absent");
}

} // namespace

int wmain(int argc, wchar_t *argv[])
{
    _setmode(_fileno(stdout), _O_BINARY);
    // Rectangles and fonts in the tool's own pixels, whatever the DPI.
    using SetContext = BOOL(WINAPI *)(HANDLE);
    if (const auto set = reinterpret_cast<SetContext>(reinterpret_cast<void *>(
            GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext"))))
        set(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4)));
    const std::wstring command = argc > 1 ? argv[1] : L"";
    const std::wstring argument = argc > 2 ? argv[2] : L"";
    if (command == L"window")
        describeWindow();
    else if (command == L"controls")
        describeControls();
    else if (command == L"labels")
        describeLabels();
    else if (command == L"colour" && argc == 3)
        describeColour(std::stoi(argument));
    else if (command == L"list" && argc == 3)
        describeList(std::stoi(argument));
    else if (command == L"select" && argc == 4)
        select(std::stoi(argument), argv[3]);
    else if (command == L"click" && argc == 3)
        PostMessageW(childById(mainWindow(), std::stoi(argument)), BM_CLICK, 0, 0);
    else if (command == L"menu" && argc == 3)
        PostMessageW(mainWindow(), WM_COMMAND, MAKEWPARAM(std::stoi(argument), 0), 0);
    else if (command == L"box")
        describeBox();
    else if (command == L"hover" && argc == 3)
        hover(std::stoi(argument));
    else if (command == L"tooltip")
        describeToolTip();
    else if (command == L"no-box")
        expectNoBox();
    else if (command == L"focus" && argc == 3)
        waitForFocus(std::stoi(argument));
    else if (command == L"answer" && argc == 3)
        answer(std::stoi(argument));
    else if (command == L"wait-closed")
        waitFor([] { return !FindWindowW(kWindowClass, nullptr); }, "end of the tool");
    else if (command == L"cover")
        cover();
    else if (command == L"uncover") {
        if (const HWND window = FindWindowW(kCoverClass, nullptr))
            PostMessageW(window, WM_CLOSE, 0, 0);
    } else if (command == L"minimize")
        ShowWindow(mainWindow(), SW_MINIMIZE);
    else if (command == L"foreground" && argc == 3)
        describeForeground(argument);
    else if (command == L"return")
        pressReturn();
    else if (command == L"closed" && argc == 3)
        waitClosed(argument);
    else if (command == L"icon" && argc == 3)
        describeIcon(argument);
    else if (command == L"version" && argc == 3)
        describeVersion(argument);
    else if (command == L"setting" && argc == 3)
        describeSetting(argument);
    else
        fail("unknown command; see the top of windowdriver.cpp");
    std::fflush(stdout);
    return 0;
}
