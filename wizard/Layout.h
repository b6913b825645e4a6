#pragma once

#include <windows.h>

// The window's layout in twips (1440 to the inch), relative to the parent's
// client area. At 96 DPI every measure is a whole number of pixels (twips / 15).
namespace Layout {

struct Twips {
    int left;
    int top;
    int width;
    int height;
};

inline constexpr int kClientWidth = 7740;
inline constexpr int kClientHeight = 5415;

inline constexpr Twips kScreenPanel{0, 0, 7710, 4605};
// Reaches past the left, right and bottom edges so that only the top line of
// its frame shows, as a rule above the buttons.
inline constexpr Twips kButtonBar{-45, 4635, 7800, 825};

inline constexpr Twips kNext{5175, 135, 1185, 465};
inline constexpr Twips kBack{3915, 135, 1185, 465};
inline constexpr Twips kCancel{6435, 135, 1185, 465};

inline constexpr Twips kEmblem{135, 180, 1440, 1440};

inline constexpr Twips kLabel1{2610, 675, 4425, 1185};
inline constexpr Twips kTypeList{2610, 1935, 4470, 2220};

inline constexpr Twips kLabel2{2610, 675, 4290, 1050};
inline constexpr Twips kLabel3{2610, 1770, 4470, 1050};
inline constexpr Twips kLabel4{2610, 3105, 4245, 1140};

// Verb rows follow each other at a pitch of 675; slot is 1..5.
inline constexpr int kVerbRowPitch = 675;
constexpr Twips VerbCheckBox(int slot) {
    return {2250, 990 + kVerbRowPitch * (slot - 1), 1800, 285};
}
constexpr Twips VerbText(int slot) {
    return {2250, 1260 + kVerbRowPitch * (slot - 1), 4335, 315};
}
constexpr Twips VerbBrowse(int slot) {
    return {6660, 1260 + kVerbRowPitch * (slot - 1), 465, 315};
}

// Position and size in pixels at the given dots per inch.
RECT ToPixels(const Twips& twips, int dpi);
int ToPixels(int twips, int dpi);

} // namespace Layout
