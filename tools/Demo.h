#pragma once

#include <windows.h>

#include <exception>
#include <string>
#include <string_view>

// What the walkthrough and the benchmark share: plain-words output and the
// few moves that drive the wizard from another process.
namespace demo {

// One line on standard output, UTF-8, written at once so that each step
// shows as it happens even when the output goes to a pipe.
void Say(std::wstring_view line);

// Throws with this text when the condition does not hold.
void Require(bool condition, std::wstring_view what);
// An exception's text, which Require and the helpers give as UTF-8.
std::wstring WhatOf(const std::exception& failure);

void SetTextOf(HWND window, const std::wstring& text);

// Posted, not sent: a click that opens a modal dialog or message box would
// block a sender until the dialog ends.
void PostClick(HWND button);

// Returns once the window's thread has handled what was sent to it before.
void Sync(HWND window);

bool ScreenShown(HWND wizard, int index);
// How many rows of the wizard's type list carry a tick.
int TickedTypeCount(HWND wizard);

} // namespace demo
