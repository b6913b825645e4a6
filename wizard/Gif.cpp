#include "wizard/Gif.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace Gif {

namespace {

constexpr std::uint8_t kExtension = 0x21;
constexpr std::uint8_t kGraphicControl = 0xF9;
constexpr std::uint8_t kImage = 0x2C;
constexpr std::uint8_t kTrailer = 0x3B;
constexpr int kNoTransparency = -1;

// Reads the file front to back. A read past the end yields zeros and marks the
// reader failed, so callers can check once after a group of reads and no loop
// can run on beyond the data.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> data) : data_(data) {}

    bool Failed() const { return failed_; }

    std::span<const std::uint8_t> Take(std::size_t count) {
        if (failed_ || count > data_.size() - position_) {
            failed_ = true;
            return {};
        }
        position_ += count;
        return data_.subspan(position_ - count, count);
    }
    std::uint8_t Byte() {
        const auto taken = Take(1);
        return taken.empty() ? 0 : taken[0];
    }
    std::uint32_t Word() { // little-endian
        const std::uint32_t low = Byte();
        return low | static_cast<std::uint32_t>(Byte()) << 8;
    }

private:
    std::span<const std::uint8_t> data_;
    std::size_t position_ = 0;
    bool failed_ = false;
};

// Red, green, blue for each entry.
struct Palette {
    std::span<const std::uint8_t> rgb;
    std::size_t Size() const { return rgb.size() / 3; }
};

// A colour table's size is given as n in 2^(n+1) entries, in the low three
// bits of its flags.
Palette ReadColourTable(Reader& in, std::uint8_t flags) {
    const std::size_t entries = std::size_t{2} << (flags & 0x07);
    return {in.Take(entries * 3)};
}

// Extension and image data come as sub-blocks: a length byte, that many
// bytes, and so on until a length of zero.
std::vector<std::uint8_t> ReadSubBlocks(Reader& in) {
    std::vector<std::uint8_t> data;
    while (const std::uint8_t length = in.Byte()) {
        const auto block = in.Take(length);
        data.insert(data.end(), block.begin(), block.end());
    }
    return data;
}

// Reads GIF's codes: packed least significant bit first, across byte borders.
class CodeReader {
public:
    explicit CodeReader(std::span<const std::uint8_t> data) : data_(data) {}

    bool Read(unsigned width, unsigned& code) {
        if (width > data_.size() * 8 - bit_)
            return false;
        code = 0;
        for (unsigned i = 0; i < width; ++i, ++bit_)
            code |= ((data_[bit_ / 8] >> (bit_ % 8)) & 1u) << i;
        return true;
    }

private:
    std::span<const std::uint8_t> data_;
    std::size_t bit_ = 0;
};

constexpr unsigned kMaxCodes = 4096; // codes are at most 12 bits wide

// Every string in the table is an earlier string plus one index, so each code
// keeps its prefix code, its last index, its first index and its length.
struct LzwTable {
    std::array<std::uint16_t, kMaxCodes> prefix{};
    std::array<std::uint16_t, kMaxCodes> length{};
    std::array<std::uint8_t, kMaxCodes> last{};
    std::array<std::uint8_t, kMaxCodes> first{};
};

// Writes the string of a code at the given position, dropping whatever would
// run past the end of the image; returns the number of indices written.
std::size_t Emit(const LzwTable& table, unsigned code, std::vector<std::uint8_t>& out,
                 std::size_t position) {
    const std::size_t length = table.length[code];
    const std::size_t room = std::min(length, out.size() - position);
    for (std::size_t i = length; i-- > 0; code = table.prefix[code]) {
        if (i < room)
            out[position + i] = table.last[code];
    }
    return room;
}

// The colour indices of an image of pixelCount pixels, or nothing when the
// data is damaged or ends before the image is complete. Indices past the end
// of the image are ignored.
std::optional<std::vector<std::uint8_t>> Decompress(std::span<const std::uint8_t> data,
                                                    unsigned minCodeSize, std::size_t pixelCount) {
    // The format allows 2 to 8 bits for the indices of a colour table of up
    // to 256 entries.
    if (minCodeSize < 2 || minCodeSize > 8)
        return std::nullopt;
    const unsigned clear = 1u << minCodeSize;
    const unsigned end = clear + 1;
    constexpr unsigned kNone = kMaxCodes;

    LzwTable table;
    for (unsigned index = 0; index < clear; ++index) {
        table.length[index] = 1;
        table.last[index] = table.first[index] = static_cast<std::uint8_t>(index);
    }
    unsigned next = end + 1;
    unsigned width = minCodeSize + 1;
    unsigned previous = kNone;

    std::vector<std::uint8_t> indices(pixelCount);
    std::size_t filled = 0;
    CodeReader codes(data);
    unsigned code = 0;
    while (filled < pixelCount && codes.Read(width, code)) {
        if (code == clear) {
            next = end + 1;
            width = minCodeSize + 1;
            previous = kNone;
            continue;
        }
        if (code == end)
            break;
        if (previous == kNone) {
            if (code > clear) // after a clear only a single index can come
                return std::nullopt;
        } else {
            if (code > next)
                return std::nullopt;
            // A full table stays as it is until the next clear code.
            if (next < kMaxCodes) {
                // code == next is the string the encoder has just made: the
                // previous string plus its own first index.
                table.prefix[next] = static_cast<std::uint16_t>(previous);
                table.length[next] = static_cast<std::uint16_t>(table.length[previous] + 1);
                table.first[next] = table.first[previous];
                table.last[next] = table.first[code == next ? previous : code];
                // The decoder learns each string one code after the encoder,
                // so the width grows as the table reaches the next power of two.
                if (++next == (1u << width) && width < 12)
                    ++width;
            }
        }
        filled += Emit(table, code, indices, filled);
        previous = code;
    }
    if (filled < pixelCount)
        return std::nullopt;
    return indices;
}

// Interlaced images send their rows in four passes: every eighth row from row
// 0, every eighth from row 4, every fourth from row 2, every second from row 1.
std::vector<std::uint8_t> Deinterlace(const std::vector<std::uint8_t>& sent, std::uint32_t width,
                                      std::uint32_t height) {
    struct Pass {
        std::uint32_t firstRow;
        std::uint32_t step;
    };
    constexpr Pass kPasses[] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};
    std::vector<std::uint8_t> rows(sent.size());
    auto source = sent.begin();
    for (const Pass pass : kPasses) {
        for (std::uint32_t row = pass.firstRow; row < height; row += pass.step, source += width)
            std::copy_n(source, width, rows.begin() + std::size_t{row} * width);
    }
    return rows;
}

struct Rect {
    std::uint32_t left = 0;
    std::uint32_t top = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

std::optional<Picture> Compose(std::uint32_t screenWidth, std::uint32_t screenHeight,
                               const Rect& image, const std::vector<std::uint8_t>& indices,
                               Palette palette, int transparent) {
    Picture picture{screenWidth, screenHeight,
                    std::vector<std::uint8_t>(std::size_t{screenWidth} * screenHeight * 4)};
    auto index = indices.begin();
    for (std::uint32_t y = 0; y < image.height; ++y) {
        for (std::uint32_t x = 0; x < image.width; ++x, ++index) {
            if (*index >= palette.Size())
                return std::nullopt;
            if (*index == transparent)
                continue; // stays 0,0,0,0
            const auto rgb = palette.rgb.subspan(std::size_t{*index} * 3, 3);
            const std::size_t pixel =
                (std::size_t{image.top + y} * screenWidth + image.left + x) * 4;
            picture.bgra[pixel] = rgb[2];
            picture.bgra[pixel + 1] = rgb[1];
            picture.bgra[pixel + 2] = rgb[0];
            picture.bgra[pixel + 3] = 255;
        }
    }
    return picture;
}

// From the image descriptor (after its introducer) to the picture.
std::optional<Picture> DecodeImage(Reader& in, std::uint32_t screenWidth,
                                   std::uint32_t screenHeight, Palette global, int transparent) {
    Rect image;
    image.left = in.Word();
    image.top = in.Word();
    image.width = in.Word();
    image.height = in.Word();
    const std::uint8_t flags = in.Byte();
    if (image.width == 0 || image.height == 0 || image.left + image.width > screenWidth ||
        image.top + image.height > screenHeight)
        return std::nullopt;
    const Palette palette = (flags & 0x80) ? ReadColourTable(in, flags) : global;
    const unsigned minCodeSize = in.Byte();
    const std::vector<std::uint8_t> data = ReadSubBlocks(in);
    // Something must follow the image, if only the trailer; without it the
    // file was cut short.
    const std::uint8_t following = in.Byte();
    if (in.Failed() || (following != kExtension && following != kImage && following != kTrailer))
        return std::nullopt;
    if (palette.Size() == 0 || transparent >= static_cast<int>(palette.Size()))
        return std::nullopt;

    auto indices = Decompress(data, minCodeSize, std::size_t{image.width} * image.height);
    if (!indices)
        return std::nullopt;
    if (flags & 0x40)
        indices = Deinterlace(*indices, image.width, image.height);
    return Compose(screenWidth, screenHeight, image, *indices, palette, transparent);
}

bool IsSignature(std::span<const std::uint8_t> header) {
    const std::string_view text(reinterpret_cast<const char*>(header.data()), header.size());
    return text == "GIF87a" || text == "GIF89a";
}

} // namespace

std::optional<Picture> Decode(std::span<const std::uint8_t> file) {
    Reader in(file);
    if (!IsSignature(in.Take(6)))
        return std::nullopt;
    const std::uint32_t screenWidth = in.Word();
    const std::uint32_t screenHeight = in.Word();
    const std::uint8_t flags = in.Byte();
    in.Take(2); // background colour, aspect ratio: a transparent emblem needs neither
    if (screenWidth == 0 || screenHeight == 0 || screenWidth > kMaxSide || screenHeight > kMaxSide)
        return std::nullopt;
    const Palette global = (flags & 0x80) ? ReadColourTable(in, flags) : Palette{};

    // Only the last graphic control extension before the image applies to it.
    int transparent = kNoTransparency;
    while (!in.Failed()) {
        const std::uint8_t block = in.Byte();
        if (block == kImage)
            return DecodeImage(in, screenWidth, screenHeight, global, transparent);
        if (block != kExtension)
            break; // the trailer before any image, or no GIF block at all
        const std::uint8_t label = in.Byte();
        const std::vector<std::uint8_t> data = ReadSubBlocks(in);
        if (label != kGraphicControl)
            continue;
        // Flags, delay (two bytes), transparent index.
        if (data.size() < 4)
            return std::nullopt;
        transparent = (data[0] & 0x01) ? data[3] : kNoTransparency;
    }
    return std::nullopt;
}

} // namespace Gif
