#pragma once

// The layout of an MPEG Layer-3 file as a decoder that knows nothing of gapless playback
// sees it, and which of its decoded samples are the music. Found from the frame headers and
// the encoder's tag alone, so that a codec that decodes plain frames plays exactly what a
// gapless decoder plays: the tag frame is not decoded, and the encoder's delay with the
// decoder's own and the padding are cut off.

#include <cstdint>
#include <vector>

struct Mp3Layout {
    int rate = 0;
    int channels = 0;
    int samplesPerFrame = 0;
    int bitrate = 0;             // of the first audio frame, in bits a second
    int frameBytes = 0;          // of the first audio frame
    bool mpeg1 = true;           // else MPEG-2 or 2.5, half the samples a frame
    std::int64_t audioStart = 0; // the first audio frame, after any ID3v2 tag and tag frame
    std::int64_t audioEnd = 0;   // past the last whole audio frame
    std::int64_t frames = 0;     // whole audio frames
    // Where each audio frame starts, and the bytes of music data it carries after its header
    // and side information, which later frames may draw on.
    std::vector<std::int64_t> frameStarts;
    std::vector<int> dataBytes;
    // Of the samples that the frames decode to, from the first: [musicStart, musicEnd).
    std::int64_t musicStart = 0;
    std::int64_t musicEnd = 0;

    std::int64_t MusicFrames() const { return musicEnd - musicStart; }
};

// The decoder's own delay before the first sample of the first frame comes out, which the
// encoder's tag leaves to the decoder to take off.
constexpr int decoderDelay = 529;

// False when bytes hold no run of Layer-3 frames.
bool ReadMp3Layout(const std::vector<std::uint8_t>& bytes, Mp3Layout* layout);

// The frame to start decoding at so that frame target comes out as from a decoder that
// started at the first: far enough back that the frames before target, whose decoded ends
// overlap its start, have the music data that they draw on from the frames before them
// (the bit reservoir holds up to 511 bytes).
std::int64_t DecodingStartFor(const Mp3Layout& layout, std::int64_t target);
