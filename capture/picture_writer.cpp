#include "capture/picture_writer.h"

#include <FreeImage.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr int picturesWaiting = 2;
constexpr int sampleBytes = 2;

void PutLittleEndian(std::uint8_t* target, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        target[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::int16_t ToPcm(float sample) {
    const float clamped = std::clamp(sample, -1.0f, 1.0f);
    return static_cast<std::int16_t>(std::lround(clamped * 32767.0f));
}

// The frame without its fourth byte, rows still from the bottom as the library keeps them.
bool SavePng(const std::uint8_t* pixels, int width, int height, const std::string& path) {
    FIBITMAP* frame = FreeImage_ConvertFromRawBits(const_cast<BYTE*>(pixels), width, height,
                                                   width * 4, 32, FI_RGBA_RED_MASK,
                                                   FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK, FALSE);
    if (frame == nullptr) {
        return false;
    }
    FIBITMAP* opaque = FreeImage_ConvertTo24Bits(frame);
    FreeImage_Unload(frame);
    if (opaque == nullptr) {
        return false;
    }
    const bool saved = FreeImage_Save(FIF_PNG, opaque, path.c_str(), PNG_Z_BEST_SPEED) == TRUE;
    FreeImage_Unload(opaque);
    return saved;
}

} // namespace

WavFile::~WavFile() {
    Close();
}

bool WavFile::Open(const std::string& path, int sampleRate, int channelCount) {
    rate = sampleRate;
    channels = channelCount;
    dataBytes = 0;
    file = std::fopen(path.c_str(), "wb");
    ok = file != nullptr && WriteHeader(0);
    return ok;
}

bool WavFile::WriteHeader(std::uint32_t bytes) {
    std::array<std::uint8_t, 44> header{};
    const auto frameBytes = static_cast<std::uint32_t>(channels * sampleBytes);
    std::memcpy(&header[0], "RIFF", 4);
    PutLittleEndian(&header[4], 36 + bytes, 4);
    std::memcpy(&header[8], "WAVEfmt ", 8);
    PutLittleEndian(&header[16], 16, 4);
    PutLittleEndian(&header[20], 1, 2); // integer PCM
    PutLittleEndian(&header[22], static_cast<std::uint32_t>(channels), 2);
    PutLittleEndian(&header[24], static_cast<std::uint32_t>(rate), 4);
    PutLittleEndian(&header[28], static_cast<std::uint32_t>(rate) * frameBytes, 4);
    PutLittleEndian(&header[32], frameBytes, 2);
    PutLittleEndian(&header[34], 8 * sampleBytes, 2);
    std::memcpy(&header[36], "data", 4);
    PutLittleEndian(&header[40], bytes, 4);
    return std::fseek(file, 0, SEEK_SET) == 0 &&
           std::fwrite(header.data(), 1, header.size(), file) == header.size();
}

bool WavFile::Write(const float* samples, int frames) {
    if (file == nullptr || !ok) {
        return false;
    }
    const std::size_t count = static_cast<std::size_t>(frames) * channels;
    std::vector<std::uint8_t> bytes(count * sampleBytes);
    for (std::size_t i = 0; i < count; ++i) {
        PutLittleEndian(&bytes[i * sampleBytes], static_cast<std::uint16_t>(ToPcm(samples[i])),
                        sampleBytes);
    }
    ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    dataBytes += bytes.size();
    return ok;
}

bool WavFile::Close() {
    if (file == nullptr) {
        return ok;
    }
    // A RIFF file holds at most 4 GiB; longer sound keeps the largest whole size.
    const auto bytes = static_cast<std::uint32_t>(std::min<std::uint64_t>(dataBytes, 0xFFFFFFD0u));
    ok = WriteHeader(bytes) && ok;
    ok = std::fclose(file) == 0 && ok;
    file = nullptr;
    return ok;
}

PictureWriter::PictureWriter(std::string pictureFolder)
    : folder(std::move(pictureFolder)), writer(picturesWaiting) {}

PictureWriter::~PictureWriter() {
    writer.Drain();
}

void PictureWriter::Fail(const std::string& reason) {
    const std::lock_guard<std::mutex> lock(errorMutex);
    if (firstError.empty()) {
        firstError = reason;
    }
    failed = true;
}

void PictureWriter::StartAudio(int rate, int channels) {
    const std::string path = folder + "/" + musicFile;
    musicOpen = music.Open(path, rate, channels);
    if (!musicOpen) {
        Fail("cannot write " + path + ": " + std::strerror(errno));
    }
}

void PictureWriter::WriteFrame(const CapturedFrame& frame, const std::string& name) {
    if (failed) {
        return;
    }
    const std::size_t bytes = static_cast<std::size_t>(frame.width) * frame.height * 4;
    Buffer pixels = writer.TakeBuffer(bytes);
    std::memcpy(pixels.data(), frame.pixels, bytes);
    writer.Post([this, width = frame.width, height = frame.height, path = folder + "/" + name,
                 data = std::move(pixels)]() mutable {
        if (!SavePng(data.data(), width, height, path)) {
            Fail("cannot write " + path);
        }
        writer.GiveBack(std::move(data));
    });
}

void PictureWriter::WriteAudio(const float* samples, int frames) {
    if (musicOpen && !music.Write(samples, frames)) {
        Fail("cannot write " + folder + "/" + musicFile + ": " + std::strerror(errno));
    }
}

bool PictureWriter::Finish(std::string* error) {
    writer.Drain();
    if (musicOpen && !music.Close()) {
        Fail("cannot write " + folder + "/" + musicFile);
    }
    musicOpen = false;
    const std::lock_guard<std::mutex> lock(errorMutex);
    *error = firstError;
    return firstError.empty();
}
