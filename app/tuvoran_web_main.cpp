#include "app/error_text.h"
#include "app/option_values.h"
#include "app/run_demo.h"
#include "app/show_controls.h"
#include "platform/frame_timing.h"
#include "platform/web/web_backend.h"

namespace {

// Each show the page starts begins as the first did, with no error from the one before, at
// the moment the page asks for.
int FreshWinMain(HINSTANCE instance, HINSTANCE previousInstance, char* commandLine,
                 int showCommand) {
    SetErrorText("No Error");
    const ShowMoment moment = CurrentShowMoment();
    ShowControlOptions options;
    options.startMs = moment.startMs;
    options.paused = moment.paused;
    options.loop = moment.loop;
    SetShowControlOptions(options);
    return WinMain(instance, previousInstance, commandLine, showCommand);
}

} // namespace

// ?latency=MS is the page's --audio-latency MS; an address with a value that the program
// would refuse offers no show, and says why.
int main() {
    int latencyMs = 0;
    if (const auto latency = PageAudioLatencyText();
        latency.has_value() && !ReadAudioLatency(*latency, &latencyMs)) {
        RefuseWebShows("This address asks for latency=" + *latency +
                       ", which the show does not take: " + AudioLatencyRange() + ".");
        return 2;
    }
    SetExtraAudioLatency(latencyMs);
    return RunWebShows(FreshWinMain);
}
