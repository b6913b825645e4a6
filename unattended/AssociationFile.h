#pragma once

#include <string>
#include <string_view>
#include <vector>

// The default-associations file that group policy hands Windows at every
// sign-in (and Dism imports for new profiles): Windows' one supported way to
// set for many users which program a double-click opens.
namespace AssociationFile {

// The text as an XML attribute value holds it.
std::wstring Escaped(std::wstring_view text);

// Each type, by list index, opens with its class, under the application
// name Bildkranz registers in Default Apps.
std::wstring Text(const std::vector<int>& listIndices);

// Writes the text as UTF-8, complete under its name or not at all (its folder
// made if missing). Throws Failure naming the file.
void Write(const std::wstring& path, const std::vector<int>& listIndices);

} // namespace AssociationFile
