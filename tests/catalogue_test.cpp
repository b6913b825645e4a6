#include "association/Catalogue.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace catalogue;

TEST(Catalogue, FileTypesByListIndex) {
    ASSERT_NE(FileTypeAt(6), nullptr);
    EXPECT_EQ(FileTypeAt(6)->listCaption, L"PhotoShop Document (PSD)");
    EXPECT_EQ(FileTypeAt(6)->extension, L".psd");
    EXPECT_EQ(FileTypeAt(6)->className, L"ACDC_PSD");
    EXPECT_EQ(FileTypeAt(6)->iconValue, L"shimgvw.dll,2");
    EXPECT_EQ(FileTypeAt(6)->ExtensionWithoutDot(), L"psd");
    EXPECT_EQ(FileTypeAt(-1), nullptr);
    EXPECT_EQ(FileTypeAt(9), nullptr);
}

TEST(Catalogue, EveryTypeFollowsTheNamingRules) {
    for (const FileType& type : kFileTypes) {
        SCOPED_TRACE(std::wstring(type.listCaption).c_str());
        ASSERT_EQ(type.extension.size(), 4u);
        EXPECT_EQ(type.extension[0], L'.');
        std::wstring code(type.ExtensionWithoutDot());
        for (wchar_t& c : code)
            c = static_cast<wchar_t>(towupper(c));
        EXPECT_EQ(type.className, L"ACDC_" + code);
        EXPECT_EQ(type.iconValue.substr(0, 12), L"shimgvw.dll,");
    }
    // The JPEG and TIFF entries register only their three-letter forms.
    EXPECT_EQ(FileTypeAt(2)->extension, L".jpg");
    EXPECT_EQ(FileTypeAt(5)->extension, L".tif");
}

TEST(Catalogue, SharedIconValues) {
    for (int index : {0, 3, 8})
        EXPECT_EQ(FileTypeAt(index)->iconValue, L"shimgvw.dll,4");
    for (int index : {1, 2, 5})
        EXPECT_EQ(FileTypeAt(index)->iconValue, L"shimgvw.dll,3");
    for (int index : {4, 6, 7})
        EXPECT_EQ(FileTypeAt(index)->iconValue, L"shimgvw.dll,2");
}

TEST(Catalogue, VerbsBySlot) {
    EXPECT_EQ(VerbAt(0), nullptr);
    EXPECT_EQ(VerbAt(6), nullptr);
    ASSERT_NE(VerbAt(1), nullptr);
    EXPECT_EQ(VerbAt(1)->menuCaption, L"\u00D6&ffnen"); // access key "f", after the umlaut
    EXPECT_EQ(VerbAt(1)->checkBoxCaption, L"\u00D6ffnen ");
    EXPECT_EQ(VerbAt(5)->verbKey, L"uPrint");
    for (int slot = 1; slot <= kVerbCount; ++slot) {
        const Verb& verb = *VerbAt(slot);
        SCOPED_TRACE(slot);
        EXPECT_EQ(verb.verbKeyPath, L"\\shell\\" + std::wstring(verb.verbKey));
        EXPECT_EQ(verb.commandKeyPath, std::wstring(verb.verbKeyPath) + L"\\Command");
        EXPECT_EQ(verb.checkBoxCaption.back(), L' ');
        EXPECT_NE(verb.menuCaption.find(L'&'), std::wstring_view::npos);
    }
}
