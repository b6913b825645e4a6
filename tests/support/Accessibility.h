#pragma once

#include "wizard/ControlIds.h"

#include <windows.h>

#include <string>

// A control as a screen reader sees it, through the platform's accessibility
// layer. The calling thread needs COM (common/Com.h).
namespace Accessibility {

struct Seen {
    HRESULT result = E_FAIL; // of getting the object; the fields below only when it succeeded
    std::wstring name;
    bool named = false; // a name at all, empty or not
    long role = 0;
};

// What a screen reader gets: AccessibleObjectFromWindow(OBJID_CLIENT), which
// asks the control first and, from another process, carries the answer over.
Seen AsReadBy(HWND control);
// The platform's standard object for the control, made by the caller without
// asking the control: what the control gives when it does not answer itself.
Seen AsStandard(HWND control);

// What each control whose caption does not say what it is for must be called.
struct Expected {
    int control;
    const wchar_t* name;
};
inline constexpr Expected kNames[] = {
    {ControlIds::kTypeList, L"Bilddateitypen"},
    {ControlIds::VerbText(1), L"Programm f\u00FCr \u201E\u00D6ffnen\u201C"},
    {ControlIds::VerbText(2), L"Programm f\u00FCr \u201EBearbeiten\u201C"},
    {ControlIds::VerbText(3), L"Programm f\u00FCr \u201ESchnellansicht\u201C"},
    {ControlIds::VerbText(4), L"Programm f\u00FCr \u201EKonvertieren\u201C"},
    {ControlIds::VerbText(5), L"Programm f\u00FCr \u201EDrucken\u201C"},
    {ControlIds::VerbBrowse(1), L"Programm f\u00FCr \u201E\u00D6ffnen\u201C ausw\u00E4hlen"},
    {ControlIds::VerbBrowse(2), L"Programm f\u00FCr \u201EBearbeiten\u201C ausw\u00E4hlen"},
    {ControlIds::VerbBrowse(3), L"Programm f\u00FCr \u201ESchnellansicht\u201C ausw\u00E4hlen"},
    {ControlIds::VerbBrowse(4), L"Programm f\u00FCr \u201EKonvertieren\u201C ausw\u00E4hlen"},
    {ControlIds::VerbBrowse(5), L"Programm f\u00FCr \u201EDrucken\u201C ausw\u00E4hlen"},
};

} // namespace Accessibility
