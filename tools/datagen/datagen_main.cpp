// tuvoran-datagen FOLDER [CONTACT_SHEET.png]: writes the show's pictures and music into
// FOLDER and, when asked, a contact sheet of the pictures.

#include "tools/datagen/datagen.h"
#include "tools/datagen/music.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s FOLDER [CONTACT_SHEET.png]\n", argv[0]);
        return 2;
    }
    std::error_code ignored;
    std::filesystem::create_directories(argv[1], ignored);
    datagen::DataReport report;
    const std::string error = datagen::GenerateShowData(argv[1], argc > 2 ? argv[2] : "", &report);
    if (!error.empty()) {
        std::fprintf(stderr, "tuvoran-datagen: %s\n", error.c_str());
        return 1;
    }
    std::printf("muzak.mp3: %.3f s, %.1f LUFS, peak %.2f dBFS before encoding, %zu bytes\n",
                report.musicSeconds, report.loudness, report.peak, report.mp3Bytes);
    for (const datagen::ShowMoment& moment : datagen::ShowMoments()) {
        std::printf("  %5.1f s  %-40s %s\n", moment.seconds, moment.picture, moment.music);
    }
    if (argc > 2) {
        std::printf("contact sheet: %s\n", argv[2]);
    }
    return 0;
}
