#pragma once

#include "shell/windowdefinition.h"

#include <windows.h>
// Windows' own headers after windows.h, which they build on.
#include <commctrl.h>

namespace shell {

// A frame without a caption is only an etched line.
constexpr bool isEtchedLine(const ControlDefinition &definition)
{
    return definition.kind == ControlKind::Frame && definition.caption.empty();
}

// The window class a control of the window table is made of, and the styles
// its kind adds to those of every child window.
struct ControlClass
{
    const wchar_t *name;
    DWORD style;
};

constexpr ControlClass controlClassOf(const ControlDefinition &definition)
{
    switch (definition.kind) {
    case ControlKind::Frame:
        if (isEtchedLine(definition))
            return {WC_STATICW, SS_ETCHEDHORZ};
        return {WC_BUTTONW, BS_GROUPBOX};
    case ControlKind::Label:
        // Sized to its text; a text wider than its frame is cut off rather
        // than wrapped.
        return {WC_STATICW, SS_LEFTNOWORDWRAP | SS_NOPREFIX};
    case ControlKind::DropDownList:
        return {WC_COMBOBOXW, CBS_DROPDOWNLIST | WS_VSCROLL};
    case ControlKind::CommandButton:
        return {WC_BUTTONW, BS_PUSHBUTTON};
    }
    return {WC_STATICW, 0};
}

} // namespace shell
