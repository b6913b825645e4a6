#pragma once

#include <array>
#include <string_view>

// The fixed vocabulary that ties the wizard's choices to registry names. The
// list index selects a file type, so the type list must show exactly these
// entries in exactly this order.
namespace Catalogue {

struct FileType {
    std::wstring_view listCaption;
    std::wstring_view extension; // with its leading dot
    std::wstring_view className;
    std::wstring_view iconValue;

    std::wstring_view ExtensionWithoutDot() const { return extension.substr(1); }
};

struct Verb {
    std::wstring_view checkBoxCaption;
    std::wstring_view verbKey;
    std::wstring_view verbKeyPath;
    std::wstring_view commandKeyPath;
    std::wstring_view menuCaption; // "&" marks the context menu's access key
    // The verb offered for the extension whatever default app the user chose.
    // Its key name is the program's own, so that no other program's verb of
    // the same name hides it; its caption names the verb program, as the
    // system names its own ("Mit Paint bearbeiten"), the name between the two
    // halves.
    std::wstring_view extensionVerbKey;
    std::wstring_view captionBeforeName;
    std::wstring_view captionAfterName;

    // The check box's caption without its trailing blank, as texts name it.
    constexpr std::wstring_view Name() const {
        std::wstring_view name = checkBoxCaption;
        while (name.ends_with(L' '))
            name.remove_suffix(1);
        return name;
    }
};

inline constexpr int kFileTypeCount = 9;
inline constexpr int kFirstVerbSlot = 1;
inline constexpr int kVerbCount = 5;

// Defined once, in Catalogue.cpp: tables defined here would put a copy of
// every caption and key name into each file that reads them.
extern const std::array<FileType, kFileTypeCount> kFileTypes;
// Indexed by verb slot minus one.
extern const std::array<Verb, kVerbCount> kVerbs;

// The class whose commands pre-fill the verb rows at start.
extern const std::wstring_view kReferenceClass;

// nullptr for an index outside 0..8.
inline const FileType* FileTypeAt(int listIndex) {
    return listIndex >= 0 && listIndex < kFileTypeCount ? &kFileTypes[listIndex] : nullptr;
}

// nullptr for a slot outside 1..5.
inline const Verb* VerbAt(int slot) {
    return slot >= kFirstVerbSlot && slot < kFirstVerbSlot + kVerbCount
               ? &kVerbs[slot - kFirstVerbSlot]
               : nullptr;
}

} // namespace Catalogue
