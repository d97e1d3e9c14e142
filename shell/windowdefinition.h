#pragma once

#include <array>
#include <string_view>

// The main window as its front ends build it: every control with its name,
// kind, container, geometry, caption, colour, font and tooltip, the tab order
// and the menu. Geometry is in twips (1/1440 inch), laid out at 15 twips to
// the pixel at 96 dots per inch; a control's Left and Top are measured from
// its container, the client area or the frame that holds it.
namespace shell {

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
    // The name the program shows the control by; members of an indexed
    // group carry their index after an underscore ("Label2_0").
    std::string_view name;
    int id; // the control identifier on Windows
    ControlKind kind;
    std::string_view container; // empty: the window's client area
    std::u16string_view caption;
    Twips geometry; // a label's width and height fit its initial caption
    int tabIndex;
    TextColour colour = TextColour::Default;
    FontKind font = FontKind::Regular;
    std::u16string_view toolTip = {};
};

inline constexpr std::u16string_view kWindowName = u"Form1";
inline constexpr std::u16string_view kWindowCaption = u" KORVEL(ORVETA) 勤務ﾃﾞｰﾀの削除";
inline constexpr int kClientWidth = 6225; // twips
inline constexpr int kClientHeight = 5010;

// "ＭＳ Ｐゴシック" 9 points, its bold at 9.75 points.
inline constexpr std::u16string_view kFaceName = u"ＭＳ Ｐゴシック";
inline constexpr double kRegularPoints = 9.0;
inline constexpr double kBoldPoints = 9.75;

// In screen order, top to bottom; containers come before what they hold.
inline constexpr std::array kControls{
    ControlDefinition{"Frame3", 113, ControlKind::Frame, {}, {}, {-120, 0, 55350, 30}, 13},
    ControlDefinition{"Label2_0", 104, ControlKind::Label, {}, u"「ORVETA」勤務データの削除",
                      {240, 240, 2805, 195}, 4, TextColour::Blue, FontKind::Bold},
    ControlDefinition{"Label5", 110, ControlKind::Label, {}, u"削除データ数 ： 0",
                      {3720, 240, 1575, 195}, 10, TextColour::Red, FontKind::Bold},
    ControlDefinition{"Frame1", 106, ControlKind::Frame, {}, u"削除する月の範囲",
                      {480, 720, 5175, 1335}, 6},
    ControlDefinition{"Label4_0", 107, ControlKind::Label, "Frame1", u"開 始",
                      {480, 360, 420, 180}, 7},
    ControlDefinition{"Combo1", 101, ControlKind::DropDownList, "Frame1", {},
                      {1200, 360, 3255, 300}, 1},
    ControlDefinition{"Label4_1", 108, ControlKind::Label, "Frame1", u"終 了",
                      {480, 840, 420, 180}, 8},
    ControlDefinition{"Combo2", 102, ControlKind::DropDownList, "Frame1", {},
                      {1200, 840, 3255, 300}, 2},
    ControlDefinition{"Command1", 103, ControlKind::CommandButton, {}, u"OK",
                      {960, 2280, 1575, 615}, 3, TextColour::Default, FontKind::Regular,
                      u"勤務ﾃﾞｰﾀの削除"},
    ControlDefinition{"Command2", 100, ControlKind::CommandButton, {}, u"キャンセル",
                      {3600, 2280, 1575, 615}, 0, TextColour::Default, FontKind::Regular,
                      u"ﾌﾟﾛｸﾞﾗﾑの終了"},
    ControlDefinition{"Frame2", 111, ControlKind::Frame, {}, u"ﾌｫﾙﾀﾞ名",
                      {240, 3120, 5775, 855}, 11},
    ControlDefinition{"Label1", 112, ControlKind::Label, "Frame2", u"Label1",
                      {120, 360, 495, 180}, 12, TextColour::Blue},
    ControlDefinition{"Label2_1", 105, ControlKind::Label, {},
                      u"ご注意 勤務データを削除する前にバックアップをおすすめします。",
                      {360, 4200, 5010, 180}, 5, TextColour::Red},
    ControlDefinition{"Label4_2", 109, ControlKind::Label, {}, u"㈱ソルカナ",
                      {4080, 4560, 1185, 180}, 9},
};

// The controls that take the focus, in the order Tab moves through them;
// the first holds it when the window appears.
inline constexpr std::array<std::string_view, 4> kTabOrder{"Command2", "Combo1", "Combo2",
                                                           "Command1"};

// What a menu item runs.
enum class MenuCommand { None, StartExplorer, ClearSettings, EndProgram };

struct MenuItemDefinition
{
    std::string_view name;
    int id; // the command identifier on Windows
    std::u16string_view caption; // "&" marks the access key; "-" is a separator
    MenuCommand command;

    [[nodiscard]] constexpr bool isSeparator() const { return caption == u"-"; }
};

inline constexpr std::string_view kMenuName = "f000";
inline constexpr std::u16string_view kMenuCaption = u"ﾌｧｲﾙ(&F)";

inline constexpr std::array kMenuItems{
    MenuItemDefinition{"P_EXPL", 201, u"ｴｸｽﾌﾟﾛｰﾗ起動(&E)", MenuCommand::StartExplorer},
    MenuItemDefinition{"f001", 202, u"-", MenuCommand::None},
    MenuItemDefinition{"Reg_DEL", 203, u"ﾚｼﾞｽﾄﾘ削除(&D)", MenuCommand::ClearSettings},
    MenuItemDefinition{"f002", 204, u"-", MenuCommand::None},
    MenuItemDefinition{"P_END", 205, u"ﾌﾟﾛｸﾞﾗﾑの終了(&C)", MenuCommand::EndProgram},
};

// The control of that name, or nullptr.
[[nodiscard]] constexpr const ControlDefinition *findControl(std::string_view name)
{
    for (const ControlDefinition &control : kControls)
        if (control.name == name)
            return &control;
    return nullptr;
}

} // namespace shell
