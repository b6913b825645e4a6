#pragma once

#include <windows.h>

#include <exception>
#include <string>
#include <string_view>

// What the walkthrough and the benchmark share: plain-words output and
// failures that stop them with a sentence.
namespace Demo {

// One line on standard output, UTF-8, written at once so that each step
// shows as it happens even when the output goes to a pipe.
void Say(std::wstring_view line);

// Throws with this text when the condition does not hold.
void Require(bool condition, std::wstring_view what);
// An exception's text, which Require and the helpers give as UTF-8.
std::wstring WhatOf(const std::exception& failure);

} // namespace Demo
