#pragma once

// What the offscreen backend hands on as the show runs: the frames it was asked for and the
// music that the sound layer pulled, in the order of the virtual clock.

#include <cstdint>

struct CapturedFrame {
    std::int64_t index; // from 0
    std::uint32_t timeMs;
    int width;
    int height;
    // width x height pixels of 4 bytes, blue, green, red and a byte to ignore; rows from the
    // bottom. Valid during the call only.
    const std::uint8_t* pixels;
};

class CaptureSink {
public:
    virtual ~CaptureSink() = default;

    // Whether the frame drawn at timeMs is to be read back.
    virtual bool WantsFrame(std::int64_t index, std::uint32_t timeMs) = 0;
    virtual void TakeFrame(const CapturedFrame& frame) = 0;
    // Before the first samples: their format, interleaved 32-bit floats.
    virtual void StartAudio(int rate, int channels) = 0;
    virtual void TakeAudio(const float* samples, int frames) = 0;
    // After frame index and the music up to the next frame. False once the capture wants no
    // more: the backend then closes the window, as the user would.
    virtual bool FrameDone(std::int64_t index) = 0;
};
