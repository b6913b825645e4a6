#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Test programs with a version record of the test's choosing, written into a
// copy of a program that has none.
namespace VersionRecord {

struct Language {
    WORD language;            // e.g. 0x0407
    std::wstring description; // FileDescription
};

// Replaces the version record of program: one string table per language, in
// the order given, and a translation table that lists `listed` in its order.
bool Write(const std::wstring& program, const std::vector<Language>& tables,
           const std::vector<WORD>& listed);

} // namespace VersionRecord
