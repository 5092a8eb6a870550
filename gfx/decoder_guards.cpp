#include "gfx/decoder_guards.h"

#include "gfx/image_file.h"

#include <tiffio.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

namespace {

std::uint32_t Little16(const unsigned char* bytes) {
    return bytes[0] | bytes[1] << 8;
}

std::uint32_t Little32(const unsigned char* bytes) {
    return Little16(bytes) | Little16(bytes + 2) << 16;
}

std::uint32_t Big32(const unsigned char* bytes) {
    return bytes[3] | bytes[2] << 8 | bytes[1] << 16 | static_cast<std::uint32_t>(bytes[0]) << 24;
}

bool ReadAt(std::FILE* file, long offset, unsigned char* bytes, std::size_t count) {
    return std::fseek(file, offset, SEEK_SET) == 0 && std::fread(bytes, 1, count, file) == count;
}

long LengthOf(std::FILE* file) {
    return std::fseek(file, 0, SEEK_END) == 0 ? std::ftell(file) : -1;
}

namespace targa {

constexpr long headerBytes = 18;
constexpr long footerBytes = 26;
constexpr long extensionBytes = 495;
constexpr long stampOffsetAt = 486; // in the extension area
constexpr char signature[] = "TRUEVISION-XFILE.";

// A TARGA 2.0 file may hold a small copy of its picture, the postage stamp, in the space
// before its footer. The decoder copies as many bytes as the stamp's own size needs from
// that space without comparing the two, and takes the space less two bytes as the stamp's
// data, which wraps round below two. The extension area that says where the stamp is must
// lie whole in the file, or the decoder goes on from uninitialised memory.
bool StampFits(std::FILE* file, long length, const unsigned char* header) {
    unsigned char footer[footerBytes];
    if (length < headerBytes + footerBytes ||
        !ReadAt(file, length - footerBytes, footer, sizeof(footer)) ||
        std::memcmp(footer + 8, signature, sizeof(signature)) != 0) {
        return true; // no TARGA 2.0 footer: the decoder reads no stamp
    }
    const long footerOffset = length - footerBytes;
    const std::uint32_t extensionOffset = Little32(footer);
    if (extensionOffset == 0) {
        return true;
    }
    unsigned char extension[extensionBytes];
    if (extensionOffset > static_cast<std::uint32_t>(length - extensionBytes) ||
        !ReadAt(file, static_cast<long>(extensionOffset), extension, sizeof(extension))) {
        return false;
    }
    const std::uint32_t stampOffset = Little32(extension + stampOffsetAt);
    if (stampOffset == 0 || stampOffset >= static_cast<std::uint32_t>(footerOffset)) {
        return true; // the decoder looks for no stamp
    }
    const long space = footerOffset - static_cast<long>(stampOffset);
    unsigned char stampSize[2];
    if (space < 2 || !ReadAt(file, static_cast<long>(stampOffset), stampSize, sizeof(stampSize))) {
        return false;
    }
    const long pixelBits = header[16];
    return pixelBits * stampSize[0] / 8 * stampSize[1] <= space - 2;
}

// Where the decoder takes the pixels to start: after the header and the picture's name,
// and after the colour map for 8 and 16 bits only.
long PixelsAt(const unsigned char* header) {
    const int bits = header[16];
    const bool mapped = header[1] != 0 && (bits == 8 || bits == 15 || bits == 16);
    const long mapBytes = static_cast<long>(Little16(header + 5)) * ((header[7] + 7) / 8);
    return headerBytes + header[0] + (mapped ? mapBytes : 0);
}

// The run-length decoder reads through a buffer of the bytes after the pixels' start
// divided by the rows: less than a pixel a row and it reads past the buffer; a start past
// the file's end and it cannot make the buffer and hands back the picture it has just
// freed. It stops a packet from writing past the picture only where rows have no padding,
// and it goes on from its buffer's stale bytes after the file's end. So the packets must
// cover the picture exactly, within the file.
bool RunsFillThePicture(std::FILE* file, long length, const unsigned char* header) {
    const int imageType = header[2];
    if (imageType < 9 || imageType > 11) {
        return true;
    }
    const long width = Little16(header + 12);
    const long height = Little16(header + 14);
    const long largest = largestPictureSide;
    if (width > largest || height > largest) {
        return true; // refused by its size before it is decoded
    }
    const long pixelBytes = header[16] == 15 ? 2 : header[16] / 8;
    if (pixelBytes == 0) {
        return true; // pictures of fewer bits are not decoded
    }
    const long pixelsAt = PixelsAt(header);
    if (length - pixelsAt < height * pixelBytes || std::fseek(file, pixelsAt, SEEK_SET) != 0) {
        return false;
    }
    const long long pixels = static_cast<long long>(width) * height;
    long long done = 0;
    while (done < pixels) {
        const int packet = std::fgetc(file);
        if (packet == EOF) {
            return false;
        }
        const long count = (packet & 0x7F) + 1;
        const long bytes = (packet & 0x80) != 0 ? pixelBytes : count * pixelBytes;
        if (std::fseek(file, bytes, SEEK_CUR) != 0 || std::ftell(file) > length) {
            return false;
        }
        done += count;
    }
    return done == pixels;
}

bool CanBeRead(std::FILE* file) {
    unsigned char header[headerBytes];
    const long length = LengthOf(file);
    if (length < headerBytes || !ReadAt(file, 0, header, sizeof(header))) {
        return true; // too short for a header: the decoder refuses it itself
    }
    return StampFits(file, length, header) && RunsFillThePicture(file, length, header);
}

} // namespace targa

namespace sunRaster {

constexpr long headerBytes = 32;

// The decoder sizes the picture by the magnitudes of the width and height read as ints,
// but its rows by the header's own values: a width of 2^32 - 129 makes a picture 129
// pixels wide and rows written far beyond it. It also allocates the colour map at the
// length the header gives, up to 4 GiB, and reads into it without looking whether the
// allocation was made.
bool CanBeRead(std::FILE* file) {
    unsigned char header[headerBytes];
    const long length = LengthOf(file);
    if (length < headerBytes || !ReadAt(file, 0, header, sizeof(header))) {
        return true;
    }
    const std::uint32_t width = Big32(header + 4);
    const std::uint32_t height = Big32(header + 8);
    const std::uint32_t mapType = Big32(header + 24);
    const std::uint32_t mapLength = Big32(header + 28);
    return width <= largestPictureSide && height <= largestPictureSide &&
           (mapType == 0 || mapLength <= static_cast<std::uint32_t>(length - headerBytes));
}

} // namespace sunRaster

namespace anymap {

// The next number as the decoder reads it: anything but digits before it is skipped, and
// a '#' skips to the end of its line. Digits beyond the int range would wrap round in the
// decoder; here the number just stays above the range. -1 at the file's end.
long NextNumber(std::FILE* file) {
    int c = std::fgetc(file);
    while (c != EOF && (c < '0' || c > '9')) {
        if (c == '#') {
            while (c != EOF && c != '\n') {
                c = std::fgetc(file);
            }
        }
        c = std::fgetc(file);
    }
    if (c == EOF) {
        return -1;
    }
    // Beyond any accepted size, and ten times it still fits a 32-bit long.
    constexpr long beyondAnySize = 1L << 24;
    long number = 0;
    for (; c >= '0' && c <= '9'; c = std::fgetc(file)) {
        number = std::min(number * 10 + (c - '0'), beyondAnySize);
    }
    return number;
}

// The decoder reads the width and height into ints that wrap round, and then sizes the
// picture by their magnitudes but its reads of the rows by the values themselves: a width
// of 2^32 - 1 becomes a picture one pixel wide and rows read far beyond it.
bool CanBeRead(std::FILE* file) {
    unsigned char magic[2];
    if (!ReadAt(file, 0, magic, sizeof(magic)) || magic[0] != 'P' || magic[1] < '1' ||
        magic[1] > '6') {
        return true; // not a portable anymap: the decoder refuses it itself
    }
    const long width = NextNumber(file);
    const long height = NextNumber(file);
    const long largest = largestPictureSide;
    return width <= largest && height <= largest;
}

} // namespace anymap

namespace tiffFile {

// The decoder reads through the same TIFF library, so the file is opened here as it opens
// it, from the start of the file it is about to read.
tmsize_t Read(thandle_t file, void* buffer, tmsize_t size) {
    return static_cast<tmsize_t>(
        std::fread(buffer, 1, static_cast<std::size_t>(size), static_cast<std::FILE*>(file)));
}

tmsize_t Write(thandle_t /*file*/, void* /*buffer*/, tmsize_t /*size*/) {
    return 0;
}

toff_t Seek(thandle_t file, toff_t offset, int whence) {
    auto* const stream = static_cast<std::FILE*>(file);
    if (offset > static_cast<toff_t>(LONG_MAX) ||
        std::fseek(stream, static_cast<long>(offset), whence) != 0) {
        return static_cast<toff_t>(-1);
    }
    return static_cast<toff_t>(std::ftell(stream));
}

int Close(thandle_t /*file*/) {
    return 0;
}

toff_t Size(thandle_t file) {
    auto* const stream = static_cast<std::FILE*>(file);
    const long at = std::ftell(stream);
    const long length = LengthOf(stream);
    std::fseek(stream, at, SEEK_SET);
    return static_cast<toff_t>(std::max(length, 0L));
}

int Map(thandle_t /*file*/, void** /*base*/, toff_t* /*size*/) {
    return 0;
}

void Unmap(thandle_t /*file*/, void* /*base*/, toff_t /*size*/) {}

// The decoder copies a strip into its picture in steps of whole bytes: a pixel at a time,
// or a sample at a time from separate planes. A pixel of more than four samples under 8
// bits, which it cuts to four and so to less than a byte, or a sample under 8 bits in
// separate planes, is a step of no bytes: the library stops the program on an assertion,
// and built without them would never end the copy.
bool DirectoryCanBeRead(TIFF* file) {
    std::uint16_t bitsPerSample = 1;
    std::uint16_t samplesPerPixel = 1;
    std::uint16_t planes = PLANARCONFIG_CONTIG;
    TIFFGetField(file, TIFFTAG_BITSPERSAMPLE, &bitsPerSample);
    TIFFGetField(file, TIFFTAG_SAMPLESPERPIXEL, &samplesPerPixel);
    TIFFGetFieldDefaulted(file, TIFFTAG_PLANARCONFIG, &planes);
    constexpr int samplesKept = 4;
    return bitsPerSample >= 8 ||
           (samplesPerPixel <= samplesKept && planes != PLANARCONFIG_SEPARATE);
}

// The picture's directory, and those the decoder may read as its thumbnail: the next one,
// and the first of its sub-directories.
bool CanBeRead(std::FILE* file) {
    TIFF* const tiff = TIFFClientOpen("", "rm", file, Read, Write, Seek, Close, Size, Map, Unmap);
    if (tiff == nullptr) {
        return true; // the decoder cannot open it either
    }
    bool safe = DirectoryCanBeRead(tiff);
    std::uint16_t subDirectories = 0;
    toff_t* subDirectoryOffsets = nullptr;
    if (safe && TIFFGetField(tiff, TIFFTAG_SUBIFD, &subDirectories, &subDirectoryOffsets) != 0 &&
        subDirectories > 0) {
        const toff_t firstSubDirectory = subDirectoryOffsets[0];
        safe = TIFFSetSubDirectory(tiff, firstSubDirectory) == 0 || DirectoryCanBeRead(tiff);
        safe = safe && TIFFSetDirectory(tiff, 0) != 0;
    }
    if (safe && TIFFReadDirectory(tiff) != 0) {
        safe = DirectoryCanBeRead(tiff);
    }
    TIFFClose(tiff);
    return safe;
}

} // namespace tiffFile

} // namespace

bool DecoderCanReadSafely(FREE_IMAGE_FORMAT format, std::FILE* file) {
    bool safe = true;
    if (format == FIF_TARGA) {
        safe = targa::CanBeRead(file);
    } else if (format == FIF_RAS) {
        safe = sunRaster::CanBeRead(file);
    } else if (format == FIF_PBM || format == FIF_PGM || format == FIF_PPM) {
        safe = anymap::CanBeRead(file);
    } else if (format == FIF_TIFF) {
        safe = tiffFile::CanBeRead(file);
    }
    std::rewind(file);
    return safe;
}
