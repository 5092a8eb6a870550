#include "tools/datagen/datagen.h"

#include "tools/datagen/contact_sheet.h"
#include "tools/datagen/lettering.h"
#include "tools/datagen/mastering.h"
#include "tools/datagen/mp3_encoder.h"
#include "tools/datagen/music.h"
#include "tools/datagen/pictures.h"

#include <filesystem>
#include <fstream>

namespace datagen {
namespace {

std::string WriteFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    return file ? std::string() : "cannot write " + path;
}

std::string GenerateMusic(const std::string& folder, DataReport* report) {
    StereoBuffer music = ComposeMusic();
    const MasterResult mastered = Master(music, MasterSettings{});
    const Mp3 mp3 = EncodeMp3(music.left, music.right);
    if (!mp3.error.empty()) {
        return mp3.error;
    }
    report->musicSeconds = static_cast<double>(music.Frames()) / sampleRate;
    report->loudness = mastered.loudness;
    report->peak = mastered.peak;
    report->mp3Bytes = mp3.bytes.size();
    return WriteFile(folder + "/muzak.mp3", mp3.bytes);
}

} // namespace

std::string GenerateShowData(const std::string& folder, const std::string& contactSheet,
                             DataReport* report) {
    if (!std::filesystem::is_directory(folder)) {
        return "no folder " + folder;
    }
    const Lettering lettering;
    if (!lettering.Error().empty()) {
        return lettering.Error();
    }
    const ShowPictures pictures = DrawShowPictures(lettering);
    std::string error = WriteShowPictures(pictures, folder);
    if (error.empty() && !contactSheet.empty()) {
        error = SavePng(DrawContactSheet(pictures, lettering), contactSheet);
    }
    if (error.empty()) {
        error = GenerateMusic(folder, report);
    }
    return error;
}

} // namespace datagen
