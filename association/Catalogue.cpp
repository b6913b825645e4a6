#include "association/Catalogue.h"

namespace Catalogue {

constexpr std::array<FileType, kFileTypeCount> kFileTypes{{
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

constexpr std::array<Verb, kVerbCount> kVerbs{{
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

constexpr std::wstring_view kReferenceClass = kFileTypes[0].className;

} // namespace Catalogue
