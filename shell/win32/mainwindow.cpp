#include "shell/win32/mainwindow.h"

#include "shell/win32/controlclass.h"
#include "shell/win32/dpi.h"
#include "shell/win32/filemanager.h"
#include "shell/win32/messagebox.h"
#include "shell/win32/resourceids.h"

#include <algorithm>
#include <windows.h>
// Windows' own headers after windows.h, which they build on.
#include <commctrl.h>

namespace shell {
namespace {

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kWindowExStyle = 0;
constexpr int kTwipsPerInch = 1440;
constexpr int kVisibleListEntries = 12; // of an opened month list

std::wstring wide(std::u16string_view text)
{
    return {text.begin(), text.end()};
}

std::u16string fromWide(std::wstring_view text)
{
    return {text.begin(), text.end()};
}

std::wstring windowText(HWND window)
{
    std::wstring text(std::size_t(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(std::size_t(GetWindowTextW(window, text.data(), int(text.size()))));
    return text;
}

// One line of the text in that font: as wide as the text and as high as a
// line of the font.
SIZE lineExtent(HFONT font, std::wstring_view text)
{
    const HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ previousFont = SelectObject(dc, font);
    SIZE extent = {};
    GetTextExtentPoint32W(dc, text.data(), int(text.size()), &extent);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, previousFont);
    DeleteDC(dc);
    return {text.empty() ? 0 : extent.cx, metrics.tmHeight};
}

// The order the controls are made in: those of the tab order, then the
// labels, then the frames.
constexpr auto creationOrder()
{
    std::array<Control, kControls.size()> order{};
    std::size_t next = 0;
    for (const Control focusable : tabOrder())
        order[next++] = focusable;
    for (const ControlKind kind : {ControlKind::Label, ControlKind::Frame})
        for (const ControlDefinition &definition : kControls)
            if (definition.kind == kind)
                order[next++] = definition.control;
    return order;
}

COLORREF textColour(TextColour colour)
{
    switch (colour) {
    case TextColour::Blue:
        return RGB(kBlue.red, kBlue.green, kBlue.blue);
    case TextColour::Red:
        return RGB(kRed.red, kRed.green, kRed.blue);
    case TextColour::Default:
        break;
    }
    return GetSysColor(COLOR_WINDOWTEXT);
}

HFONT createGothicFont(double points, bool bold, UINT dpi)
{
    LOGFONTW font = {};
    font.lfHeight = -MulDiv(int(points * 100), int(dpi), 7200);
    font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    font.lfCharSet = SHIFTJIS_CHARSET;
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = VARIABLE_PITCH | FF_MODERN;
    const std::wstring face = wide(kFaceName);
    face.copy(font.lfFaceName, LF_FACESIZE - 1);
    return CreateFontIndirectW(&font);
}

platform::Result<> registerWindowClass(HINSTANCE instance, WNDPROC procedure)
{
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_MAINWINDOW),
                                                      IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                                      GetSystemMetrics(SM_CYICON), LR_SHARED));
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_MAINWINDOW),
                                                        IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = kMainWindowClass;
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return platform::failure(platform::lastSystemError());
    return {};
}

HMENU createMenuBar()
{
    const HMENU bar = CreateMenu();
    const HMENU popup = CreatePopupMenu();
    for (const MenuItemDefinition &item : kMenuItems) {
        if (item.isSeparator())
            AppendMenuW(popup, MF_SEPARATOR, UINT_PTR(item.id), nullptr);
        else
            AppendMenuW(popup, MF_STRING, UINT_PTR(item.id), wide(item.caption).c_str());
    }
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), wide(texts::kFileMenu).c_str());
    return bar;
}

} // namespace

platform::Result<std::unique_ptr<MainWindow>>
MainWindow::create(HINSTANCE instance, const platform::CalendarDate &today)
{
    std::unique_ptr<MainWindow> window(new MainWindow(instance));
    if (const platform::Result<> built = window->build(today); !built)
        return platform::failure(built.error());
    return window;
}

MainWindow::MainWindow(HINSTANCE instance)
    : instance_(instance)
{
}

platform::Result<> MainWindow::build(const platform::CalendarDate &today)
{
    if (const platform::Result<> registered
        = registerWindowClass(instance_, &MainWindow::windowProcedure);
        !registered)
        return registered;
    // Made at its size for the system's DPI, which is its monitor's unless
    // it opens on another one; then it is laid out again below.
    dpi_ = dpiForWindow(nullptr);
    RECT frame{0, 0, scaled(kClientWidth), scaled(kClientHeight)};
    adjustWindowRectForDpi(frame, kWindowStyle, true, kWindowExStyle, dpi_);
    const HMENU menu = createMenuBar();
    const HWND window = CreateWindowExW(
        kWindowExStyle, kMainWindowClass, wide(texts::kWindowCaption).c_str(), kWindowStyle,
        CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, nullptr,
        menu, instance_, this);
    if (!window) {
        const platform::SystemError error = platform::lastSystemError();
        DestroyMenu(menu);
        return platform::failure(error);
    }

    dpi_ = dpiForWindow(window_);
    createFonts();
    if (const platform::Result<> created = createControls(); !created)
        return created;
    fitWindowToClient(nullptr);
    lastFocus_ = control(tabOrder().front());

    commands_.load(today);
    return {};
}

MainWindow::~MainWindow()
{
    if (window_)
        DestroyWindow(window_);
    DeleteObject(regularFont_);
    DeleteObject(boldFont_);
}

void MainWindow::show(int showCommand)
{
    ShowWindow(window_, showCommand);
    UpdateWindow(window_);
    // Only needed once the pointer can rest on a button: made once the
    // window is on the screen, so that it comes up without waiting for them.
    if (!toolTips_)
        createToolTips();
}

bool MainWindow::handleDialogMessage(MSG &message)
{
    return window_ && IsDialogMessageW(window_, &message);
}

LRESULT CALLBACK MainWindow::windowProcedure(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto *self
            = static_cast<MainWindow *>(reinterpret_cast<CREATESTRUCTW *>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto *self = reinterpret_cast<MainWindow *>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->handleMessage(message, wParam, lParam);
}

LRESULT MainWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        onCommand(wParam, lParam);
        return 0;
    case WM_CTLCOLORSTATIC:
        return onControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_ACTIVATE:
        onActivate(wParam);
        return 0;
    case WM_SETFOCUS:
        if (lastFocus_)
            SetFocus(lastFocus_);
        return 0;
    case WM_NEXTDLGCTL: {
        // What the dialog manager asks of a window when the arrow keys move
        // the focus: lParam set, wParam is the control to take it; otherwise
        // wParam tells next from previous.
        const HWND next = LOWORD(lParam) ? reinterpret_cast<HWND>(wParam)
                                         : GetNextDlgTabItem(window_, GetFocus(), wParam != 0);
        if (next)
            SetFocus(next);
        return 0;
    }
    case DM_GETDEFID: {
        // No button is the window's default: Enter presses the button that
        // has the focus, and nothing otherwise.
        const HWND focus = GetFocus();
        for (const ControlDefinition &definition : kControls)
            if (definition.kind == ControlKind::CommandButton
                && control(definition.control) == focus)
                return MAKELRESULT(definition.id, DC_HASDEFID);
        return 0;
    }
    case WM_DPICHANGED:
        onDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT *>(lParam));
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window_, message, wParam, lParam);
    }
}

void MainWindow::onCommand(WPARAM wParam, LPARAM lParam)
{
    const int id = LOWORD(wParam);
    if (lParam == 0 && HIWORD(wParam) == 0) {
        for (const MenuItemDefinition &item : kMenuItems)
            if (item.id == id)
                commands_.run(item.command);
        return;
    }
    if (HIWORD(wParam) != BN_CLICKED)
        return;
    for (const ControlDefinition &definition : kControls)
        if (definition.id == id && definition.kind == ControlKind::CommandButton)
            commands_.run(definition.command);
}

// Labels and frames ask for their colours here; only labels have their own.
LRESULT MainWindow::onControlColour(HDC dc, HWND control) const
{
    TextColour colour = TextColour::Default;
    const auto found = std::find(controls_.begin(), controls_.end(), control);
    if (found != controls_.end()) {
        const ControlDefinition &definition = kControls[std::size_t(found - controls_.begin())];
        if (definition.kind == ControlKind::Label)
            colour = definition.colour;
    }
    SetTextColor(dc, textColour(colour));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

void MainWindow::onActivate(WPARAM wParam)
{
    if (LOWORD(wParam) == WA_INACTIVE) {
        // Kept for when the window comes back, as a dialog does.
        const HWND focus = GetFocus();
        if (focus && IsChild(window_, focus))
            lastFocus_ = focus;
        return;
    }
    if (!HIWORD(wParam) && lastFocus_)
        SetFocus(lastFocus_);
    commands_.activate();
}

void MainWindow::onDpiChanged(UINT dpi, const RECT &suggested)
{
    dpi_ = dpi;
    listFrameHeight_.reset(); // the box's edges may scale
    const HFONT oldRegular = regularFont_;
    const HFONT oldBold = boldFont_;
    createFonts();
    layOut();
    const POINT topLeft{suggested.left, suggested.top};
    fitWindowToClient(&topLeft);
    DeleteObject(oldRegular);
    DeleteObject(oldBold);
}

// The dialog manager moves the focus through the controls in Z-order, and
// the arrow keys within a group; a control made later lies below those made
// before it. So the controls of the tab order are made first, as one group,
// then the labels, then the frames, underneath what they hold.
platform::Result<> MainWindow::createControls()
{
    constexpr auto order = creationOrder();
    for (std::size_t i = 0; i < order.size(); ++i) {
        const ControlDefinition &definition = definitionOf(order[i]);
        DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
        if (takesFocus(definition.kind))
            style |= WS_TABSTOP;
        if (i == 0 || (!takesFocus(definition.kind) && takesFocus(definitionOf(order[i - 1]).kind)))
            style |= WS_GROUP;
        const ControlClass controlClass = controlClassOf(definition);
        style |= controlClass.style;
        // Made where it stays, at its size and in its font, so that nothing
        // has to be moved before the window is shown.
        const std::wstring caption = wide(definition.caption);
        const RECT rect = placement(definition, caption);
        const HWND made = CreateWindowExW(
            0, controlClass.name, caption.c_str(), style, rect.left, rect.top, rect.right - rect.left,
            rect.bottom - rect.top, window_, reinterpret_cast<HMENU>(INT_PTR(definition.id)),
            instance_, nullptr);
        if (!made)
            return platform::failure(platform::lastSystemError());
        controls_[std::size_t(definition.control)] = made;
        // An etched line, as it is made, takes the size given for its
        // inside and adds its edge: it is sized again once it exists.
        if (isEtchedLine(definition))
            SetWindowPos(made, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(made, WM_SETFONT, reinterpret_cast<WPARAM>(fontFor(definition)), FALSE);
        if (definition.kind == ControlKind::DropDownList) {
            SendMessageW(made, CB_SETMINVISIBLE, kVisibleListEntries, 0);
            fitListHeight(definition.control);
        }
    }
    return {};
}

void MainWindow::createToolTips()
{
    toolTips_
        = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                          WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, instance_, nullptr);
    SendMessageW(toolTips_, WM_SETFONT, reinterpret_cast<WPARAM>(regularFont_), FALSE);
    for (std::size_t i = 0; i < kControls.size(); ++i) {
        if (kControls[i].toolTip.empty())
            continue;
        std::wstring text = wide(kControls[i].toolTip);
        TTTOOLINFOW tool = {};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = window_;
        tool.uId = reinterpret_cast<UINT_PTR>(controls_[i]);
        tool.lpszText = text.data(); // copied by the tooltip control
        SendMessageW(toolTips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void MainWindow::createFonts()
{
    regularFont_ = createGothicFont(kRegularPoints, false, dpi_);
    boldFont_ = createGothicFont(kBoldPoints, true, dpi_);
}

// Everything placed again, for another DPI.
void MainWindow::layOut()
{
    for (const ControlDefinition &definition : kControls) {
        const HWND window = control(definition.control);
        SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(fontFor(definition)), FALSE);
        const RECT rect = placement(definition, windowText(window));
        SetWindowPos(window, nullptr, rect.left, rect.top, rect.right - rect.left,
                     rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
        if (definition.kind == ControlKind::DropDownList)
            fitListHeight(definition.control);
    }
    if (toolTips_)
        SendMessageW(toolTips_, WM_SETFONT, reinterpret_cast<WPARAM>(regularFont_), FALSE);
    InvalidateRect(window_, nullptr, TRUE);
}

void MainWindow::fitWindowToClient(const POINT *topLeft)
{
    const int width = scaled(kClientWidth);
    const int height = scaled(kClientHeight);
    RECT frame{0, 0, width, height};
    adjustWindowRectForDpi(frame, kWindowStyle, true, kWindowExStyle, dpi_);
    RECT window = {};
    GetWindowRect(window_, &window);
    if (topLeft || window.right - window.left != frame.right - frame.left
        || window.bottom - window.top != frame.bottom - frame.top) {
        UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
        if (!topLeft)
            flags |= SWP_NOMOVE;
        const POINT origin = topLeft ? *topLeft : POINT{0, 0};
        SetWindowPos(window_, nullptr, origin.x, origin.y, frame.right - frame.left,
                     frame.bottom - frame.top, flags);
    }

    // A menu bar that wraps takes more room than the frame calculation
    // allows for; the window grows by what is missing.
    RECT client = {};
    GetClientRect(window_, &client);
    const int missingWidth = width - client.right;
    const int missingHeight = height - client.bottom;
    if (missingWidth != 0 || missingHeight != 0) {
        GetWindowRect(window_, &window);
        SetWindowPos(window_, nullptr, 0, 0, window.right - window.left + missingWidth,
                     window.bottom - window.top + missingHeight,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    }
}

// A label's Left and Top stay as it takes its new text.
void MainWindow::fitLabel(Control labelControl)
{
    const HWND label = control(labelControl);
    const RECT rect = placement(definitionOf(labelControl), windowText(label));
    SetWindowPos(label, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(label, nullptr, TRUE);
}

// The closed box is as high as the table says; the height of its selection
// field follows from that, whatever the font. The field is corrected by what
// the box is found to miss, as Wine reads the field's height back 2 pixels
// higher than it was set; what the box adds to the field as set is kept, so
// that the next box starts from it and needs no correction. Wine also raises
// the field to the font's height whenever the box is resized, so the field
// comes after the font and the box's size.
//
// The opened list is as high as its visible entries (CB_SETMINVISIBLE), not
// the box: the box is never made taller, so its list stays an empty window
// until it first opens, and each correction of the field costs little.
void MainWindow::fitListHeight(Control listControl)
{
    const HWND list = control(listControl);
    const RECT rect = clientRect(listControl);
    const int closedHeight = rect.bottom - rect.top;
    auto fieldHeight = int(SendMessageW(list, CB_GETITEMHEIGHT, WPARAM(-1), 0));
    if (listFrameHeight_) {
        fieldHeight = closedHeight - *listFrameHeight_;
        SendMessageW(list, CB_SETITEMHEIGHT, WPARAM(-1), fieldHeight);
    }
    for (int attempt = 0; attempt < 3; ++attempt) {
        RECT current = {};
        GetWindowRect(list, &current);
        const int difference = closedHeight - int(current.bottom - current.top);
        if (difference == 0) {
            listFrameHeight_ = closedHeight - fieldHeight;
            return;
        }
        fieldHeight += difference;
        SendMessageW(list, CB_SETITEMHEIGHT, WPARAM(-1), fieldHeight);
    }
}

int MainWindow::scaled(int twips) const
{
    return MulDiv(twips, int(dpi_), kTwipsPerInch);
}

// Where the control lies in the client area: its frame's offset added to
// its own.
RECT MainWindow::clientRect(Control control) const
{
    const ControlDefinition &definition = definitionOf(control);
    Twips twips = definition.geometry;
    if (definition.container) {
        const Twips &frame = definitionOf(*definition.container).geometry;
        twips.left += frame.left;
        twips.top += frame.top;
    }
    const int left = scaled(twips.left);
    const int top = scaled(twips.top);
    return {left, top, left + scaled(twips.width), top + scaled(twips.height)};
}

// Where the control goes with that text: as the table places it, but a
// label as wide as its text and one line high, cut off at the inner edge of
// the frame that holds it.
RECT MainWindow::placement(const ControlDefinition &definition, std::wstring_view text) const
{
    RECT rect = clientRect(definition.control);
    if (definition.kind != ControlKind::Label)
        return rect;
    const SIZE extent = lineExtent(fontFor(definition), text);
    int width = extent.cx;
    if (definition.container) {
        const RECT frame = clientRect(*definition.container);
        const int border = MulDiv(2, int(dpi_), int(kDesignDpi));
        width = std::max(0, std::min(width, int(frame.right - rect.left) - border));
    }
    rect.right = rect.left + width;
    rect.bottom = rect.top + extent.cy;
    return rect;
}

HWND MainWindow::control(Control control) const
{
    return controls_[std::size_t(control)];
}

HFONT MainWindow::fontFor(const ControlDefinition &definition) const
{
    return definition.font == FontKind::Bold ? boldFont_ : regularFont_;
}

void MainWindow::setCaption(Control label, std::u16string_view text)
{
    SetWindowTextW(control(label), wide(text).c_str());
    fitLabel(label);
}

void MainWindow::setListEntries(Control list, const std::vector<std::u16string> &entries)
{
    const HWND box = control(list);
    std::size_t characters = 0;
    for (const std::u16string &entry : entries)
        characters += entry.size() + 1;
    SendMessageW(box, WM_SETREDRAW, FALSE, 0);
    SendMessageW(box, CB_RESETCONTENT, 0, 0);
    SendMessageW(box, CB_INITSTORAGE, entries.size(), LPARAM(characters * sizeof(wchar_t)));
    for (const std::u16string &entry : entries)
        SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(entry).c_str()));
    SendMessageW(box, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(box, nullptr, TRUE);
}

void MainWindow::setListText(Control list, std::u16string_view text)
{
    const HWND box = control(list);
    const LRESULT index = SendMessageW(box, CB_FINDSTRINGEXACT, WPARAM(-1),
                                       reinterpret_cast<LPARAM>(wide(text).c_str()));
    if (index != CB_ERR)
        SendMessageW(box, CB_SETCURSEL, WPARAM(index), 0);
}

std::u16string MainWindow::listText(Control list) const
{
    const HWND box = control(list);
    const LRESULT index = SendMessageW(box, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR)
        return {};
    const LRESULT length = SendMessageW(box, CB_GETLBTEXTLEN, WPARAM(index), 0);
    if (length == CB_ERR)
        return {};
    std::wstring text(std::size_t(length) + 1, L'\0');
    text.resize(std::size_t(
        SendMessageW(box, CB_GETLBTEXT, WPARAM(index), reinterpret_cast<LPARAM>(text.data()))));
    return fromWide(text);
}

void MainWindow::setFocus(Control focused)
{
    lastFocus_ = control(focused);
    SetFocus(lastFocus_);
}

MessageAnswer MainWindow::showMessage(const Message &message)
{
    return showMessageBox(window_, dpi_, message);
}

void MainWindow::openFileManager()
{
    shell::openFileManager();
}

void MainWindow::endProgram()
{
    // Nothing of the window runs after this: WM_DESTROY posts the quit
    // message, and the message loop ends before another message is taken.
    DestroyWindow(window_);
}

} // namespace shell
