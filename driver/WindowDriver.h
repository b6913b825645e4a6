#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Drives windows the way the system does: keys are posted to the focused
// control and reach it through the window's own message loop; message boxes
// are seen and closed by a hook, as a person would read and close them.
namespace WindowDriver {

// Waits for a condition, pumping messages meanwhile; false at the deadline.
// Looking more often tells closer when it began to hold, but each look costs
// the looked-at program time where it asks the window server.
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = 10000,
             DWORD lookEveryMs = 20);

// The first window that matches: a top-level window, or a descendant of parent.
HWND FirstWindow(const std::function<bool(HWND)>& matches, HWND parent = nullptr);

// The descendant of root with the given control id (nullptr if none).
HWND FindControl(HWND root, int id);
// The shown top-level window of this class and process: found by class name,
// cheaper than walking every window, so it can be looked for often.
HWND FindShownWindow(DWORD processId, const wchar_t* className);

std::wstring WindowText(HWND window);
bool IsEnabled(HWND window);
bool IsVisibleFlag(HWND window); // the window's own WS_VISIBLE flag

// Sent with a deadline, so that a window that hangs cannot stop the driver.
void SetTextOf(HWND window, const std::wstring& text);
// Posted, not sent: a click that opens a modal dialog or message box would
// block a sender until the dialog ends.
void PostClick(HWND button);
// Returns once the window's thread has handled what was sent to it before.
void Sync(HWND window);

// A key as the keyboard would deliver it to the focused control.
void PostKey(UINT virtualKey);
// Alt together with a letter: the access key of a control.
void PostAltKey(wchar_t letter);
void PostCharacter(wchar_t character);

// Holds Shift and/or Control down for this thread while it lives.
class HeldModifiers {
public:
    HeldModifiers(bool shift, bool control);
    ~HeldModifiers();
    HeldModifiers(const HeldModifiers&) = delete;
    HeldModifiers& operator=(const HeldModifiers&) = delete;

private:
    BYTE saved_[256]{};
};

struct MessageBoxSeen {
    HWND handle = nullptr;
    std::wstring title;
    std::wstring text;
    HICON icon = nullptr;
    int visibleButtons = 0;
};

// While it lives, every message box this thread opens is recorded and closed
// with its OK button.
class MessageBoxCatcher {
public:
    MessageBoxCatcher();
    ~MessageBoxCatcher();
    MessageBoxCatcher(const MessageBoxCatcher&) = delete;
    MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

    const std::vector<MessageBoxSeen>& Seen() const;

private:
    HHOOK hook_ = nullptr;
};

// A visible dialog (class #32770) of a process with this title, or with any
// title when none is given: a message box or the file dialog.
HWND FindDialog(DWORD processId, std::wstring_view title = {});
HWND FindMessageBox(DWORD processId);
// The common file dialog's file name box: a combo box with an edit inside in
// the explorer style, an edit in the old one.
HWND FileNameBox(HWND fileDialog);
MessageBoxSeen ReadMessageBox(HWND box);

} // namespace WindowDriver
