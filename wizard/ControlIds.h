#pragma once

#include <windows.h>

// Control identifiers of the window Root. Cancel carries IDCANCEL, so that the
// dialog manager's Escape presses it; no control carries IDOK, so that Enter
// presses no button unless one has the focus.
namespace ControlIds {

inline constexpr int kCancel = IDCANCEL;
inline constexpr int kNext = 100;
inline constexpr int kBack = 101;
inline constexpr int kTypeList = 110;
inline constexpr int kLabel1 = 111;
inline constexpr int kLabel2 = 112;
inline constexpr int kLabel3 = 113;
inline constexpr int kLabel4 = 114;
inline constexpr int kImage1 = 115;
inline constexpr int kImage2 = 116;
inline constexpr int kImage3 = 117;
inline constexpr int kButtonBar = 120;

// Indexed 1..3 and 1..5, like the screens and verb rows they name.
constexpr int Screen(int index) {
    return 130 + index;
}
constexpr int VerbCheckBox(int slot) {
    return 140 + slot;
}
constexpr int VerbText(int slot) {
    return 150 + slot;
}
constexpr int VerbBrowse(int slot) {
    return 160 + slot;
}
// A hidden label that names its row's text box for screen readers.
constexpr int VerbLabel(int slot) {
    return 170 + slot;
}

} // namespace ControlIds
