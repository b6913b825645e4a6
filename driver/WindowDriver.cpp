#include "driver/WindowDriver.h"

#include <dlgs.h>

#include <array>

namespace WindowDriver {

namespace {

// How long a window may take to answer a message sent with a deadline.
constexpr UINT kAnswerWithinMs = 5000;

std::vector<MessageBoxSeen> seenBoxes;
HHOOK activeHook = nullptr;

bool HasClass(HWND window, const wchar_t* className) {
    std::array<wchar_t, 64> name{};
    GetClassNameW(window, name.data(), static_cast<int>(name.size()));
    return lstrcmpiW(name.data(), className) == 0;
}

LRESULT CALLBACK CatchMessageBox(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(wParam);
        if (HasClass(box, L"#32770")) {
            seenBoxes.push_back(ReadMessageBox(box));
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
    }
    return CallNextHookEx(activeHook, code, wParam, lParam);
}

// Keys go to the focused window or, when none has the focus, to the active one.
HWND FocusedWindow() {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetCurrentThreadId(), &info);
    return info.hwndFocus ? info.hwndFocus : info.hwndActive;
}

} // namespace

void SetTextOf(HWND window, const std::wstring& text) {
    SendMessageTimeoutW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_BLOCK,
                        kAnswerWithinMs, nullptr);
}

void PostClick(HWND button) {
    PostMessageW(button, BM_CLICK, 0, 0);
}

void Sync(HWND window) {
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, kAnswerWithinMs, nullptr);
}

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs, DWORD lookEveryMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() >= deadline)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, lookEveryMs, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return true;
}

namespace {

struct WindowSearch {
    const std::function<bool(HWND)>& matches;
    HWND found;
};

// A named CALLBACK: on 32-bit Windows a lambda would not have the calling
// convention the enumeration functions expect.
BOOL CALLBACK CheckWindow(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<WindowSearch*>(data);
    if (!search.matches(window))
        return TRUE;
    search.found = window;
    return FALSE;
}

} // namespace

HWND FirstWindow(const std::function<bool(HWND)>& matches, HWND parent) {
    WindowSearch search{matches, nullptr};
    if (parent)
        EnumChildWindows(parent, CheckWindow, reinterpret_cast<LPARAM>(&search));
    else
        EnumWindows(CheckWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindControl(HWND root, int id) {
    return FirstWindow([id](HWND child) { return GetDlgCtrlID(child) == id; }, root);
}

HWND FindShownWindow(DWORD processId, const wchar_t* className) {
    for (HWND window = FindWindowExW(nullptr, nullptr, className, nullptr); window;
         window = FindWindowExW(nullptr, window, className, nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId && IsWindowVisible(window))
            return window;
    }
    return nullptr;
}

// Asks the window itself: GetWindowText does not for another process's
// controls, and would read an edit box as empty.
std::wstring WindowText(HWND window) {
    const auto length = static_cast<size_t>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(length + 1, L'\0');
    text.resize(static_cast<size_t>(
        SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

bool IsEnabled(HWND window) {
    return IsWindowEnabled(window) != FALSE;
}

bool IsVisibleFlag(HWND window) {
    return (GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

void PostKey(UINT virtualKey) {
    HWND focus = FocusedWindow();
    PostMessageW(focus, WM_KEYDOWN, virtualKey, 1);
    PostMessageW(focus, WM_KEYUP, virtualKey, static_cast<LPARAM>(0xC0000001u));
}

void PostAltKey(wchar_t letter) {
    constexpr LPARAM kAltDown = 1 << 29;
    PostMessageW(FocusedWindow(), WM_SYSCHAR, static_cast<WPARAM>(towlower(letter)), kAltDown | 1);
}

void PostCharacter(wchar_t character) {
    PostMessageW(FocusedWindow(), WM_CHAR, static_cast<WPARAM>(character), 1);
}

HeldModifiers::HeldModifiers(bool shift, bool control) {
    GetKeyboardState(saved_);
    BYTE state[256];
    GetKeyboardState(state);
    if (shift)
        state[VK_SHIFT] = state[VK_LSHIFT] = 0x80;
    if (control)
        state[VK_CONTROL] = state[VK_LCONTROL] = 0x80;
    SetKeyboardState(state);
}

HeldModifiers::~HeldModifiers() {
    SetKeyboardState(saved_);
}

MessageBoxCatcher::MessageBoxCatcher() {
    seenBoxes.clear();
    hook_ = SetWindowsHookExW(WH_CBT, CatchMessageBox, nullptr, GetCurrentThreadId());
    activeHook = hook_;
}

MessageBoxCatcher::~MessageBoxCatcher() {
    UnhookWindowsHookEx(hook_);
    activeHook = nullptr;
}

const std::vector<MessageBoxSeen>& MessageBoxCatcher::Seen() const {
    return seenBoxes;
}

HWND FindDialog(DWORD processId, std::wstring_view title) {
    return FirstWindow([processId, title](HWND window) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        return owner == processId && IsWindowVisible(window) && HasClass(window, L"#32770") &&
               (title.empty() || WindowText(window) == title);
    });
}

HWND FindMessageBox(DWORD processId) {
    return FindDialog(processId);
}

HWND FileNameBox(HWND fileDialog) {
    if (HWND combo = GetDlgItem(fileDialog, cmb13))
        return combo;
    return GetDlgItem(fileDialog, edt1);
}

MessageBoxSeen ReadMessageBox(HWND box) {
    MessageBoxSeen seen;
    seen.handle = box;
    seen.title = WindowText(box);
    seen.text = WindowText(GetDlgItem(box, 0xFFFF));
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
        if (!(style & WS_VISIBLE))
            continue;
        if (HasClass(child, L"Button"))
            ++seen.visibleButtons;
        else if (HasClass(child, L"Static") && (style & SS_TYPEMASK) == SS_ICON)
            seen.icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
    }
    return seen;
}

} // namespace WindowDriver
