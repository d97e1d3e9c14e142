#pragma once

#include "shell/texts.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

// The main window as its front ends build it: every control with its name,
// kind, container, geometry, caption, colour, font, tooltip and command, and
// the menu. Geometry is in twips (1/1440 inch), laid out at 15 twips to the
// pixel at 96 dots per inch; a control's Left and Top are measured from its
// container, the client area or the frame that holds it.
namespace shell {

// The window's controls, in screen order, top to bottom.
enum class Control {
    TopLine, // Frame3
    Heading, // Label2_0
    DeletedCount, // Label5
    RangeFrame, // Frame1
    StartLabel, // Label4_0
    StartList, // Combo1
    EndLabel, // Label4_1
    EndList, // Combo2
    OkButton, // Command1
    CancelButton, // Command2
    FolderFrame, // Frame2
    FolderLabel, // Label1
    Caution, // Label2_1
    Maker, // Label4_2
};

// What a button or a menu item runs.
enum class Command { None, DeleteMonths, EndProgram, OpenFileManager, ClearSettings };

enum class ControlKind { Frame, Label, DropDownList, CommandButton };
enum class TextColour { Default, Blue, Red };
enum class FontKind { Regular, Bold };

struct TextRgb
{
    int red, green, blue;
};
inline constexpr TextRgb kBlue{0, 0, 255};
inline constexpr TextRgb kRed{255, 0, 0};

struct Twips
{
    int left, top, width, height;
};

// Pixels at 96 dots per inch.
[[nodiscard]] constexpr int pixels(int twips)
{
    return twips / 15;
}

struct ControlDefinition
{
    Control control;
    // The name the program shows the control by, its object name; members
    // of an indexed group carry their index after an underscore
    // ("Label2_0").
    std::string_view name;
    int id; // the control identifier on Windows
    ControlKind kind;
    std::optional<Control> container; // none: the window's client area
    std::u16string_view caption;
    Twips geometry; // a label's width and height fit its initial caption
    // Of the controls that take the focus, the one with the lowest index
    // has it when the window appears, and Tab goes on in index order.
    int tabIndex;
    TextColour colour = TextColour::Default;
    FontKind font = FontKind::Regular;
    std::u16string_view toolTip = {};
    Command command = Command::None; // a button's, run by its click
};

inline constexpr std::u16string_view kWindowName = u"Form1";
inline constexpr int kClientWidth = 6225; // twips
inline constexpr int kClientHeight = 5010;

// "ＭＳ Ｐゴシック" 9 points, its bold at 9.75 points.
inline constexpr std::u16string_view kFaceName = u"ＭＳ Ｐゴシック";
inline constexpr double kRegularPoints = 9.0;
inline constexpr double kBoldPoints = 9.75;

// In the order of Control; containers come before what they hold.
inline constexpr std::array kControls{
    ControlDefinition{Control::TopLine, "Frame3", 113, ControlKind::Frame, {}, {},
                      {-120, 0, 55350, 30}, 13},
    ControlDefinition{Control::Heading, "Label2_0", 104, ControlKind::Label, {}, texts::kHeading,
                      {240, 240, 2805, 195}, 4, TextColour::Blue, FontKind::Bold},
    ControlDefinition{Control::DeletedCount, "Label5", 110, ControlKind::Label, {},
                      texts::kDeletedCountAtStart, {3720, 240, 1575, 195}, 10, TextColour::Red,
                      FontKind::Bold},
    ControlDefinition{Control::RangeFrame, "Frame1", 106, ControlKind::Frame, {},
                      texts::kRangeFrame, {480, 720, 5175, 1335}, 6},
    ControlDefinition{Control::StartLabel, "Label4_0", 107, ControlKind::Label, Control::RangeFrame,
                      texts::kStartLabel, {480, 360, 420, 180}, 7},
    ControlDefinition{Control::StartList, "Combo1", 101, ControlKind::DropDownList,
                      Control::RangeFrame, {}, {1200, 360, 3255, 300}, 1},
    ControlDefinition{Control::EndLabel, "Label4_1", 108, ControlKind::Label, Control::RangeFrame,
                      texts::kEndLabel, {480, 840, 420, 180}, 8},
    ControlDefinition{Control::EndList, "Combo2", 102, ControlKind::DropDownList,
                      Control::RangeFrame, {}, {1200, 840, 3255, 300}, 2},
    ControlDefinition{Control::OkButton, "Command1", 103, ControlKind::CommandButton, {},
                      texts::kOkButton, {960, 2280, 1575, 615}, 3, TextColour::Default,
                      FontKind::Regular, texts::kOkToolTip, Command::DeleteMonths},
    ControlDefinition{Control::CancelButton, "Command2", 100, ControlKind::CommandButton, {},
                      texts::kCancelButton, {3600, 2280, 1575, 615}, 0, TextColour::Default,
                      FontKind::Regular, texts::kCancelToolTip, Command::EndProgram},
    ControlDefinition{Control::FolderFrame, "Frame2", 111, ControlKind::Frame, {},
                      texts::kFolderFrame, {240, 3120, 5775, 855}, 11},
    // Its design caption is replaced by the data folder before the window
    // is first shown.
    ControlDefinition{Control::FolderLabel, "Label1", 112, ControlKind::Label, Control::FolderFrame,
                      u"Label1", {120, 360, 495, 180}, 12, TextColour::Blue},
    ControlDefinition{Control::Caution, "Label2_1", 105, ControlKind::Label, {}, texts::kCaution,
                      {360, 4200, 5010, 180}, 5, TextColour::Red},
    ControlDefinition{Control::Maker, "Label4_2", 109, ControlKind::Label, {}, texts::kMaker,
                      {4080, 4560, 1185, 180}, 9},
};

static_assert(std::ranges::all_of(kControls, [](const ControlDefinition &definition) {
    return &definition - kControls.data() == std::ptrdiff_t(definition.control);
}));

[[nodiscard]] constexpr const ControlDefinition &definitionOf(Control control)
{
    return kControls[std::size_t(control)];
}

// Lists and buttons take the focus; labels and frames never do.
[[nodiscard]] constexpr bool takesFocus(ControlKind kind)
{
    return kind == ControlKind::DropDownList || kind == ControlKind::CommandButton;
}

// The controls that take the focus, in the order Tab moves through them;
// the first holds it when the window appears.
[[nodiscard]] constexpr auto tabOrder()
{
    constexpr std::size_t count = std::ranges::count_if(
        kControls, [](const ControlDefinition &definition) { return takesFocus(definition.kind); });
    std::array<const ControlDefinition *, count> order{};
    std::size_t next = 0;
    for (const ControlDefinition &definition : kControls)
        if (takesFocus(definition.kind))
            order[next++] = &definition;
    std::ranges::sort(order, {}, &ControlDefinition::tabIndex);
    std::array<Control, count> controls{};
    std::ranges::transform(order, controls.begin(), &ControlDefinition::control);
    return controls;
}

struct MenuItemDefinition
{
    std::string_view name;
    int id; // the command identifier on Windows
    std::u16string_view caption; // "&" marks the access key; empty: a separator
    Command command;

    [[nodiscard]] constexpr bool isSeparator() const { return caption.empty(); }
};

inline constexpr std::string_view kMenuName = "f000";

inline constexpr std::array kMenuItems{
    MenuItemDefinition{"P_EXPL", 201, texts::kOpenFileManagerItem, Command::OpenFileManager},
    MenuItemDefinition{"f001", 202, {}, Command::None},
    MenuItemDefinition{"Reg_DEL", 203, texts::kClearSettingsItem, Command::ClearSettings},
    MenuItemDefinition{"f002", 204, {}, Command::None},
    MenuItemDefinition{"P_END", 205, texts::kEndProgramItem, Command::EndProgram},
};

} // namespace shell
