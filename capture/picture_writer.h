#pragma once

// A capture as PNG pictures and a WAV file of the music, in one folder. Pictures are
// compressed on a thread of their own.

#include "capture/background_writer.h"
#include "capture/capture_output.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>

// 16-bit PCM; the sizes in its header are written when it is closed.
class WavFile {
public:
    WavFile() = default;
    ~WavFile();
    WavFile(const WavFile&) = delete;
    WavFile& operator=(const WavFile&) = delete;

    bool Open(const std::string& path, int rate, int channels);
    bool Write(const float* samples, int frames);
    bool Close();

private:
    bool WriteHeader(std::uint32_t dataBytes);

    std::FILE* file = nullptr;
    int rate = 0;
    int channels = 0;
    std::uint64_t dataBytes = 0;
    bool ok = true;
};

class PictureWriter final : public CaptureOutput {
public:
    explicit PictureWriter(std::string folder);
    ~PictureWriter() override;
    PictureWriter(const PictureWriter&) = delete;
    PictureWriter& operator=(const PictureWriter&) = delete;

    void StartAudio(int rate, int channels) override;
    void WriteFrame(const CapturedFrame& frame, const std::string& name) override;
    void WriteAudio(const float* samples, int frames) override;
    bool Failed() const override { return failed; }
    bool Finish(std::string* error) override;

    static constexpr char musicFile[] = "music.wav";

private:
    void Fail(const std::string& reason);

    const std::string folder;
    WavFile music;
    bool musicOpen = false;
    std::atomic<bool> failed{false};
    std::mutex errorMutex;
    std::string firstError;
    BackgroundWriter writer;
};
