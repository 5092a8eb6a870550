#include "platform/sound_stream.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

SoundStream::SoundStream(std::unique_ptr<AudioFile> audioFile, StreamEndHeard ended, void* user)
    : file(std::move(audioFile)), rate(file->Rate()), channels(file->Channels()), endHeard(ended),
      endUser(user), ring(static_cast<std::size_t>(ringCapacity) * channels), clock(rate, 0),
      decoder([this] { Decode(); }) {}

SoundStream::~SoundStream() {
    {
        const std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    decoderWake.notify_all();
    samplesReady.notify_all();
    decoder.join();
}

void SoundStream::Start(const AudioDevice& device, std::int64_t now, bool deviceLost) {
    {
        const std::lock_guard<std::mutex> lock(mutex);
        playing = true;
        paused = false;
        deviceGone = deviceLost;
        waitForSamples = !device.realTime;
        stallsDetected = device.realTime;
        endReported = false;
        latencyFrames = device.latencyFrames;
        RestartAt(0, now);
    }
    decoderWake.notify_one();
}

void SoundStream::SetPaused(bool pause, std::int64_t now) {
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (!playing || pause == paused) {
            return;
        }
        if (pause) {
            heldFrames = FramesHeard(now);
            paused = true;
            return;
        }
        paused = false;
        // From the next whole frame, so that playing on never puts the position back.
        RestartAt(static_cast<std::int64_t>(std::ceil(heldFrames)), now);
    }
    decoderWake.notify_one();
}

bool SoundStream::Paused() {
    const std::lock_guard<std::mutex> lock(mutex);
    return paused;
}

void SoundStream::Seek(std::int64_t frame, std::int64_t now) {
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (!playing) {
            return;
        }
        endReported = false;
        if (paused) {
            heldFrames = static_cast<double>(frame); // the decoder moves when playing resumes
            return;
        }
        RestartAt(frame, now);
    }
    decoderWake.notify_one();
}

// With the lock. The decoder keeps what it has when it is already there.
void SoundStream::RestartAt(std::int64_t frame, std::int64_t now) {
    if (ringFrame != frame) {
        ++generation;
        ringStart = 0;
        ringFrames = 0;
        ringFrame = frame;
        decodedAll = false;
        seekWanted = true;
        seekFrame = frame;
    }
    startFrame = frame;
    framesTaken = 0;
    clock = PlaybackClock(rate, latencyFrames, now);
    if (deviceGone) {
        DetachClock();
    }
}

bool SoundStream::Fill(float* samples, int frames, std::int64_t now, int queuedFrames) {
    std::unique_lock<std::mutex> lock(mutex);
    const bool heard = playing && !paused;
    if (heard && stallsDetected && !clock.Detached() && clock.Stalled(now)) {
        DetachClock();
    }
    if (heard && clock.Detached()) {
        // The show went on without the device: what it missed is not played late. This
        // pull's first frame is heard once the device has played what it holds before it.
        const double due = clock.FramesHeard(now) + latencyFrames - frames;
        const auto behind = static_cast<std::int64_t>(due) - framesTaken;
        Drop(static_cast<int>(std::clamp<std::int64_t>(behind, 0, ringFrames)));
    }
    int music = 0;
    if (heard) {
        // A device that waits also learns whether more follows the last sample it takes, so
        // that the end is heard in the same pull whatever the decoder's pace.
        for (;;) {
            music += Take(samples + static_cast<std::ptrdiff_t>(music) * channels, frames - music);
            const bool moreKnown = ringFrames > 0 || decodedAll;
            if ((music == frames && moreKnown) || decodedAll || stopping || !waitForSamples) {
                break;
            }
            decoderWake.notify_one();
            samplesReady.wait(lock);
        }
    }
    std::fill(samples + static_cast<std::ptrdiff_t>(music) * channels,
              samples + static_cast<std::ptrdiff_t>(frames) * channels, 0.0f);
    if (!heard) {
        return false;
    }
    clock.OnPull(now, music, frames - music, decodedAll && ringFrames == 0,
                 queuedFrames >= 0 ? queuedFrames + frames : -1);
    latencyFrames = clock.LatencyFrames();
    decoderWake.notify_one();
    return EndNewlyHeard();
}

bool SoundStream::EndNewlyHeard() {
    if (endReported || !clock.AllHeard()) {
        return false;
    }
    endReported = true;
    return true;
}

void SoundStream::LoseDevice() {
    const std::lock_guard<std::mutex> lock(mutex);
    deviceGone = true;
    if (playing && !paused && !clock.Detached()) {
        DetachClock();
    }
}

double SoundStream::FramesHeard(std::int64_t now, std::int64_t aheadNs) {
    return static_cast<double>(startFrame) + clock.FramesHeard(now, aheadNs);
}

double SoundStream::LatencyMs() {
    const std::lock_guard<std::mutex> lock(mutex);
    return latencyFrames * 1000.0 / rate;
}

double SoundStream::PositionMs(std::int64_t now, std::int64_t aheadNs) {
    double position = 0.0;
    bool ended = false;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (!playing) {
            return 0.0;
        }
        if (paused) {
            return heldFrames * 1000.0 / rate;
        }
        if (stallsDetected && !clock.Detached() && clock.Stalled(now)) {
            DetachClock();
        }
        position = FramesHeard(now, aheadNs) * 1000.0 / rate;
        // Without the device's pulls, nothing else sees the end.
        ended = clock.Detached() && EndNewlyHeard();
    }
    if (ended) {
        ReportEnd();
    }
    return position;
}

// The music left from startFrame is exact once the decoder has seen the end; the file's own
// length is known earlier.
void SoundStream::DetachClock() {
    std::int64_t length = std::numeric_limits<std::int64_t>::max();
    if (decodedAll) {
        length = framesTaken + ringFrames;
    } else if (file->Frames() >= 0) {
        length = std::max<std::int64_t>(file->Frames() - startFrame, 0);
    }
    clock.Detach(length);
}

int SoundStream::Take(float* samples, int frames) {
    const int taken = std::min(frames, ringFrames);
    const int first = std::min(taken, ringCapacity - ringStart);
    const auto sampleCount = [this](int count) {
        return static_cast<std::size_t>(count) * channels;
    };
    std::memcpy(samples, &ring[sampleCount(ringStart)], sampleCount(first) * sizeof(float));
    std::memcpy(samples + sampleCount(first), ring.data(),
                sampleCount(taken - first) * sizeof(float));
    Drop(taken);
    return taken;
}

void SoundStream::Drop(int frames) {
    ringStart = (ringStart + frames) % ringCapacity;
    ringFrames -= frames;
    ringFrame += frames;
    framesTaken += frames;
}

void SoundStream::Append(const float* samples, int frames) {
    const int end = (ringStart + ringFrames) % ringCapacity;
    const int first = std::min(frames, ringCapacity - end);
    const auto sampleCount = [this](int count) {
        return static_cast<std::size_t>(count) * channels;
    };
    std::memcpy(&ring[sampleCount(end)], samples, sampleCount(first) * sizeof(float));
    std::memcpy(ring.data(), samples + sampleCount(first),
                sampleCount(frames - first) * sizeof(float));
    ringFrames += frames;
}

// The decoder works outside the lock; what it decoded before a seek is dropped.
void SoundStream::Decode() {
    std::vector<float> chunk(static_cast<std::size_t>(chunkFrames) * channels);
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        decoderWake.wait(lock, [this] {
            return stopping || seekWanted || (!decodedAll && FreeFrames() >= chunkFrames);
        });
        if (stopping) {
            return;
        }
        const bool seek = seekWanted;
        const std::int64_t target = seekFrame;
        seekWanted = false;
        const unsigned startGeneration = generation;
        lock.unlock();
        const bool readable = !seek || file->Seek(target);
        const int decoded = readable ? file->Read(chunk.data(), chunkFrames) : 0;
        lock.lock();
        if (generation != startGeneration) {
            continue;
        }
        Append(chunk.data(), decoded);
        decodedAll = decoded == 0;
        samplesReady.notify_all();
    }
}
