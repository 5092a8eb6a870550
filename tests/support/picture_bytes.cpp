#include "support/picture_bytes.h"

#include <cstdint>

namespace {

int Level(int x, int y) {
    return (x * 7 + y * 13) % 256;
}

void PutLittle16(std::string& bytes, std::size_t at, int value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void AppendBig32(std::string& bytes, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        bytes += static_cast<char>((value >> shift) & 0xFF);
    }
}

// Runs of up to limit equal bytes, each as run(count, value) or, alone, literal(value).
template <typename Run, typename Literal>
void EncodeRuns(const std::string& row, int limit, Run run, Literal literal) {
    for (std::size_t i = 0; i < row.size();) {
        std::size_t end = i + 1;
        while (end < row.size() && row[end] == row[i] && static_cast<int>(end - i) < limit) {
            ++end;
        }
        const int count = static_cast<int>(end - i);
        const auto value = static_cast<unsigned char>(row[i]);
        if (count > 1) {
            run(count, value);
        } else {
            literal(value);
        }
        i = end;
    }
}

std::string GreyRow(int width, int y, int paddedWidth) {
    std::string row(static_cast<std::size_t>(paddedWidth), '\0');
    for (int x = 0; x < width; ++x) {
        row[static_cast<std::size_t>(x)] = static_cast<char>(Level(x, y));
    }
    return row;
}

} // namespace

std::string KoalaBytes(bool withLoadAddress) {
    std::string bytes = withLoadAddress ? std::string("\x00\x60", 2) : std::string();
    for (int i = 0; i < 8000; ++i) { // bitmap: four 2-bit pixels a byte
        bytes += static_cast<char>(Level(i % 320, i / 320));
    }
    bytes += std::string(1000, '\x12'); // colours 1 and 2 of each cell
    bytes += std::string(1000, '\x03'); // colour 3
    bytes += '\x06';                    // background
    return bytes;
}

std::string PhotoCdBytes() {
    constexpr int width = 768;
    constexpr int height = 512;
    std::string bytes(0x30000, '\0');
    for (int y = 0; y < height; y += 2) {
        bytes += GreyRow(width, y, width);                   // luma of the upper row
        bytes += GreyRow(width, y + 1, width);               // luma of the lower row
        bytes += std::string(width, static_cast<char>(140)); // both chroma halves, near grey
    }
    return bytes;
}

std::string PcxBytes(int width, int height, bool runLength) {
    const int bytesPerLine = (width + 1) / 2 * 2;
    std::string bytes(128, '\0');
    bytes[0] = 0x0A; // manufacturer
    bytes[1] = 5;    // version
    bytes[2] = runLength ? 1 : 0;
    bytes[3] = 8; // bits per pixel
    PutLittle16(bytes, 8, width - 1);
    PutLittle16(bytes, 10, height - 1);
    bytes[65] = 1; // planes
    PutLittle16(bytes, 66, bytesPerLine);
    PutLittle16(bytes, 68, 2); // grey palette
    for (int y = 0; y < height; ++y) {
        const std::string row = GreyRow(width, y, bytesPerLine);
        if (!runLength) {
            bytes += row;
            continue;
        }
        // A count byte has its top two bits set, so a value with them set is a run of one.
        EncodeRuns(
            row, 63,
            [&bytes](int count, unsigned char value) {
                bytes += static_cast<char>(0xC0 | count);
                bytes += static_cast<char>(value);
            },
            [&bytes](unsigned char value) {
                if (value >= 0xC0) {
                    bytes += static_cast<char>(0xC1);
                }
                bytes += static_cast<char>(value);
            });
    }
    bytes += '\x0C';
    for (int i = 0; i < 256; ++i) {
        bytes += std::string(3, static_cast<char>(i));
    }
    return bytes;
}

std::string SunRasterBytes(int width, int height, bool runLength) {
    constexpr std::uint32_t magic = 0x59A66A95;
    const int paddedWidth = (width + 1) / 2 * 2; // rows are whole 16-bit words
    std::string data;
    for (int y = 0; y < height; ++y) {
        const std::string row = GreyRow(width, y, paddedWidth);
        if (!runLength) {
            data += row;
            continue;
        }
        // 0x80 escapes: 0x80 0 is the byte 0x80 itself, 0x80 n v is n + 1 bytes v.
        EncodeRuns(
            row, 256,
            [&data](int count, unsigned char value) {
                data += static_cast<char>(0x80);
                data += static_cast<char>(count - 1);
                data += static_cast<char>(value);
            },
            [&data](unsigned char value) {
                data += static_cast<char>(value);
                if (value == 0x80) {
                    data += '\0';
                }
            });
    }
    std::string bytes;
    for (const std::uint32_t field :
         {magic, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height), 8u,
          static_cast<std::uint32_t>(data.size()), runLength ? 2u : 1u, 0u, 0u}) {
        AppendBig32(bytes, field);
    }
    return bytes + data;
}

std::string WithDeclaredSize(std::string jpeg, int width, int height) {
    // Markers follow the start of image, each with a big-endian length after its code.
    std::size_t at = 2;
    while (at + 9 < jpeg.size() && static_cast<unsigned char>(jpeg[at]) == 0xFF) {
        const auto marker = static_cast<unsigned char>(jpeg[at + 1]);
        if (marker >= 0xC0 && marker <= 0xC2) {
            jpeg[at + 5] = static_cast<char>((height >> 8) & 0xFF);
            jpeg[at + 6] = static_cast<char>(height & 0xFF);
            jpeg[at + 7] = static_cast<char>((width >> 8) & 0xFF);
            jpeg[at + 8] = static_cast<char>(width & 0xFF);
            break;
        }
        at += 2 + (static_cast<unsigned char>(jpeg[at + 2]) << 8 |
                   static_cast<unsigned char>(jpeg[at + 3]));
    }
    return jpeg;
}
