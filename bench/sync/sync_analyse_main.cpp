// Pairs what was seen with what was heard in a recording of tuvoran-sync-record, and prints
// picture minus sound as one JSON object.
//   tuvoran-sync-analyse RECORDING_DIR REFERENCE.s16 MOMENTS SINK_LATENCY_MS [PERIOD_S]
// REFERENCE.s16: the played sound as mono s16 at 44.1 kHz, decoded from the played file.
// MOMENTS: the content's sharp moments in seconds, parted by commas, each followed by '-' where
// the picture turns darker then; with PERIOD_S (a loop's length), each again every period. Each
// pair is written to RECORDING_DIR/pairs.

#include "sync_analysis.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

constexpr int rate = 44100;

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

} // namespace

int main(int argc, char** argv) {
    using namespace sync_bench;
    if (argc < 5) {
        std::fprintf(stderr, "usage: tuvoran-sync-analyse RECORDING_DIR REFERENCE.s16 MOMENTS "
                             "SINK_LATENCY_MS [PERIOD_S]\n");
        return 2;
    }
    const std::string dir = argv[1];
    const Recording recording = ReadRecording(dir, rate);
    const std::vector<std::int16_t> reference = ReadSound(argv[2]);
    const std::vector<Moment> moments = ReadMoments(argv[3]);
    const double sinkLatencyMs = std::stod(argv[4]);
    const double period = argc > 5 ? std::stod(argv[5]) : 0.0;
    if (recording.reads.empty() || recording.grabs.size() < 2 || moments.empty()) {
        std::printf("{\"pairs\": 0, \"error\": \"nothing was recorded\"}\n");
        return 1;
    }

    // Chromium, for one, plays to a server only where it finds one: silence says so plainly.
    const auto loudest =
        std::max_element(recording.sound.begin(), recording.sound.end(),
                         [](std::int16_t a, std::int16_t b) { return std::abs(a) < std::abs(b); });
    if (loudest == recording.sound.end() || std::abs(*loudest) < 100) {
        std::printf("{\"pairs\": 0, \"error\": \"no sound reached the sink\"}\n");
        return 1;
    }
    const HeardClock clock(recording.reads, rate, sinkLatencyMs);
    SoundTracker tracker(reference, recording.sound, rate);
    const double recordedSeconds = static_cast<double>(recording.sound.size()) / rate;
    std::vector<Pair> pairs;
    int missed = 0;
    std::ofstream log(dir + "/pairs");
    log << "# content_s heard_ns seen_ns picture_minus_sound_ms\n";
    const bool locked = tracker.Lock();
    if (locked) {
        int loop = 0;
        for (const Moment& moment : MomentsWithin(moments, period, recordedSeconds)) {
            // The reference holds the content once; a loop's moments are found in it again.
            for (; period > 0.0 && moment.seconds >= (loop + 1) * period; ++loop) {
                tracker.Skip(period * rate);
            }
            const std::optional<double> frame = tracker.Find(moment.seconds - loop * period);
            if (!frame) {
                ++missed;
                continue;
            }
            const std::int64_t heard = clock.HeardAt(*frame);
            const std::optional<std::int64_t> seen =
                PictureChange(recording.grabs, heard, 250000000, moment.direction);
            if (!seen) {
                ++missed;
                log << moment.seconds << " " << heard << " - -\n";
                continue;
            }
            pairs.push_back({moment.seconds, heard, *seen});
            log << moment.seconds << " " << heard << " " << *seen << " "
                << pairs.back().PictureMinusSoundMs() << "\n";
        }
    }
    const Figures figures = Summarise(pairs, missed);
    std::string json = "{\"pairs\": " + std::to_string(figures.pairs) +
                       ", \"missed\": " + std::to_string(figures.missed);
    if (figures.pairs > 0) {
        json += ", \"median_ms\": " + Number(figures.medianMs) +
                ", \"p95_abs_ms\": " + Number(figures.p95AbsMs);
    }
    if (figures.firstMinuteMs && figures.lastMinuteMs) {
        json += ", \"first_minute_median_ms\": " + Number(*figures.firstMinuteMs) +
                ", \"last_minute_median_ms\": " + Number(*figures.lastMinuteMs) +
                ", \"drift_ms\": " + Number(*figures.lastMinuteMs - *figures.firstMinuteMs);
    }
    if (!locked) {
        json += ", \"error\": \"the recorded sound does not follow the played file (broken up?)\"";
    }
    std::printf("%s}\n", json.c_str());
    return figures.pairs > 0 ? 0 : 1;
}
