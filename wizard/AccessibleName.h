#pragma once

#include <windows.h>

#include <string_view>

// A name for screen readers that the control's caption does not give, with
// nothing on the screen changed: the control answers the accessibility
// layer's request for its client object (WM_GETOBJECT, OBJID_CLIENT) with the
// platform's own standard object for it, of which only the name is replaced.
// Role, states, value, children and location stay the platform's.
//
// Nothing is loaded for it until the first request comes: a run that no
// screen reader or other accessibility client asks about loads no COM and no
// accessibility library.
namespace AccessibleName {

// From now until the control is destroyed.
void Give(HWND control, std::wstring_view name);

} // namespace AccessibleName
