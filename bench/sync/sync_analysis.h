// The arithmetic of the sync measurement: where a moment of known content is heard, found by
// correlating the recorded sound with the file it came from, and where the picture changed at
// that moment, found in the stamped screen grabs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sync_bench {

// One read of the recorded sound: the frames received so far when it returned, and when (ns).
struct SoundRead {
    std::int64_t frames;
    std::int64_t when;
};

// One screen grab: its time (ns) and the mean level of each tile.
struct Grab {
    std::int64_t when;
    std::vector<double> tiles;
};

struct Recording {
    int rate = 44100;
    std::vector<std::int16_t> sound;
    std::vector<SoundRead> reads;
    std::vector<Grab> grabs;
};

// Turns a recorded frame into the time it is heard. A read returns at the earliest when the
// server has handed its frames over; the least delayed reads around a frame (within a few
// seconds, so that a slow drift is followed) tell when that was. The sink hands its monitor the
// sound ahead of playing it by its latency, which is added.
class HeardClock {
public:
    HeardClock(const std::vector<SoundRead>& reads, int rate, double sinkLatencyMs);
    std::int64_t HeardAt(double frame) const;

private:
    std::vector<std::int64_t> readFrames_;
    std::vector<std::int64_t> floor_; // per read: the least (when - frames / rate) nearby
    double nsPerFrame_;
    std::int64_t sinkLatencyNs_;
};

// Follows the content through the recording: for a moment of the reference (in seconds), the
// recorded frame where it sounds, searched near the frame that the moment before suggests.
class SoundTracker {
public:
    SoundTracker(const std::vector<std::int16_t>& reference,
                 const std::vector<std::int16_t>& recorded, int rate);
    // Finds where the content starts in the recording, roughly, to start the search from;
    // false when nothing in it resembles the reference.
    bool Lock();
    // The recorded frame where `seconds` of content sounds, near where the last one was found.
    std::optional<double> Find(double seconds);
    // The content starts again (a loop): what follows is `frames` further on in the recording.
    void Skip(double frames) { offsetFrames_ += frames; }

private:
    std::optional<double> Refine(double referenceFrame, double guessFrame) const;
    const std::vector<std::int16_t>& reference_;
    const std::vector<std::int16_t>& recorded_;
    std::vector<float> referenceEnvelope_;
    std::vector<float> recordedEnvelope_;
    int rate_;
    double offsetFrames_ = 0.0;
};

// A sharp moment of the content: when (s), and whether the picture turns brighter (+1) or
// darker (-1) then. The direction keeps a flash's start apart from its end.
struct Moment {
    double seconds;
    int direction;
};

// The time (ns) at which the picture turned most sharply the given way within `window` ns of
// `around`, halfway between the grab before the change and the grab after; none where nothing
// changed clearly more than the frames around it.
std::optional<std::int64_t> PictureChange(const std::vector<Grab>& grabs, std::int64_t around,
                                          std::int64_t window, int direction);

struct Pair {
    double content;     // the moment, in seconds of content
    std::int64_t heard; // ns
    std::int64_t seen;  // ns
    double PictureMinusSoundMs() const { return static_cast<double>(seen - heard) / 1e6; }
};

struct Figures {
    int pairs = 0;
    int missed = 0;
    double medianMs = 0.0;
    double p95AbsMs = 0.0;
    std::optional<double> firstMinuteMs; // only for recordings longer than two minutes
    std::optional<double> lastMinuteMs;
};

double Median(std::vector<double> values);
double Percentile(std::vector<double> values, double fraction);
Figures Summarise(const std::vector<Pair>& pairs, int missed);

// Every moment of the list, again each `period` seconds (0: once), that the recording may hold.
std::vector<Moment> MomentsWithin(const std::vector<Moment>& moments, double period,
                                  double recordedSeconds);
// "14,15,25-": seconds, each followed by '-' where the picture turns darker.
std::vector<Moment> ReadMoments(const std::string& list);

Recording ReadRecording(const std::string& dir, int rate);
std::vector<std::int16_t> ReadSound(const std::string& path);

} // namespace sync_bench
