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
    // once per pass when the whole stream has been heard.
    SoundStream(std::unique_ptr<AudioFile> file, StreamEndHeard ended, void* user);
    ~SoundStream();
    SoundStream(const SoundStream&) = delete;
    SoundStream& operator=(const SoundStream&) = delete;

    int Rate() const { return rate; }
    int Channels() const { return channels; }
    // As the file declares it; -1 when unknown.
    std::int64_t LengthFrames() const { return file->Frames(); }

    // Plays from the first sample on device at now, unpaused; also from within the end
    // callback. deviceLost: the device is already known to be gone.
    void Start(const AudioDevice& device, std::int64_t now, bool deviceLost);
    // Paused, the position stands where it was heard and the device is handed silence;
    // resumed, the music goes on from that position, so that no part of it is skipped.
    void SetPaused(bool paused, std::int64_t now);
    bool Paused();
    // The position is frame at once, and a new pass begins there: played from there after
    // the device's latency, or when resumed.
    void Seek(std::int64_t frame, std::int64_t now);
    // The device's pull at now, with queuedFrames handed before it and not yet heard, as the
    // device reports them (negative where it does not). True when this pull has made the
    // whole stream heard, once per pass; the caller then calls ReportEnd, holding no lock of
    // its own.
    bool Fill(float* samples, int frames, std::int64_t now, int queuedFrames = -1);
    void ReportEnd() const { endHeard(endUser); }
    // The device is gone: the position goes on by the clock from the last pull.
    void LoseDevice();
    // Milliseconds heard at now, or aheadNs later as the music plays on (paused, it stands).
    // Where the device no longer keeps time, because it is gone or has stopped pulling, the
    // position goes on by the clock, and the end is reported from here, once.
    double PositionMs(std::int64_t now, std::int64_t aheadNs = 0);
    // What the device holds between a pull and its being heard, as the clock takes it off.
    double LatencyMs();

private:
    void Decode();
    void RestartAt(std::int64_t frame, std::int64_t now);
    int Take(float* samples, int frames);
    void Append(const float* samples, int frames);
    int FreeFrames() const { return ringCapacity - ringFrames; }
    void Drop(int frames);
    void DetachClock();
    bool EndNewlyHeard();
    double FramesHeard(std::int64_t now, std::int64_t aheadNs = 0);

    static constexpr int ringCapacity = 16384; // frames: about 0.37 s at 44.1 kHz
    static constexpr int chunkFrames = 2048;

    const std::unique_ptr<AudioFile> file;
    const int rate;
    const int channels;
    const StreamEndHeard endHeard;
    void* const endUser;

    std::mutex mutex;
    std::condition_variable decoderWake;  // room in the buffer, a seek, or the end
    std::condition_variable samplesReady; // for devices that wait for samples
    std::vector<float> ring;
    int ringStart = 0;
    int ringFrames = 0;
    std::int64_t ringFrame = 0; // the music's frame that the buffer starts with
    bool decodedAll = false;
    bool seekWanted = false;
    std::int64_t seekFrame = 0;
    unsigned generation = 0; // counts seeks, so that samples decoded before one are dropped
    bool stopping = false;

    bool playing = false;
    bool paused = false;
    bool deviceGone = false;
    bool waitForSamples = false;
    bool endReported = false;
    bool stallsDetected = false; // for devices that play as time goes
    int latencyFrames = 0;
    std::int64_t startFrame = 0;  // where the clock's count of frames heard begins
    double heldFrames = 0.0;      // the position while paused
    std::int64_t framesTaken = 0; // music handed to the device since startFrame
    PlaybackClock clock;

    std::thread decoder;
};
