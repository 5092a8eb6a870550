#pragma once

// One audio file streamed to the audio device. A decoder thread keeps a bounded buffer of
// samples decoded ahead of the device; the device's pulls take from it and drive the
// stream's clock. Shared by the program's thread, the decoder and the device's thread.

#include "platform/audio_file.h"
#include "platform/backend.h"
#include "platform/playback_clock.h"
#include "platform/sound_output.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class SoundStream {
public:
    // Starts decoding at once, so that samples are ready when the stream plays. ended is told
    // once per start when the whole stream has been heard.
    SoundStream(std::unique_ptr<AudioFile> file, StreamEndHeard ended, void* user);
    ~SoundStream();
    SoundStream(const SoundStream&) = delete;
    SoundStream& operator=(const SoundStream&) = delete;

    int Rate() const { return rate; }
    int Channels() const { return channels; }

    // Plays from the first sample on device at now; also from within the end callback.
    // deviceLost: the device is already known to be gone.
    void Start(const AudioDevice& device, std::int64_t now, bool deviceLost);
    // The device's pull at now. True when this pull has made the whole stream heard, once
    // per start; the caller then calls ReportEnd, holding no lock of its own.
    bool Fill(float* samples, int frames, std::int64_t now);
    void ReportEnd() const { endHeard(endUser); }
    // The device is gone: the position goes on by the clock from the last pull.
    void LoseDevice();
    // Milliseconds heard at now. Where the device no longer keeps time, because it is gone
    // or has stopped pulling, the position goes on by the clock, and the end is reported
    // from here, once.
    double PositionMs(std::int64_t now);

private:
    void Decode();
    int Take(float* samples, int frames);
    void Append(const float* samples, int frames);
    int FreeFrames() const { return ringCapacity - ringFrames; }
    void Drop(int frames);
    void DetachClock();
    bool EndNewlyHeard();

    static constexpr int ringCapacity = 16384; // frames: about 0.37 s at 44.1 kHz
    static constexpr int chunkFrames = 2048;

    const std::unique_ptr<AudioFile> file;
    const int rate;
    const int channels;
    const StreamEndHeard endHeard;
    void* const endUser;

    std::mutex mutex;
    std::condition_variable decoderWake;  // room in the buffer, a rewind, or the end
    std::condition_variable samplesReady; // for devices that wait for samples
    std::vector<float> ring;
    int ringStart = 0;
    int ringFrames = 0;
    bool decodedAll = false;
    bool rewindWanted = false;
    bool fileAtStart = true; // nothing taken since the decoder last began at the first sample
    unsigned generation = 0; // counts rewinds, so that samples decoded before one are dropped
    bool stopping = false;

    bool playing = false;
    bool waitForSamples = false;
    bool endReported = false;
    bool stallsDetected = false; // for devices that play as time goes
    int latencyFrames = 0;
    std::int64_t framesTaken = 0; // music handed to the device since the start
    PlaybackClock clock;

    std::thread decoder;
};
