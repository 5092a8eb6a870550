#include "platform/win32/mp3_layout.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// The most music data that a frame may take from the frames before it.
constexpr int reservoirBytes = 511;
// Frames before the target whose decoding its own output depends on: the overlap of the
// transform and the synthesis filter reach one frame back; one more for safety.
constexpr int overlapFrames = 2;

struct FrameHeader {
    bool mpeg1;
    bool crc;
    int rate;
    int channels;
    int bitrate;
    int bytes;
    int samples;
    int sideInfoBytes;
};

constexpr std::array<int, 15> mpeg1Kbps = {0,   32,  40,  48,  56,  64,  80, 96,
                                           112, 128, 160, 192, 224, 256, 320};
constexpr std::array<int, 15> mpeg2Kbps = {0,  8,  16, 24,  32,  40,  48, 56,
                                           64, 80, 96, 112, 128, 144, 160};
constexpr std::array<int, 3> mpeg1Rates = {44100, 48000, 32000};

// A Layer-3 frame header at at; free-format frames (bitrate index 0) are not taken.
bool ReadHeader(const std::vector<std::uint8_t>& bytes, std::size_t at, FrameHeader* header) {
    if (at + 4 > bytes.size() || bytes[at] != 0xFF || (bytes[at + 1] & 0xE0) != 0xE0) {
        return false;
    }
    const int version = (bytes[at + 1] >> 3) & 3; // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
    const int layer = (bytes[at + 1] >> 1) & 3;   // 1: Layer III
    const int bitrateIndex = bytes[at + 2] >> 4;
    const int rateIndex = (bytes[at + 2] >> 2) & 3;
    const int padding = (bytes[at + 2] >> 1) & 1;
    const bool mono = (bytes[at + 3] >> 6) == 3;
    if (version == 1 || layer != 1 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) {
        return false;
    }
    header->mpeg1 = version == 3;
    header->crc = (bytes[at + 1] & 1) == 0;
    header->rate = mpeg1Rates[static_cast<std::size_t>(rateIndex)] / (header->mpeg1  ? 1
                                                                      : version == 2 ? 2
                                                                                     : 4);
    header->channels = mono ? 1 : 2;
    header->bitrate =
        (header->mpeg1 ? mpeg1Kbps : mpeg2Kbps)[static_cast<std::size_t>(bitrateIndex)] * 1000;
    header->samples = header->mpeg1 ? 1152 : 576;
    header->bytes = header->samples / 8 * header->bitrate / header->rate + padding;
    header->sideInfoBytes = header->mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    return true;
}

bool SameStream(const FrameHeader& a, const FrameHeader& b) {
    return a.mpeg1 == b.mpeg1 && a.rate == b.rate && a.channels == b.channels;
}

// Past an ID3v2 tag at the start, whose size is kept in four 7-bit bytes.
std::size_t AfterId3Tag(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() < 10 || std::memcmp(bytes.data(), "ID3", 3) != 0) {
        return 0;
    }
    std::size_t size = 0;
    for (int i = 6; i < 10; ++i) {
        size = (size << 7) | (bytes[static_cast<std::size_t>(i)] & 0x7F);
    }
    const bool footer = (bytes[5] & 0x10) != 0;
    return 10 + size + (footer ? 10 : 0);
}

// The first frame that the next one confirms, or that ends the file, from at on.
bool FindFirstFrame(const std::vector<std::uint8_t>& bytes, std::size_t* at, FrameHeader* first) {
    for (std::size_t position = *at; position + 4 <= bytes.size(); ++position) {
        FrameHeader header{};
        if (!ReadHeader(bytes, position, &header)) {
            continue;
        }
        const std::size_t next = position + static_cast<std::size_t>(header.bytes);
        FrameHeader following{};
        if (next == bytes.size() ||
            (ReadHeader(bytes, next, &following) && SameStream(header, following))) {
            *at = position;
            *first = header;
            return true;
        }
    }
    return false;
}

std::uint32_t BigEndian32(const std::uint8_t* bytes) {
    return (static_cast<std::uint32_t>(bytes[0]) << 24) |
           (static_cast<std::uint32_t>(bytes[1]) << 16) |
           (static_cast<std::uint32_t>(bytes[2]) << 8) | bytes[3];
}

struct EncoderTag {
    bool found = false;       // a Xing or Info frame, which holds no music
    bool gapless = false;     // the encoder's extension names its delay and padding
    std::int64_t frames = -1; // audio frames, the tag frame not counted
    int delay = 0;
    int padding = 0;
};

// The tag that an encoder writes in place of the first frame's music.
EncoderTag ReadEncoderTag(const std::vector<std::uint8_t>& bytes, std::size_t frameStart,
                          const FrameHeader& frame) {
    EncoderTag tag;
    std::size_t at = frameStart + 4 + static_cast<std::size_t>(frame.sideInfoBytes);
    const std::size_t frameEnd = frameStart + static_cast<std::size_t>(frame.bytes);
    if (at + 8 > frameEnd ||
        (std::memcmp(&bytes[at], "Xing", 4) != 0 && std::memcmp(&bytes[at], "Info", 4) != 0)) {
        return tag;
    }
    tag.found = true;
    const std::uint32_t fields = BigEndian32(&bytes[at + 4]);
    at += 8;
    if ((fields & 1) != 0 && at + 4 <= frameEnd) {
        tag.frames = BigEndian32(&bytes[at]);
        at += 4;
    }
    at += (fields & 2) != 0 ? 4 : 0;   // bytes
    at += (fields & 4) != 0 ? 100 : 0; // table of contents
    at += (fields & 8) != 0 ? 4 : 0;   // quality
    // The encoder's extension: its name, and the delay and padding 21 bytes on, 12 bits each.
    if (tag.frames >= 0 && at + 24 <= frameEnd && std::memcmp(&bytes[at], "LAME", 4) == 0) {
        const std::uint8_t* delays = &bytes[at + 21];
        tag.delay = (delays[0] << 4) | (delays[1] >> 4);
        tag.padding = ((delays[1] & 0x0F) << 8) | delays[2];
        tag.gapless = true;
    }
    return tag;
}

} // namespace

bool ReadMp3Layout(const std::vector<std::uint8_t>& bytes, Mp3Layout* layout) {
    layout->frameStarts.clear();
    layout->dataBytes.clear();
    std::size_t at = AfterId3Tag(bytes);
    FrameHeader first{};
    if (!FindFirstFrame(bytes, &at, &first)) {
        return false;
    }
    const EncoderTag tag = ReadEncoderTag(bytes, at, first);
    if (tag.found) {
        at += static_cast<std::size_t>(first.bytes);
    }
    const std::size_t audioStart = at;
    std::int64_t frames = 0;
    FrameHeader header{};
    FrameHeader audioFirst = first;
    // Frames follow each other to the end, or to a tag or damage after the last.
    while (ReadHeader(bytes, at, &header) && SameStream(first, header) &&
           at + static_cast<std::size_t>(header.bytes) <= bytes.size()) {
        if (frames == 0) {
            audioFirst = header;
        }
        layout->frameStarts.push_back(static_cast<std::int64_t>(at));
        layout->dataBytes.push_back(header.bytes - 4 - header.sideInfoBytes - (header.crc ? 2 : 0));
        at += static_cast<std::size_t>(header.bytes);
        ++frames;
    }
    if (frames == 0) {
        return false;
    }
    layout->rate = first.rate;
    layout->channels = first.channels;
    layout->samplesPerFrame = first.samples;
    layout->bitrate = audioFirst.bitrate;
    layout->frameBytes = audioFirst.bytes;
    layout->mpeg1 = first.mpeg1;
    layout->audioStart = static_cast<std::int64_t>(audioStart);
    layout->audioEnd = static_cast<std::int64_t>(at);
    layout->frames = frames;
    const std::int64_t decoded = frames * first.samples;
    layout->musicStart = 0;
    layout->musicEnd = decoded;
    if (tag.gapless) {
        // As the tag's frames would decode, however many of them the file still holds.
        layout->musicStart = std::min<std::int64_t>(tag.delay + decoderDelay, decoded);
        layout->musicEnd = std::clamp<std::int64_t>(
            tag.frames * first.samples - tag.padding + decoderDelay, layout->musicStart, decoded);
    }
    return true;
}

std::int64_t DecodingStartFor(const Mp3Layout& layout, std::int64_t target) {
    std::int64_t start = std::clamp<std::int64_t>(target - overlapFrames, 0, layout.frames);
    for (int reservoir = 0; start > 0 && reservoir < reservoirBytes;) {
        --start;
        reservoir += layout.dataBytes[static_cast<std::size_t>(start)];
    }
    return start;
}
