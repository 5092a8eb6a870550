#include "app/error_text.h"
#include "app/run_demo.h"
#include "platform/web/web_backend.h"

namespace {

// Each show the page starts begins as the first did, with no error from the one before.
int FreshWinMain(HINSTANCE instance, HINSTANCE previousInstance, char* commandLine,
                 int showCommand) {
    SetErrorText("No Error");
    return WinMain(instance, previousInstance, commandLine, showCommand);
}

} // namespace

int main() {
    return RunWebShows(FreshWinMain);
}
