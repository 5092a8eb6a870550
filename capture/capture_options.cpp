#include "capture/capture_options.h"

#include "app/option_values.h"
#include "tuvoran_version.h"

#include <algorithm>
#include <climits>

namespace {

constexpr int largestFps = 1000;

bool ReadTimes(const std::string& text, std::vector<int>* times) {
    std::vector<int> read;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        int time = 0;
        if (!ReadNumber(text.substr(start, comma - start), 0, INT_MAX, &time)) {
            return false;
        }
        read.push_back(time);
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    *times = read;
    return true;
}

bool TakesValue(const std::string& name) {
    return name == "--size" || name == "--fps" || name == "--out" || name == "--png" ||
           name == "--at" || name == "--from" || name == "--until";
}

// Checks that hold between options, once all are read.
std::string Conflicts(const CaptureOptions& options, bool outGiven) {
    if (options.verbose) {
        return "--verbose goes with --version only";
    }
    if (outGiven && !options.pngFolder.empty()) {
        return "--out and --png cannot be used together";
    }
    if (!options.at.empty() && options.pngFolder.empty()) {
        return "--at writes pictures: it needs --png DIR";
    }
    for (const int time : options.at) {
        if (options.until >= 0 && time > options.until) {
            return "--at " + std::to_string(time) + " lies after --until " +
                   std::to_string(options.until);
        }
        if (time < options.from) {
            return "--at " + std::to_string(time) + " lies before --from " +
                   std::to_string(options.from);
        }
    }
    if (options.until >= 0 && options.until < options.from) {
        return "--until " + std::to_string(options.until) + " lies before --from " +
               std::to_string(options.from);
    }
    if (options.pngFolder.empty() && (options.width % 2 != 0 || options.height % 2 != 0)) {
        return "a video needs an even width and height (--size)";
    }
    return "";
}

} // namespace

ParsedCaptureOptions ParseCaptureOptions(const std::vector<std::string>& arguments) {
    ParsedCaptureOptions parsed;
    CaptureOptions& options = parsed.options;
    bool outGiven = false;
    const auto fail = [&parsed](const std::string& message) {
        parsed.error = message;
        return parsed;
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        std::string value;
        const std::size_t equals = name.find('=');
        const bool inlineValue = name.rfind("--", 0) == 0 && equals != std::string::npos;
        if (inlineValue) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        if (name == "--help" || name == "-h") {
            options.help = true;
            return parsed;
        }
        if (name == "--version") {
            // Answered at once, whatever follows but a --verbose.
            options.version = true;
            options.verbose =
                options.verbose || std::find(arguments.begin() + static_cast<std::ptrdiff_t>(i),
                                             arguments.end(), "--verbose") != arguments.end();
            return parsed;
        }
        if (name == "--quiet" || name == "--keep-aspect" || name == "--verbose") {
            if (inlineValue) {
                return fail(name + " takes no value");
            }
            (name == "--quiet"         ? options.quiet
             : name == "--keep-aspect" ? options.keepAspect
                                       : options.verbose) = true;
            continue;
        }
        if (!TakesValue(name)) {
            return fail(name.rfind('-', 0) == 0 ? "unknown option '" + name + "'"
                                                : "unexpected argument '" + name + "'");
        }
        if (!inlineValue) {
            if (i + 1 == arguments.size()) {
                return fail(name + " needs a value");
            }
            value = arguments[++i];
        }
        std::string bad = "bad value '";
        bad.append(value).append("' for ").append(name).append(": ");
        if (name == "--size") {
            if (!ReadSize(value, &options.width, &options.height)) {
                return fail(bad + "give WIDTHxHEIGHT, each from 1 to " +
                            std::to_string(largestSide));
            }
        } else if (name == "--fps") {
            if (!ReadNumber(value, 1, largestFps, &options.fps)) {
                return fail(bad + "give a whole number from 1 to " + std::to_string(largestFps));
            }
        } else if (name == "--out") {
            if (value.empty()) {
                return fail(bad + "give a file name");
            }
            options.out = value;
            outGiven = true;
        } else if (name == "--png") {
            if (value.empty()) {
                return fail(bad + "give a folder");
            }
            options.pngFolder = value;
        } else if (name == "--at") {
            if (!ReadTimes(value, &options.at)) {
                return fail(bad + "give milliseconds, separated by commas");
            }
        } else if (!ReadNumber(value, 0, INT_MAX,
                               name == "--from" ? &options.from : &options.until)) {
            return fail(bad + "give milliseconds");
        }
    }
    const std::string conflict = Conflicts(options, outGiven);
    if (!conflict.empty()) {
        return fail(conflict);
    }
    if (options.pngFolder.empty() && options.out.empty()) {
        options.out = defaultVideoFile;
    }
    return parsed;
}

std::string CaptureUsage(const std::string& programName) {
    return "Usage: " + programName +
           " [--size WxH] [--fps N] [--out FILE] [--png DIR] [--at MS[,MS...]] [--from MS]"
           " [--until MS] [--keep-aspect] [--quiet]\n"
           "\n"
           "Plays the show offscreen on a virtual clock and records every frame.\n"
           "\n"
           "  --size WxH     display mode of the show (default 1024x768)\n"
           "  --fps N        frames per second of music time (default 60)\n"
           "  --out FILE     H.264/AAC video written with ffmpeg (default " +
           std::string(defaultVideoFile) +
           ")\n"
           "  --png DIR      frame-NNNNNN.png and music.wav in DIR instead of a video\n"
           "  --at MS,...    with --png: only the first frame at or after each time,\n"
           "                 as at-MS.png; the capture ends after the last of them\n"
           "  --from MS      start with the first frame at or after MS, the same frame\n"
           "                 and music as the whole capture's, numbered as there\n"
           "  --until MS     end after the first frame at or after MS\n"
           "                 (default: where the show ends, with the music)\n"
           "  --keep-aspect  keep the show's 4:3 shape in a --size of another shape,\n"
           "                 with black bars, instead of stretching it\n"
           "  --quiet        no progress bar\n"
           "  --help         this text\n"
           "  --version      the program's version; with --verbose also the OpenGL\n"
           "                 driver that draws the frames and the music decoder\n";
}

std::string CaptureVersion() {
    return std::string("tuvoran-capture ") + TUVORAN_VERSION + "\n";
}
