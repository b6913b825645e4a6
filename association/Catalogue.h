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

inline constexpr std::array<FileType, kFileTypeCount> kFileTypes{{
    {L"Windows Bitmap (BMP)", L".bmp", L"ACDC_BMP", L"shimgvw.dll,4"},
    {L"CompuServe Gif (GIF)", L".gif", L"ACDC_GIF", L"shimgvw.dll,3"},
    {L"Jpeg Dateien (JPG/JPEG)", L".jpg", L"ACDC_JPG", L"shimgvw.dll,3"},
    {L"Zsoft Paintbrush (PCX)", L".pcx", L"ACDC_PCX", L"shimgvw.dll,4"},
    {L"Portable Network Graphics (PNG)", L".png", L"ACDC_PNG", L"shimgvw.dll,2"},
    {L"Target Image Dateiformat (TIF)", L".tif", L"ACDC_TIF", L"shimgvw.dll,3"},
    {L"PhotoShop Document (PSD)", L".psd", L"ACDC_PSD", L"shimgvw.dll,2"},
    {L"TrueVision Targa (TGA)", L".tga", L"ACDC_TGA", L"shimgvw.dll,2"},
    {L"Windows Meta (WMF)", L".wmf", L"ACDC_WMF", L"shimgvw.dll,4"},
}};

// Indexed by verb slot minus one.
inline constexpr std::array<Verb, kVerbCount> kVerbs{{
    {L"\u00D6ffnen ", L"Open", L"\\shell\\Open", L"\\shell\\Open\\Command", L"\u00D6&ffnen",
     L"Bildkranz.Open", L"Mit ", L" \u00F6&ffnen"},
    {L"Bearbeiten ", L"Edit", L"\\shell\\Edit", L"\\shell\\Edit\\Command", L"&Bearbeiten",
     L"Bildkranz.Edit", L"Mit ", L" &bearbeiten"},
    {L"Schnellansicht ", L"Quickview", L"\\shell\\Quickview", L"\\shell\\Quickview\\Command",
     L"&Schnellansicht", L"Bildkranz.Quickview", L"&Schnellansicht mit ", L""},
    {L"Konvertieren ", L"Resample", L"\\shell\\Resample", L"\\shell\\Resample\\Command",
     L"&Konvertieren", L"Bildkranz.Resample", L"Mit ", L" &konvertieren"},
    {L"Drucken ", L"uPrint", L"\\shell\\uPrint", L"\\shell\\uPrint\\Command", L"&Drucken",
     L"Bildkranz.uPrint", L"Mit ", L" &drucken"},
}};

// The class whose commands pre-fill the verb rows at start.
inline constexpr std::wstring_view kReferenceClass = kFileTypes[0].className;

// nullptr for an index outside 0..8.
constexpr const FileType* FileTypeAt(int listIndex) {
    return listIndex >= 0 && listIndex < kFileTypeCount ? &kFileTypes[listIndex] : nullptr;
}

// nullptr for a slot outside 1..5.
constexpr const Verb* VerbAt(int slot) {
    return slot >= kFirstVerbSlot && slot < kFirstVerbSlot + kVerbCount
               ? &kVerbs[slot - kFirstVerbSlot]
               : nullptr;
}

} // namespace Catalogue
