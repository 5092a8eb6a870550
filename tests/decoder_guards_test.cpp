// Files that the image library's decoders mishandle, found by fuzzing the loader: each is
// refused before the library reads it, while a sound file of the same kind still loads.
// Without the checks, the sanitizer build reports each as a read or write outside a buffer,
// a use of freed memory, or an allocation of gigabytes.

#include "gfx/image_file.h"
#include "support/picture_bytes.h"
#include "support/pictures.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

std::string Little16(int value) {
    return {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF)};
}

std::string Little32(std::uint32_t value) {
    return Little16(static_cast<int>(value & 0xFFFF)) + Little16(static_cast<int>(value >> 16));
}

std::string Big32(std::uint32_t value) {
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
            static_cast<char>(value >> 8), static_cast<char>(value)};
}

// An uncompressed or run-length coded true-colour TARGA header.
std::string TargaHeader(int width, int height, bool runLength, int idLength = 0, int bits = 24) {
    return std::string{static_cast<char>(idLength), 0, static_cast<char>(runLength ? 10 : 2)} +
           std::string(9, '\0') + Little16(width) + Little16(height) +
           std::string{static_cast<char>(bits), 0};
}

// A 4 x 4 TARGA 2.0 picture whose postage stamp declares stampWidth x stampHeight pixels
// and holds stampBytes bytes after its size; or, with stampOnLastByte, whose stamp is said to
// start at the last byte before the footer. The decoder gives a stamp the space from its
// start to the footer, extension area included.
std::string TargaWithStamp(int stampWidth, int stampHeight, int stampBytes,
                           bool stampOnLastByte = false) {
    constexpr std::size_t pixelBytes = 48; // 4 x 4 pixels of 3 bytes
    std::string file = TargaHeader(4, 4, false) + std::string(pixelBytes, '\x40');
    auto stampOffset = static_cast<std::uint32_t>(file.size());
    file += std::string{static_cast<char>(stampWidth), static_cast<char>(stampHeight)};
    file += std::string(static_cast<std::size_t>(stampBytes), '\x20');
    const auto extensionOffset = static_cast<std::uint32_t>(file.size());
    if (stampOnLastByte) {
        stampOffset = extensionOffset + 494;
    }
    file += Little16(495) + std::string(484, '\0') + Little32(stampOffset) + std::string(5, '\0');
    return file + Little32(extensionOffset) + Little32(0) + std::string("TRUEVISION-XFILE.\0", 18);
}

// An 8-bit grey Sun raster picture with a raw colour map that claims mapLength bytes and
// holds mapBytes.
std::string SunRasterWithMap(std::uint32_t mapLength, int mapBytes) {
    const std::string plain = SunRasterBytes(4, 2, false);
    std::string header = plain.substr(0, 24) + Big32(2) + Big32(mapLength);
    return header + std::string(static_cast<std::size_t>(mapBytes), '\x11') + plain.substr(32);
}

// A little-endian TIFF of 4 x 2 grey pixels, uncompressed in one strip, with the given
// layout of its samples; with a second directory when nextLayout is given (loaded as the
// thumbnail when the first points to Exif data).
struct TiffLayout {
    int bitsPerSample = 8;
    int samplesPerPixel = 1;
    int planes = 1; // 1 contiguous, 2 separate
};

std::string TiffDirectory(const TiffLayout& layout, std::uint32_t at, bool withExif,
                          std::uint32_t next) {
    constexpr int width = 4;
    constexpr int height = 2;
    const int stripBytes = (width * layout.bitsPerSample * layout.samplesPerPixel + 7) / 8 * height;
    const int entries = withExif ? 11 : 10;
    const std::uint32_t pixelsAt = at + 2 + 12 * entries + 4;
    const auto entry = [](int tag, int type, std::uint32_t value) {
        return Little16(tag) + Little16(type) + Little32(1) + Little32(value);
    };
    constexpr int shortType = 3;
    constexpr int longType = 4;
    std::string directory =
        Little16(entries) + entry(256, shortType, width) + entry(257, shortType, height) +
        entry(258, shortType, layout.bitsPerSample) + entry(262, shortType, 1) +
        entry(273, longType, pixelsAt) + entry(277, shortType, layout.samplesPerPixel) +
        entry(278, shortType, height) + entry(279, longType, stripBytes) +
        entry(284, shortType, layout.planes) + entry(339, shortType, 1);
    if (withExif) {
        directory += entry(34665, longType, 8); // read as the header: the tag is all that counts
    }
    return directory + Little32(next) + std::string(static_cast<std::size_t>(stripBytes), 'x');
}

std::string TiffBytes(const TiffLayout& layout, const TiffLayout* nextLayout = nullptr) {
    constexpr std::uint32_t firstAt = 8;
    const bool withNext = nextLayout != nullptr;
    const auto nextAt =
        withNext
            ? static_cast<std::uint32_t>(firstAt + TiffDirectory(layout, firstAt, true, 0).size())
            : 0;
    std::string file = std::string("II*\0", 4) + Little32(firstAt) +
                       TiffDirectory(layout, firstAt, withNext, nextAt);
    if (withNext) {
        file += TiffDirectory(*nextLayout, nextAt, false, 0);
    }
    return file;
}

TEST(DecoderGuards, TiffSamplesUnderAByteThatTheDecoderWouldCopyInStepsOfNoBytesAreRefused) {
    PictureFolder folder;
    EXPECT_TRUE(DecodeImageFile(folder.Write("grey.tif", TiffBytes({})).c_str()));
    EXPECT_TRUE(DecodeImageFile(folder.Write("bilevel.tif", TiffBytes({1, 1, 1})).c_str()));
    // Eight 1-bit samples are cut to four, half a byte a pixel.
    EXPECT_FALSE(DecodeImageFile(folder.Write("eight.tif", TiffBytes({1, 8, 1})).c_str()));
    // Planes are copied a sample at a time, here an eighth of a byte.
    EXPECT_FALSE(DecodeImageFile(folder.Write("planes.tif", TiffBytes({1, 1, 2})).c_str()));
    const TiffLayout eightBits{};
    EXPECT_TRUE(DecodeImageFile(folder.Write("thumb.tif", TiffBytes({}, &eightBits)).c_str()));
    const TiffLayout planes{1, 1, 2};
    EXPECT_FALSE(DecodeImageFile(folder.Write("bad-thumb.tif", TiffBytes({}, &planes)).c_str()));
}

TEST(DecoderGuards, TargaPostageStampsThatDoNotFitTheirSpaceAreRefused) {
    PictureFolder folder;
    EXPECT_TRUE(DecodeImageFile(folder.Write("fits.tga", TargaWithStamp(2, 2, 12)).c_str()));
    EXPECT_FALSE(DecodeImageFile(folder.Write("large.tga", TargaWithStamp(255, 255, 4)).c_str()));
    // A space of one byte, less the two of the stamp's size, wraps round to 2^64 - 1.
    EXPECT_FALSE(
        DecodeImageFile(folder.Write("wrapped.tga", TargaWithStamp(0, 0, 0, true)).c_str()));
}

TEST(DecoderGuards, RunLengthTargaPacketsMustCoverThePictureExactlyWithinTheFile) {
    PictureFolder folder;
    // A run of sixteen pixels for each of the four rows.
    std::string rows;
    for (int row = 0; row < 4; ++row) {
        rows += std::string("\x8F\x10\x20\x30", 4);
    }
    EXPECT_TRUE(DecodeImageFile(folder.Write("runs.tga", TargaHeader(16, 4, true) + rows).c_str()));
    // A start of the pixels past the end: the decoder would hand back a freed picture.
    EXPECT_FALSE(
        DecodeImageFile(folder.Write("long-id.tga", TargaHeader(16, 4, true, 200) + rows).c_str()));
    // Packets that end with the file before the picture does: the decoder goes on from
    // stale bytes.
    EXPECT_FALSE(DecodeImageFile(
        folder.Write("short.tga", TargaHeader(16, 4, true) + rows.substr(0, 6)).c_str()));
    // Rows of three 16-bit pixels are padded to eight bytes, so a run of four passes the
    // decoder's own check and writes its last pixel past the picture.
    const std::string pixel("\x1F\x7C", 2);
    EXPECT_TRUE(DecodeImageFile(
        folder.Write("three.tga", TargaHeader(3, 1, true, 0, 16) + "\x82" + pixel).c_str()));
    EXPECT_FALSE(DecodeImageFile(
        folder.Write("four.tga", TargaHeader(3, 1, true, 0, 16) + "\x83" + pixel).c_str()));
}

TEST(DecoderGuards, SunRasterSizesBeyondTheIntRangeAndColourMapsLongerThanTheFileAreRefused) {
    PictureFolder folder;
    EXPECT_TRUE(DecodeImageFile(folder.Write("map.ras", SunRasterWithMap(6, 6)).c_str()));
    EXPECT_FALSE(
        DecodeImageFile(folder.Write("huge-map.ras", SunRasterWithMap(0xF1000000, 6)).c_str()));
    // Read as an int, 2^32 - 129 is -129: a picture 129 pixels wide, rows of 65,407 bytes.
    std::string wraps = SunRasterBytes(4, 2, true);
    wraps.replace(4, 4, Big32(0xFFFFFF7F));
    EXPECT_FALSE(DecodeImageFile(folder.Write("wraps.ras", wraps).c_str()));
}

TEST(DecoderGuards, AnymapSizesBeyondTheIntRangeAreRefused) {
    PictureFolder folder;
    EXPECT_TRUE(DecodeImageFile(
        folder.Write("comment.pgm", "P5\n# made by hand\n3 2\n255\n" + std::string(6, 'x'))
            .c_str()));
    // Read as an int, 2^32 - 1 is -1: a picture one pixel wide whose rows the decoder reads
    // as if they were far wider.
    EXPECT_FALSE(DecodeImageFile(
        folder.Write("wraps.pbm", "P4\n4294967295\n2\n" + std::string(64, '\x55')).c_str()));
    EXPECT_FALSE(DecodeImageFile(
        folder.Write("wraps.pgm", "P5 #x\n3 4294967298 255\n" + std::string(64, 'x')).c_str()));
}

} // namespace
