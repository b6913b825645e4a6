// The emblem's own GIF decoder against the platform's (WIC, the reference
// here only), and against damaged pictures.
#include "common/Com.h"
#include "common/UniqueHandle.h"
#include "resources/resource_ids.h"
#include "wizard/Emblem.h"
#include "wizard/Gif.h"

#include <wincodec.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes EmblemFile() {
    HMODULE self = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(self, MAKEINTRESOURCEW(IDR_EMBLEM), L"GIF");
    const auto* data = static_cast<const std::uint8_t*>(LockResource(LoadResource(self, resource)));
    return data ? Bytes(data, data + SizeofResource(self, resource)) : Bytes{};
}

std::optional<Gif::Picture> DecodeWithWic(const Bytes& file) {
    Com::Apartment apartment; // outlives every interface below
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    Gif::Picture picture;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void**>(factory.put()))) ||
        FAILED(factory->CreateStream(stream.put())) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(file.data()),
                                            static_cast<DWORD>(file.size()))) ||
        FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr,
                                                WICDecodeMetadataCacheOnDemand, decoder.put())) ||
        FAILED(decoder->GetFrame(0, frame.put())) ||
        FAILED(factory->CreateFormatConverter(converter.put())) ||
        FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppPBGRA,
                                     WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)) ||
        FAILED(converter->GetSize(&picture.width, &picture.height)))
        return std::nullopt;
    picture.bgra.resize(std::size_t{picture.width} * picture.height * 4);
    if (FAILED(converter->CopyPixels(nullptr, picture.width * 4,
                                     static_cast<UINT>(picture.bgra.size()), picture.bgra.data())))
        return std::nullopt;
    return picture;
}

testing::AssertionResult SameAsWic(const Bytes& file) {
    const auto ours = Gif::Decode(file);
    const auto wic = DecodeWithWic(file);
    if (!ours || !wic)
        return testing::AssertionFailure() << (ours ? "WIC" : "our decoder") << " decoded nothing";
    if (ours->width != wic->width || ours->height != wic->height)
        return testing::AssertionFailure() << ours->width << "x" << ours->height << ", WIC "
                                           << wic->width << "x" << wic->height;
    const auto [mine, theirs] = std::ranges::mismatch(ours->bgra, wic->bgra);
    if (mine != ours->bgra.end())
        return testing::AssertionFailure()
               << "pixel " << (mine - ours->bgra.begin()) / 4 << " byte "
               << (mine - ours->bgra.begin()) % 4 << ": " << int{*mine} << ", WIC " << int{*theirs};
    return testing::AssertionSuccess();
}

// Codes of one width, packed as GIF packs them: least significant bit first.
Bytes Pack(std::initializer_list<unsigned> codes, unsigned width = 3) {
    Bytes packed;
    unsigned bits = 0;
    for (const unsigned code : codes) {
        for (unsigned i = 0; i < width; ++i, ++bits) {
            if (bits % 8 == 0)
                packed.push_back(0);
            packed.back() |= static_cast<std::uint8_t>(((code >> i) & 1) << (bits % 8));
        }
    }
    return packed;
}

// A small GIF put together from its parts. The default: 3x2 pixels, indices
// 0 1 2 / 3 2 1, a four-colour global table, index 3 transparent; with a
// minimum code size of 2 a clear code (4) before every second index keeps
// the codes 3 bits wide.
struct TinyGif {
    unsigned screenWidth = 3, screenHeight = 2;
    static constexpr std::uint8_t kFourColours[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9};
    Bytes globalTable{std::begin(kFourColours), std::end(kFourColours)};
    int transparent = 3; // -1: none
    unsigned left = 0, top = 0, width = 3, height = 2;
    Bytes localTable{};
    bool interlaced = false;
    unsigned minCodeSize = 2;
    Bytes lzw = Pack({4, 0, 1, 4, 2, 3, 4, 2, 1, 5});

    Bytes File() const {
        Bytes file;
        const auto put = [&file](std::initializer_list<unsigned> bytes) {
            for (const unsigned byte : bytes)
                file.push_back(static_cast<std::uint8_t>(byte));
        };
        const auto putAll = [&file](const Bytes& bytes) {
            file.insert(file.end(), bytes.begin(), bytes.end());
        };
        // A table's flags: present, and 2^(n+1) entries.
        const auto tableFlags = [](const Bytes& table) {
            return table.empty()
                       ? 0u
                       : 0x80u | (static_cast<unsigned>(std::bit_width(table.size() / 3)) - 2);
        };
        put({'G', 'I', 'F', '8', '9', 'a'});
        put({screenWidth, screenWidth >> 8u, screenHeight, screenHeight >> 8u});
        put({tableFlags(globalTable), 0, 0});
        putAll(globalTable);
        if (transparent >= 0)
            put({0x21, 0xF9, 4, 1, 0, 0, unsigned(transparent), 0});
        put({0x2C, left, left >> 8u, top, top >> 8u, width, width >> 8u, height, height >> 8u});
        put({tableFlags(localTable) | (interlaced ? 0x40u : 0u)});
        putAll(localTable);
        put({minCodeSize, unsigned(lzw.size())});
        putAll(lzw);
        put({0, 0x3B});
        return file;
    }
};

} // namespace

TEST(Gif, EmblemAndHandMadePicturesAsWicDecodesThem) {
    TinyGif local; // the global table is overridden
    local.localTable = {1, 2, 3, 40, 50, 60, 70, 80, 90, 100, 110, 120};
    TinyGif interlaced; // rows sent 0, 4, 2, 1, 3
    interlaced.width = interlaced.screenWidth = 2;
    interlaced.height = interlaced.screenHeight = 5;
    interlaced.interlaced = true;
    interlaced.lzw = Pack({4, 0, 0, 4, 1, 1, 4, 2, 2, 4, 3, 3, 4, 0, 2, 5});
    ASSERT_FALSE(EmblemFile().empty());
    EXPECT_TRUE(SameAsWic(EmblemFile()));
    EXPECT_TRUE(SameAsWic(local.File()));
    EXPECT_TRUE(SameAsWic(interlaced.File()));
}

TEST(Gif, FileCutShortGivesNoPicture) {
    const Bytes emblem = EmblemFile();
    for (std::size_t length = 0; length < emblem.size(); ++length)
        EXPECT_FALSE(Gif::Decode({emblem.data(), length})) << "cut to " << length << " bytes";
    EXPECT_TRUE(Gif::Decode(emblem));
}

TEST(Gif, DamagedPicturesGiveNone) {
    const Bytes twoColours = {255, 0, 0, 0, 255, 0};
    const std::pair<const char*, TinyGif> kDamaged[] = {
        {"code past the table", {.lzw = Pack({4, 0, 7, 4, 1, 2, 4, 3, 2, 4, 1, 5})}},
        {"code of an empty table", {.lzw = Pack({4, 6, 4, 0, 1, 4, 2, 3, 4, 2, 1, 5})}},
        {"fewer pixels than the image", {.lzw = Pack({4, 0, 1, 4, 2, 5})}},
        {"index past the palette", {.globalTable = twoColours, .transparent = -1}},
        {"no colour table", {.globalTable = {}}},
        {"minimum code size 9", {.minCodeSize = 9}},
        {"screen of zero width", {.screenWidth = 0}},
        {"screen one past the cap", {.screenWidth = Gif::kMaxSide + 1}},
        {"image right of the screen", {.left = 1}},
    };
    EXPECT_TRUE(Gif::Decode(TinyGif{}.File())); // the undamaged picture decodes
    for (const auto& [name, gif] : kDamaged) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(Gif::Decode(gif.File()));
    }
}

TEST(Gif, DamagedEmblemDrawsNothing) {
    const Bytes emblemFile = EmblemFile();
    const Emblem emblem{std::span(emblemFile).first(emblemFile.size() - 1)};
    EXPECT_EQ(emblem.Size().cx, 0);
    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    UniqueBitmap bitmap(CreateCompatibleBitmap(dc.get(), 4, 4)); // black and white
    SelectObject(dc.get(), bitmap.get());
    SetPixel(dc.get(), 1, 1, RGB(255, 255, 255));
    emblem.Draw(dc.get(), {0, 0}, RGB(1, 2, 3));
    EXPECT_EQ(GetPixel(dc.get(), 1, 1), RGB(255, 255, 255));
    EXPECT_EQ(Emblem(GetModuleHandleW(nullptr), IDR_EMBLEM).Size().cx, 96);
}

// The round emblem over the panel's colour: its corner shows the colour, its
// middle the picture.
TEST(Gif, EmblemLaidOverTheBackgroundColour) {
    const Emblem emblem(GetModuleHandleW(nullptr), IDR_EMBLEM);
    ASSERT_EQ(emblem.Size().cx, 96);
    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = 96;
    info.bmiHeader.biHeight = -96;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    ASSERT_TRUE(bitmap);
    SelectObject(dc.get(), bitmap.get());
    const COLORREF panel = RGB(10, 200, 30);
    emblem.Draw(dc.get(), {0, 0}, panel);
    EXPECT_EQ(GetPixel(dc.get(), 0, 0), panel);
    EXPECT_EQ(GetPixel(dc.get(), 95, 95), panel);
    EXPECT_NE(GetPixel(dc.get(), 48, 48), panel);
}
