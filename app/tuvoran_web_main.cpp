#include "app/error_text.h"
#include "app/run_demo.h"
#include "app/show_controls.h"
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

int main() {
    return RunWebShows(FreshWinMain);
}
