#include "tools/datagen/mastering.h"

#include "tools/datagen/det_math.h"

#include <algorithm>
#include <cmath>
#include <deque>

namespace datagen {
namespace {

// The two K-weighting stages for any sample rate, from their analogue prototypes.
Biquad HighShelf(int rate) {
    const double f0 = 1681.974450955533;
    const double gainDb = 3.999843853973347;
    const double q = 0.7071752369554196;
    const double k = Tan(pi * f0 / rate);
    const double vh = DecibelsToGain(gainDb);
    const double vb = Pow(vh, 0.4996667741545416);
    const double a0 = 1.0 + k / q + k * k;
    Biquad filter;
    filter.b0 = (vh + vb * k / q + k * k) / a0;
    filter.b1 = 2.0 * (k * k - vh) / a0;
    filter.b2 = (vh - vb * k / q + k * k) / a0;
    filter.a1 = 2.0 * (k * k - 1.0) / a0;
    filter.a2 = (1.0 - k / q + k * k) / a0;
    return filter;
}

Biquad HighPass(int rate, double f0, double q) {
    const double k = Tan(pi * f0 / rate);
    const double a0 = 1.0 + k / q + k * k;
    Biquad filter;
    filter.b0 = 1.0 / a0;
    filter.b1 = -2.0 / a0;
    filter.b2 = 1.0 / a0;
    filter.a1 = 2.0 * (k * k - 1.0) / a0;
    filter.a2 = (1.0 - k / q + k * k) / a0;
    return filter;
}

Biquad RevisedLowFrequencyB(int rate) {
    return HighPass(rate, 38.13547087602444, 0.5003270373238773);
}

std::vector<double> WeightedSquares(const std::vector<float>& samples, int rate) {
    Biquad shelf = HighShelf(rate);
    Biquad highPass = RevisedLowFrequencyB(rate);
    std::vector<double> squares(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double weighted = highPass.Process(shelf.Process(samples[i]));
        squares[i] = weighted * weighted;
    }
    return squares;
}

double BlockLoudness(double meanSquare) {
    return -0.691 + 10.0 * Log(meanSquare) / Log(10.0);
}

void Fade(StereoBuffer& buffer, double fadeOutStart) {
    const std::size_t fadeIn = FrameAt(0.01);
    for (std::size_t i = 0; i < fadeIn && i < buffer.Frames(); ++i) {
        const auto gain = static_cast<float>(static_cast<double>(i) / fadeIn);
        buffer.left[i] *= gain;
        buffer.right[i] *= gain;
    }
    const std::size_t start = FrameAt(fadeOutStart);
    const std::size_t end = buffer.Frames();
    for (std::size_t i = start; i < end; ++i) {
        const double x = static_cast<double>(i - start) / (end - 1 - start);
        const auto gain = static_cast<float>(0.5 + 0.5 * Cos(pi * x));
        buffer.left[i] *= gain;
        buffer.right[i] *= gain;
    }
}

void Scale(StereoBuffer& buffer, double gain) {
    for (std::size_t i = 0; i < buffer.Frames(); ++i) {
        buffer.left[i] = static_cast<float>(buffer.left[i] * gain);
        buffer.right[i] = static_cast<float>(buffer.right[i] * gain);
    }
}

} // namespace

double IntegratedLoudness(const std::vector<float>& left, const std::vector<float>& right,
                          int rate) {
    const std::vector<double> squaresLeft = WeightedSquares(left, rate);
    const std::vector<double> squaresRight = WeightedSquares(right, rate);
    const std::size_t block = static_cast<std::size_t>(rate) * 4 / 10;
    const std::size_t step = block / 4;
    std::vector<double> blocks;
    for (std::size_t start = 0; start + block <= left.size(); start += step) {
        double sum = 0.0;
        for (std::size_t i = start; i < start + block; ++i) {
            sum += squaresLeft[i] + squaresRight[i];
        }
        blocks.push_back(sum / block);
    }
    const auto gatedMean = [&](double threshold) {
        double sum = 0.0;
        int count = 0;
        for (const double meanSquare : blocks) {
            if (meanSquare > 0.0 && BlockLoudness(meanSquare) > threshold) {
                sum += meanSquare;
                ++count;
            }
        }
        return count > 0 ? sum / count : 0.0;
    };
    const double ungated = gatedMean(-70.0);
    if (ungated <= 0.0) {
        return -70.0;
    }
    const double gated = gatedMean(BlockLoudness(ungated) - 10.0);
    return BlockLoudness(gated);
}

double PeakDecibels(const std::vector<float>& left, const std::vector<float>& right) {
    double peak = 0.0;
    for (std::size_t i = 0; i < left.size(); ++i) {
        peak = std::max({peak, std::fabs(static_cast<double>(left[i])),
                         std::fabs(static_cast<double>(right[i]))});
    }
    return peak > 0.0 ? GainToDecibels(peak) : -200.0;
}

void Limit(StereoBuffer& buffer, double ceiling, double lookahead, double release) {
    const std::size_t frames = buffer.Frames();
    const std::size_t window = std::max<std::size_t>(1, FrameAt(lookahead));
    std::vector<double> needed(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        const double peak = std::max(std::fabs(static_cast<double>(buffer.left[i])),
                                     std::fabs(static_cast<double>(buffer.right[i])));
        needed[i] = peak > ceiling ? ceiling / peak : 1.0;
    }
    // The least gain needed anywhere in the next window...
    std::vector<double> ahead(frames);
    std::deque<std::size_t> minima;
    for (std::size_t j = frames; j-- > 0;) {
        while (!minima.empty() && needed[minima.back()] >= needed[j]) {
            minima.pop_back();
        }
        minima.push_back(j);
        while (minima.front() >= j + window) {
            minima.pop_front();
        }
        ahead[j] = needed[minima.front()];
    }
    // ...averaged over the window before, which stays below every need it covers and
    // turns each step into a ramp; then a slow recovery.
    const double recovery = Exp(-1.0 / (release * sampleRate));
    double sum = 0.0;
    double gain = 1.0;
    for (std::size_t i = 0; i < frames; ++i) {
        sum += ahead[i];
        if (i >= window) {
            sum -= ahead[i - window];
        }
        // Before the first full window, the missing terms repeat the first one.
        const double smooth =
            i + 1 >= window ? sum / window : (sum + (window - 1 - i) * ahead[0]) / window;
        gain = std::min(smooth, 1.0 - (1.0 - gain) * recovery);
        buffer.left[i] = static_cast<float>(buffer.left[i] * gain);
        buffer.right[i] = static_cast<float>(buffer.right[i] * gain);
    }
}

MasterResult Master(StereoBuffer& buffer, const MasterSettings& settings) {
    Biquad rumble[2] = {HighPass(sampleRate, 28.0, 0.7071), HighPass(sampleRate, 28.0, 0.7071)};
    for (std::size_t i = 0; i < buffer.Frames(); ++i) {
        buffer.left[i] = static_cast<float>(rumble[0].Process(buffer.left[i]));
        buffer.right[i] = static_cast<float>(rumble[1].Process(buffer.right[i]));
    }
    const double ceiling = DecibelsToGain(settings.ceiling);
    // Limiting takes some loudness away, so aim twice: the second time from where the
    // first one landed.
    const StereoBuffer unlimited = buffer;
    double gainDb = settings.loudness - IntegratedLoudness(buffer.left, buffer.right, sampleRate);
    for (int pass = 0; pass < 2; ++pass) {
        buffer = unlimited;
        Scale(buffer, DecibelsToGain(gainDb));
        Limit(buffer, ceiling, 0.003, 0.08);
        gainDb += settings.loudness - IntegratedLoudness(buffer.left, buffer.right, sampleRate);
    }
    Fade(buffer, settings.fadeOutStart);
    MasterResult result;
    result.loudness = IntegratedLoudness(buffer.left, buffer.right, sampleRate);
    result.peak = PeakDecibels(buffer.left, buffer.right);
    return result;
}

} // namespace datagen
