#include "capture/progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr auto redrawEvery = std::chrono::milliseconds(200);
constexpr int lineWidth = 79;

std::string MinutesAndSeconds(double seconds) {
    const long whole = std::lround(seconds);
    char text[32];
    std::snprintf(text, sizeof(text), "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

} // namespace

std::string ProgressLine(std::int64_t done, std::int64_t total, double framesPerSecond, int width) {
    char figures[96];
    const std::int64_t left = std::max<std::int64_t>(total - done, 0);
    const std::string timeLeft =
        framesPerSecond > 0.0 ? MinutesAndSeconds(left / framesPerSecond) : "-:--";
    std::snprintf(figures, sizeof(figures), " %lld/%lld frames %7.1f fps %6s left",
                  static_cast<long long>(done), static_cast<long long>(total), framesPerSecond,
                  timeLeft.c_str());
    const int barWidth = std::max(width - static_cast<int>(std::string(figures).size()) - 2, 0);
    const double fraction =
        total > 0 ? std::clamp(static_cast<double>(done) / static_cast<double>(total), 0.0, 1.0)
                  : 0.0;
    const int filled = static_cast<int>(fraction * barWidth);
    return "[" + std::string(filled, '#') + std::string(barWidth - filled, '.') + "]" + figures;
}

ProgressBar::ProgressBar(bool shownOnTerminal, std::int64_t totalFrames)
    : shown(shownOnTerminal), total(totalFrames), start(Clock::now()), lastDrawn(start) {}

void ProgressBar::Update(std::int64_t framesDone) {
    const Clock::time_point now = Clock::now();
    if (!shown || (now - lastDrawn < redrawEvery && framesDone < total)) {
        return;
    }
    lastDrawn = now;
    const double seconds = std::chrono::duration<double>(now - start).count();
    const double rate = seconds > 0.0 ? static_cast<double>(framesDone) / seconds : 0.0;
    std::fprintf(stderr, "\r%s", ProgressLine(framesDone, total, rate, lineWidth).c_str());
    std::fflush(stderr);
    drawn = true;
}

void ProgressBar::Clear() {
    if (drawn) {
        std::fprintf(stderr, "\r%*s\r", lineWidth, "");
        std::fflush(stderr);
        drawn = false;
    }
}
