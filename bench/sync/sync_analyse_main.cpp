// Pairs what was seen with what was heard in a recording of tuvoran-sync-record, and prints
// picture minus sound as one JSON object.
//   tuvoran-sync-analyse RECORDING_DIR REFERENCE.s16 MOMENTS SINK_LATENCY_MS [PERIOD_S]
// REFERENCE.s16: the played sound as mono s16 at 44.1 kHz, decoded from the played file.
// MOMENTS: the content's sharp moments in seconds, parted by commas; with PERIOD_S (a loop's
// length), each again every period. Each pair is written to RECORDING_DIR/pairs.

#include "sync_analysis.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

constexpr int rate = 44100;

std::vector<double> ReadMoments(const std::string& list) {
    std::vector<double> moments;
    std::istringstream in(list);
    std::string item;
    while (std::getline(in, item, ',')) {
        moments.push_back(std::stod(item));
    }
    return moments;
}

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
    const std::vector<double> moments = ReadMoments(argv[3]);
    const double sinkLatencyMs = std::stod(argv[4]);
    const double period = argc > 5 ? std::stod(argv[5]) : 0.0;
    if (recording.reads.empty() || recording.grabs.size() < 2 || moments.empty()) {
        std::printf("{\"pairs\": 0, \"error\": \"nothing was recorded\"}\n");
        return 1;
    }

    const HeardClock clock(recording.reads, rate, sinkLatencyMs);
    SoundTracker tracker(reference, recording.sound, rate);
    const double recordedSeconds = static_cast<double>(recording.sound.size()) / rate;
    std::vector<Pair> pairs;
    int missed = 0;
    std::ofstream log(dir + "/pairs");
    log << "# content_s heard_ns seen_ns picture_minus_sound_ms\n";
    if (tracker.Lock(moments.front())) {
        for (const double moment : MomentsWithin(moments, period, recordedSeconds)) {
            const std::optional<double> frame = tracker.Find(moment);
            if (!frame) {
                ++missed;
                continue;
            }
            const std::int64_t heard = clock.HeardAt(*frame);
            const std::optional<std::int64_t> seen =
                PictureChange(recording.grabs, heard, 250000000);
            if (!seen) {
                ++missed;
                log << moment << " " << heard << " - -\n";
                continue;
            }
            pairs.push_back({moment, heard, *seen});
            log << moment << " " << heard << " " << *seen << " "
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
    std::printf("%s}\n", json.c_str());
    return figures.pairs > 0 ? 0 : 1;
}
