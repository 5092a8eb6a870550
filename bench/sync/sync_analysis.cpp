#include "sync_analysis.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace sync_bench {
namespace {

constexpr std::int64_t nsPerSecond = 1000000000;

// Pearson's correlation of two equally long runs.
template <typename A, typename B>
double Correlation(const A* a, const B* b, std::size_t count) {
    double sumA = 0, sumB = 0, sumAA = 0, sumBB = 0, sumAB = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double x = a[i];
        const double y = b[i];
        sumA += x;
        sumB += y;
        sumAA += x * x;
        sumBB += y * y;
        sumAB += x * y;
    }
    const auto n = static_cast<double>(count);
    const double spread = (sumAA - sumA * sumA / n) * (sumBB - sumB * sumB / n);
    return spread > 0.0 ? (sumAB - sumA * sumB / n) / std::sqrt(spread) : 0.0;
}

// The mean loudness of each millisecond.
std::vector<float> Envelope(const std::vector<std::int16_t>& sound, int rate) {
    const std::size_t bins = sound.size() * 1000 / static_cast<std::size_t>(rate);
    std::vector<float> envelope(bins);
    for (std::size_t bin = 0; bin < bins; ++bin) {
        const std::size_t from = bin * static_cast<std::size_t>(rate) / 1000;
        const std::size_t to = (bin + 1) * static_cast<std::size_t>(rate) / 1000;
        double sum = 0;
        for (std::size_t i = from; i < to; ++i) {
            sum += std::abs(static_cast<int>(sound[i]));
        }
        envelope[bin] = static_cast<float>(sum / static_cast<double>(to - from));
    }
    return envelope;
}

std::vector<float> Coarser(const std::vector<float>& envelope, std::size_t factor) {
    std::vector<float> coarse(envelope.size() / factor);
    for (std::size_t i = 0; i < coarse.size(); ++i) {
        float sum = 0;
        for (std::size_t k = 0; k < factor; ++k) {
            sum += envelope[i * factor + k];
        }
        coarse[i] = sum / static_cast<float>(factor);
    }
    return coarse;
}

struct Best {
    long lag = 0;
    double score = -2.0;
    double below = 0.0; // the scores one lag either side, for a finer peak
    double above = 0.0;
};

// The lag within [from, to] at which `window` (of `length` items at `start` of `reference`)
// best matches `recorded`.
template <typename T>
Best BestLag(const std::vector<T>& reference, long start, long length,
             const std::vector<T>& recorded, long from, long to) {
    Best best;
    if (start < 0 || start + length > static_cast<long>(reference.size())) {
        return best;
    }
    from = std::max(from, -start);
    to = std::min(to, static_cast<long>(recorded.size()) - length - start);
    std::vector<double> scores;
    for (long lag = from; lag <= to; ++lag) {
        scores.push_back(Correlation(&reference[start], &recorded[start + lag], length));
    }
    for (std::size_t i = 0; i < scores.size(); ++i) {
        if (scores[i] > best.score) {
            best.score = scores[i];
            best.lag = from + static_cast<long>(i);
            best.below = i > 0 ? scores[i - 1] : scores[i];
            best.above = i + 1 < scores.size() ? scores[i + 1] : scores[i];
        }
    }
    return best;
}

// Where between the best lag and its neighbours the peak lies, from a parabola through them.
double PeakOffset(const Best& best) {
    const double curve = best.below - 2.0 * best.score + best.above;
    return curve < 0.0 ? 0.5 * (best.below - best.above) / curve : 0.0;
}

} // namespace

HeardClock::HeardClock(const std::vector<SoundRead>& reads, int rate, double sinkLatencyMs)
    : nsPerFrame_(1e9 / rate), sinkLatencyNs_(std::llround(sinkLatencyMs * 1e6)) {
    // The least delay in each two seconds, then the least of five such spans around each read.
    constexpr std::int64_t span = 2 * nsPerSecond;
    std::vector<std::int64_t> spanFloor;
    std::vector<std::size_t> spanOf;
    for (const SoundRead& read : reads) {
        const std::int64_t start = read.when - std::llround(read.frames * nsPerFrame_);
        const auto index = static_cast<std::size_t>((read.when - reads.front().when) / span);
        if (spanFloor.size() <= index) {
            spanFloor.resize(index + 1, INT64_MAX);
        }
        spanFloor[index] = std::min(spanFloor[index], start);
        spanOf.push_back(index);
        readFrames_.push_back(read.frames);
    }
    for (const std::size_t index : spanOf) {
        std::int64_t least = INT64_MAX;
        for (std::size_t k = index >= 2 ? index - 2 : 0; k <= index + 2 && k < spanFloor.size();
             ++k) {
            least = std::min(least, spanFloor[k]);
        }
        floor_.push_back(least);
    }
}

std::int64_t HeardClock::HeardAt(double frame) const {
    auto found = std::lower_bound(readFrames_.begin(), readFrames_.end(),
                                  static_cast<std::int64_t>(std::ceil(frame)));
    if (found == readFrames_.end()) {
        --found;
    }
    return floor_[static_cast<std::size_t>(found - readFrames_.begin())] +
           std::llround(frame * nsPerFrame_) + sinkLatencyNs_;
}

SoundTracker::SoundTracker(const std::vector<std::int16_t>& reference,
                           const std::vector<std::int16_t>& recorded, int rate)
    : reference_(reference), recorded_(recorded), referenceEnvelope_(Envelope(reference, rate)),
      recordedEnvelope_(Envelope(recorded, rate)), rate_(rate) {}

bool SoundTracker::Lock() {
    // The whole content, in hundredths of a second, at every offset at which it overlaps the
    // recording by ten seconds or by most of either: music repeats itself over a few bars, but
    // not over its whole length.
    constexpr long factor = 10;
    const std::vector<float> reference = Coarser(referenceEnvelope_, factor);
    const std::vector<float> recorded = Coarser(recordedEnvelope_, factor);
    const auto referenceLength = static_cast<long>(reference.size());
    const auto recordedLength = static_cast<long>(recorded.size());
    const long overlapNeeded = std::min({1000L, referenceLength * 3 / 4, recordedLength * 3 / 4});
    double bestScore = 0.5;
    std::optional<long> bestLag;
    for (long lag = overlapNeeded - referenceLength; lag <= recordedLength - overlapNeeded; ++lag) {
        const long from = std::max(0L, -lag);
        const long to = std::min(referenceLength, recordedLength - lag);
        if (to - from < overlapNeeded) {
            continue;
        }
        const double score = Correlation(&reference[from], &recorded[from + lag],
                                         static_cast<std::size_t>(to - from));
        if (score > bestScore) {
            bestScore = score;
            bestLag = lag;
        }
    }
    if (!bestLag) {
        return false;
    }
    offsetFrames_ = static_cast<double>(*bestLag * factor) * rate_ / 1000.0;
    return true;
}

std::optional<double> SoundTracker::Find(double seconds) {
    // To the millisecond within 0.3 s of the last offset, then to the frame.
    const long centre = std::lround(seconds * 1000);
    const long guess = std::lround(offsetFrames_ * 1000 / rate_);
    const Best coarse =
        BestLag(referenceEnvelope_, centre - 150, 200, recordedEnvelope_, guess - 300, guess + 300);
    if (std::getenv("SYNC_DEBUG") != nullptr) {
        std::fprintf(stderr, "%.3f s: offset %.1f ms, score %.3f\n", seconds,
                     static_cast<double>(coarse.lag), coarse.score);
    }
    if (coarse.score < 0.6) {
        return std::nullopt;
    }
    const double referenceFrame = seconds * rate_;
    const double coarseFrame = referenceFrame + static_cast<double>(coarse.lag) * rate_ / 1000.0;
    const double found = Refine(referenceFrame, coarseFrame).value_or(coarseFrame);
    offsetFrames_ = found - referenceFrame;
    return found;
}

std::optional<double> SoundTracker::Refine(double referenceFrame, double guessFrame) const {
    const long before = rate_ * 30 / 1000;
    const long after = rate_ * 20 / 1000;
    const long lagGuess = std::lround(guessFrame - referenceFrame);
    const long reach = rate_ * 3 / 1000;
    const Best fine = BestLag(reference_, std::lround(referenceFrame) - before, before + after,
                              recorded_, lagGuess - reach, lagGuess + reach);
    if (std::getenv("SYNC_DEBUG") != nullptr) {
        std::fprintf(stderr, "  to the frame: %+.2f ms, score %.3f\n",
                     (fine.lag - lagGuess) * 1000.0 / rate_, fine.score);
    }
    if (fine.score < 0.5) {
        return std::nullopt;
    }
    return std::round(referenceFrame) + static_cast<double>(fine.lag) + PeakOffset(fine);
}

std::optional<std::int64_t> PictureChange(const std::vector<Grab>& grabs, std::int64_t around,
                                          std::int64_t window, int direction) {
    const auto first =
        std::lower_bound(grabs.begin(), grabs.end(), around - window,
                         [](const Grab& grab, std::int64_t when) { return grab.when < when; });
    std::vector<double> changes;
    std::vector<std::int64_t> halfway;
    for (auto grab = first; grab != grabs.end() && grab->when <= around + window; ++grab) {
        if (grab == grabs.begin()) {
            continue;
        }
        const Grab& before = *(grab - 1);
        double change = 0.0;
        for (std::size_t tile = 0; tile < grab->tiles.size(); ++tile) {
            change += grab->tiles[tile] - before.tiles[tile];
        }
        changes.push_back(direction * change / static_cast<double>(grab->tiles.size()));
        halfway.push_back(before.when + (grab->when - before.when) / 2);
    }
    if (changes.size() < 8) {
        return std::nullopt;
    }
    const auto sharpest = std::max_element(changes.begin(), changes.end());
    // A cut stands out from the motion around it: several times the usual change between grabs,
    // and a visible step of the whole screen's level.
    std::vector<double> sizes(changes.size());
    std::transform(changes.begin(), changes.end(), sizes.begin(),
                   [](double change) { return std::abs(change); });
    const double usual = Median(sizes);
    if (*sharpest < 1.0 || *sharpest < 4.0 * usual) {
        return std::nullopt;
    }
    return halfway[static_cast<std::size_t>(sharpest - changes.begin())];
}

double Median(std::vector<double> values) {
    return Percentile(std::move(values), 0.5);
}

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const double position = fraction * static_cast<double>(values.size() - 1);
    const auto below = static_cast<std::size_t>(std::floor(position));
    const std::size_t above = std::min(below + 1, values.size() - 1);
    return values[below] +
           (values[above] - values[below]) * (position - static_cast<double>(below));
}

Figures Summarise(const std::vector<Pair>& pairs, int missed) {
    Figures figures;
    figures.pairs = static_cast<int>(pairs.size());
    figures.missed = missed;
    std::vector<double> all;
    std::vector<double> absolute;
    for (const Pair& pair : pairs) {
        all.push_back(pair.PictureMinusSoundMs());
        absolute.push_back(std::abs(pair.PictureMinusSoundMs()));
    }
    figures.medianMs = Median(all);
    figures.p95AbsMs = Percentile(absolute, 0.95);
    constexpr std::int64_t minute = 60 * nsPerSecond;
    if (pairs.size() > 1 && pairs.back().seen - pairs.front().seen > 2 * minute) {
        std::vector<double> first;
        std::vector<double> last;
        for (const Pair& pair : pairs) {
            if (pair.seen < pairs.front().seen + minute) {
                first.push_back(pair.PictureMinusSoundMs());
            }
            if (pair.seen > pairs.back().seen - minute) {
                last.push_back(pair.PictureMinusSoundMs());
            }
        }
        figures.firstMinuteMs = Median(first);
        figures.lastMinuteMs = Median(last);
    }
    return figures;
}

std::vector<Moment> MomentsWithin(const std::vector<Moment>& moments, double period,
                                  double recordedSeconds) {
    std::vector<Moment> all;
    for (int loop = 0;; ++loop) {
        const double shift = loop * period;
        if (shift > recordedSeconds || (period <= 0.0 && loop > 0)) {
            break;
        }
        for (const Moment& moment : moments) {
            all.push_back({moment.seconds + shift, moment.direction});
        }
    }
    std::sort(all.begin(), all.end(),
              [](const Moment& a, const Moment& b) { return a.seconds < b.seconds; });
    return all;
}

std::vector<Moment> ReadMoments(const std::string& list) {
    std::vector<Moment> moments;
    std::istringstream in(list);
    std::string item;
    while (std::getline(in, item, ',')) {
        const bool darker = !item.empty() && item.back() == '-';
        moments.push_back({std::stod(item), darker ? -1 : 1});
    }
    return moments;
}

std::vector<std::int16_t> ReadSound(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::int16_t> sound(bytes.size() / 2);
    std::memcpy(sound.data(), bytes.data(), sound.size() * 2);
    return sound;
}

Recording ReadRecording(const std::string& dir, int rate) {
    Recording recording;
    recording.rate = rate;
    recording.sound = ReadSound(dir + "/audio.s16");
    std::ifstream reads(dir + "/audio-reads");
    SoundRead read{};
    while (reads >> read.frames >> read.when) {
        recording.reads.push_back(read);
    }
    std::ifstream screen(dir + "/screen");
    std::string line;
    while (std::getline(screen, line)) {
        std::istringstream fields(line);
        Grab grab;
        fields >> grab.when;
        double level = 0.0;
        while (fields >> level) {
            grab.tiles.push_back(level);
        }
        if (!grab.tiles.empty()) {
            recording.grabs.push_back(std::move(grab));
        }
    }
    return recording;
}

} // namespace sync_bench
