#include "platform/dialog.h"

#include "platform/backend.h"
#include "platform/process_internal.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
// Set by test harnesses and scripts: the text goes to standard error only.
bool BoxesSuppressed() {
    const char* value = std::getenv("TUVORAN_NO_MESSAGE_BOX");
    return value != nullptr && value[0] != '\0' && value[0] != '0';
}
} // namespace

int MessageBoxA(HWND /*owner*/, const char* text, const char* caption, UINT /*type*/) {
    const char* shown = text != nullptr ? text : "";
    std::fprintf(stderr, "%s: %s\n", ProgramName(), shown);
    const std::string advice = TakeFailureAdvice();
    if (!advice.empty()) {
        std::fprintf(stderr, "%s: %s\n", ProgramName(), advice.c_str());
    }
    std::fflush(stderr);
    // A signal already asked the run to end: nobody waits for a box.
    if (!BoxesSuppressed() && !SignalCloseRequested()) {
        CurrentBackend().ShowMessageBox(caption != nullptr ? caption : "", shown);
    }
    return IDOK;
}
