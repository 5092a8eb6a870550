#include "app/live_options.h"

#include "app/option_values.h"
#include "platform/data_folder.h"
#include "tuvoran_version.h"

#include <algorithm>
#include <climits>

namespace {

bool LooksLikeGeometry(const std::string& text) {
    ViewOptions view;
    return ReadWindowGeometry(text, &view.windowWidth, &view.windowHeight, &view.placed,
                              &view.windowX, &view.windowY);
}

// "-480" is a height for the show to refuse, not an option.
bool IsSignedNumber(const std::string& text) {
    const std::size_t digits = text[0] == '-' || text[0] == '+' ? 1 : 0;
    return text.size() > digits &&
           text.find_first_not_of("0123456789", digits) == std::string::npos;
}

bool IsOption(const std::string& text) {
    return !text.empty() && text[0] == '-' && !IsSignedNumber(text);
}

} // namespace

ParsedLiveOptions ParseLiveOptions(const std::vector<std::string>& arguments) {
    ParsedLiveOptions parsed;
    LiveOptions& options = parsed.options;
    const auto fail = [&parsed](const std::string& message) {
        parsed.error = message;
        return parsed;
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--") {
            options.showArguments.insert(options.showArguments.end(), arguments.begin() + i + 1,
                                         arguments.end());
            break;
        }
        if (!IsOption(argument)) {
            options.showArguments.push_back(argument);
            continue;
        }
        const std::size_t equals = argument.find('=');
        const bool inlineValue = argument.rfind("--", 0) == 0 && equals != std::string::npos;
        const std::string name = inlineValue ? argument.substr(0, equals) : argument;
        const std::string value = inlineValue ? argument.substr(equals + 1) : "";
        // The option's value, given after '=' or as the next argument; false when there is none.
        const auto takeValue = [&](std::string* taken) {
            if (inlineValue) {
                *taken = value;
                return true;
            }
            if (i + 1 == arguments.size()) {
                return false;
            }
            *taken = arguments[++i];
            return true;
        };
        if (name == "--window") {
            std::string size = value;
            // The size may also follow as the next argument, which no display mode looks like.
            if (!inlineValue && i + 1 < arguments.size() && LooksLikeGeometry(arguments[i + 1])) {
                size = arguments[++i];
            }
            ViewOptions& view = options.view;
            if ((inlineValue || !size.empty()) &&
                !ReadWindowGeometry(size, &view.windowWidth, &view.windowHeight, &view.placed,
                                    &view.windowX, &view.windowY)) {
                return fail("bad value '" + size +
                            "' for --window: give WIDTHxHEIGHT, each from 1 to " +
                            std::to_string(largestSide) + ", and +X+Y for its place");
            }
            options.view.windowed = true;
            continue;
        }
        if (name == "--at") {
            // Anything after it is its value, "-5" included, so that a mistake is named.
            std::string time;
            if (!takeValue(&time)) {
                return fail("--at needs a value");
            }
            if (!ReadNumber(time, 0, INT_MAX, &options.controls.startMs)) {
                return fail("bad value '" + time +
                            "' for --at: give milliseconds from 0 to the music's length");
            }
            continue;
        }
        if (name == "--audio-latency") {
            std::string latency;
            if (!takeValue(&latency)) {
                return fail("--audio-latency needs a value");
            }
            if (!ReadAudioLatency(latency, &options.audioLatencyMs)) {
                return fail("bad value '" + latency +
                            "' for --audio-latency: " + AudioLatencyRange());
            }
            continue;
        }
        if (name == "--state-file") {
            std::string file;
            if (!takeValue(&file)) {
                return fail("--state-file needs a value");
            }
            if (file.empty()) {
                return fail("bad value '' for --state-file: give a file's name");
            }
            options.controls.stateFile = file;
            continue;
        }
        const bool flag = name == "--keep-aspect" || name == "--pause" || name == "--loop" ||
                          name == "--help" || name == "-h" || name == "--version" ||
                          name == "--verbose";
        if (!flag) {
            return fail("unknown option '" + name + "'");
        }
        if (inlineValue) {
            return fail(name + " takes no value");
        }
        if (name == "--keep-aspect" || name == "--pause" || name == "--loop" ||
            name == "--verbose") {
            bool& set = name == "--keep-aspect" ? options.view.keepAspect
                        : name == "--pause"     ? options.controls.paused
                        : name == "--loop"      ? options.controls.loop
                                                : options.verbose;
            set = true;
            continue;
        }
        // Answered at once, whatever follows but the --verbose of a --version.
        (name == "--version" ? options.version : options.help) = true;
        if (options.version) {
            const auto end = std::find(arguments.begin() + static_cast<std::ptrdiff_t>(i),
                                       arguments.end(), "--");
            options.verbose =
                options.verbose || std::find(arguments.begin(), end, "--verbose") != end;
        }
        return parsed;
    }
    if (options.verbose) {
        return fail("--verbose goes with --version only");
    }
    return parsed;
}

std::string LiveUsage(const std::string& programName) {
    return "Usage: " + programName +
           " [--window[=WxH[+X+Y]]] [--keep-aspect] [--at MS] [--pause] [--loop]"
           " [--audio-latency MS] [--state-file FILE] [WIDTH HEIGHT BITS]\n"
           "\n"
           "Plays the show full screen in the display mode WIDTH x HEIGHT with BITS colour\n"
           "bits (all three, or the defaults 640 480 32) and ends with the music.\n"
           "\n"
           "  --window[=WxH]  play in a resizable window of that size (default 640x480);\n"
           "                  the display mode is left as it is, and the show keeps its\n"
           "                  4:3 shape with black bars. The three numbers still choose the\n"
           "                  mode of full screen, which F11 switches to. WxH+X+Y also\n"
           "                  puts the window's inside at X, Y of the desktop.\n"
           "  --keep-aspect   in full screen on a screen of another shape than 4:3, keep\n"
           "                  the show's shape with black bars instead of stretching it\n"
           "  --at MS         start MS milliseconds into the music, on the frame that\n"
           "                  tuvoran-capture draws there\n"
           "  --pause         start paused, silent, on the first frame, until Space\n"
           "  --loop          when the music ends, play the show again from its start,\n"
           "                  until Escape\n"
           "  --audio-latency MS  the sound reaches you MS milliseconds later than the\n"
           "                  system knows (Bluetooth headphones, a TV's speakers): the\n"
           "                  picture waits as long; negative when the screen is the\n"
           "                  slower. From -1000 to 1000\n"
           "  --state-file FILE  after each seek, pause and resume, and at the end, write\n"
           "                  to FILE the options that start the show again there:\n"
           "                  --at=MS, --pause when paused, --window=WxH+X+Y in a window\n"
           "  -h, --help      this text\n"
           "  --version       the program's version; with --verbose also the OpenGL\n"
           "                  driver, the sound device and the music decoder in use\n"
           "\n"
           "Keys:\n"
           "  Escape            end the show\n"
           "  Space             pause or resume\n"
           "  Left, Right       5 seconds back or on\n"
           "  Home              back to the start\n"
           "  F                 show or hide the frame rate, the OpenGL renderer, the\n"
           "                    sound's latency (and the music's position while paused)\n"
           "  F11, Alt+Enter    switch between window and full screen\n"
           "  Alt+F4            close the window, which ends the show\n"
           "\n" +
           DataFolderUsage();
}

std::string LiveVersion() {
    return std::string("tuvoran ") + TUVORAN_VERSION + "\n";
}

std::string ResumeOptions(int ms, bool paused, const ViewOptions* view) {
    std::string options = "--at=" + std::to_string(ms);
    if (paused) {
        options += " --pause";
    }
    if (view != nullptr && view->windowed) {
        options += " --window=" + WindowGeometryText(view->windowWidth, view->windowHeight,
                                                     view->windowX, view->windowY);
    }
    return options;
}
