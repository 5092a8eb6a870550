// A damaged data folder, one file at a time: each of the show's pictures, masks and its
// music missing, empty, cut in the middle, garbage, of another format under the same name,
// or declaring a huge size. The fourteen pictures end the start-up naming the file; masks
// and swarm pictures let the show go on without them; the music ends the start-up with the
// sound library's text, or plays for as long as it lasts.

#include "gfx/decoded_picture.h"
#include "support/fake_run.h"
#include "support/picture_bytes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <utility>

namespace {

enum class Role { Picture, Mask, SwarmPicture };

struct DataFile {
    const char* name;
    Role role;
    const char* pairedWith; // a mask's picture, a picture's mask, or null
};

// Every file of data/ but the music, as the scene loads them.
const DataFile dataFiles[] = {
    {"image.jpg", Role::Picture, "imagea.jpg"},
    {"imagea.jpg", Role::Mask, "image.jpg"},
    {"metronomoide.jpg", Role::Picture, "metronomoidea.jpg"},
    {"metronomoidea.jpg", Role::Mask, "metronomoide.jpg"},
    {"Ovrin.jpg", Role::Picture, "Ovrina.jpg"},
    {"Ovrina.jpg", Role::Mask, "Ovrin.jpg"},
    {"xv5.jpg", Role::Picture, nullptr},
    {"blanconick.jpg", Role::Picture, "kurne.jpg"},
    {"kurne.jpg", Role::Mask, "blanconick.jpg"},
    {"dospe.jpg", Role::Mask, "blanconick.jpg"},
    {"fralu.jpg", Role::Mask, "blanconick.jpg"},
    {"qmz.jpg", Role::Mask, "blanconick.jpg"},
    {"yorvek.jpg", Role::Mask, "blanconick.jpg"},
    {"code.jpg", Role::Mask, "blanconick.jpg"},
    {"gfx.jpg", Role::Mask, "blanconick.jpg"},
    {"music.jpg", Role::Mask, "blanconick.jpg"},
    {"negdeg.jpg", Role::Picture, "deg1.jpg"},
    {"deg1.jpg", Role::Mask, "negdeg.jpg"},
    {"tuvoran.jpg", Role::Picture, "tuvoran.jpg"}, // its own mask
    {"cubonegro.jpg", Role::SwarmPicture, nullptr},
    {"particle1.jpg", Role::SwarmPicture, "particle1a.jpg"},
    {"particle1a.jpg", Role::Mask, "particle1.jpg"},
    {"rayo.jpg", Role::SwarmPicture, "rayoa.jpg"},
    {"rayoa.jpg", Role::Mask, "rayo.jpg"},
};

enum class Fault { Missing, Empty, CutInTheMiddle, Garbage, OtherFormat, HugeSize };
constexpr Fault allFaults[] = {Fault::Missing, Fault::Empty,       Fault::CutInTheMiddle,
                               Fault::Garbage, Fault::OtherFormat, Fault::HugeSize};

const char* NameOf(Fault fault) {
    switch (fault) {
    case Fault::Missing:
        return "missing";
    case Fault::Empty:
        return "empty";
    case Fault::CutInTheMiddle:
        return "cut in the middle";
    case Fault::Garbage:
        return "garbage";
    case Fault::OtherFormat:
        return "another format";
    case Fault::HugeSize:
        return "huge declared size";
    }
    return "";
}

std::string Garbage(std::size_t length) {
    std::mt19937 random(20240611);
    std::string bytes(length, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(random() & 0xFF);
    }
    return bytes;
}

// The same picture as PNG.
std::string AsPng(const std::string& jpeg) {
    std::string copy = jpeg;
    FIMEMORY* in =
        FreeImage_OpenMemory(reinterpret_cast<BYTE*>(copy.data()), static_cast<DWORD>(copy.size()));
    const Bitmap picture(FreeImage_LoadFromMemory(FIF_JPEG, in, 0));
    FreeImage_CloseMemory(in);
    FIMEMORY* out = FreeImage_OpenMemory();
    FreeImage_SaveToMemory(FIF_PNG, picture.get(), out, 0);
    BYTE* data = nullptr;
    DWORD size = 0;
    FreeImage_AcquireMemory(out, &data, &size);
    std::string png(reinterpret_cast<const char*>(data), size);
    FreeImage_CloseMemory(out);
    return png;
}

// Half a second of a tone as 16-bit PCM in a WAVE file.
std::string WaveFile() {
    constexpr int rate = 44100;
    std::string samples;
    for (int i = 0; i < rate / 2; ++i) {
        const auto value = static_cast<std::int16_t>(8000.0 * std::sin(i * 0.0627));
        samples += static_cast<char>(value & 0xFF);
        samples += static_cast<char>((value >> 8) & 0xFF);
    }
    const auto little32 = [](std::uint32_t value) {
        return std::string{static_cast<char>(value), static_cast<char>(value >> 8),
                           static_cast<char>(value >> 16), static_cast<char>(value >> 24)};
    };
    return "RIFF" + little32(36 + samples.size()) + "WAVEfmt " + little32(16) +
           std::string("\x01\x00\x01\x00", 4) + little32(rate) + little32(rate * 2) +
           std::string("\x02\x00\x10\x00", 4) + "data" + little32(samples.size()) + samples;
}

// Damages the data file name in folder; the music's other format is a WAVE file.
void Damage(const ShowFolder& folder, const std::string& name, Fault fault) {
    const std::string original = ShowFolder::OriginalBytes(name);
    const bool music = name == "muzak.mp3";
    switch (fault) {
    case Fault::Missing:
        folder.Remove(name);
        break;
    case Fault::Empty:
        folder.Replace(name, "");
        break;
    case Fault::CutInTheMiddle:
        folder.Replace(name, original.substr(0, original.size() / 2));
        break;
    case Fault::Garbage:
        folder.Replace(name, Garbage(original.size()));
        break;
    case Fault::OtherFormat:
        folder.Replace(name, music ? WaveFile() : AsPng(original));
        break;
    case Fault::HugeSize:
        folder.Replace(name, WithDeclaredSize(original, 65500, 65500));
        break;
    }
}

std::string InData(const ShowFolder& folder, const char* name) {
    return folder.Path() + "/data/" + name;
}

TEST(DataFaults, EachFaultOfEachPictureOrMaskAtTheLoader) {
    for (const DataFile& file : dataFiles) {
        for (const Fault fault : allFaults) {
            SCOPED_TRACE(std::string(file.name) + ", " + NameOf(fault));
            ShowFolder folder;
            Damage(folder, file.name, fault);
            if (file.role != Role::Mask) {
                const char* mask = file.pairedWith;
                EXPECT_FALSE(
                    DecodePicture(InData(folder, file.name).c_str(), 32,
                                  mask != nullptr ? InData(folder, mask).c_str() : nullptr));
                continue;
            }
            // The picture loads as if it had no mask: opaque, but with four components.
            const std::optional<DecodedPicture> picture = DecodePicture(
                InData(folder, file.pairedWith).c_str(), 32, InData(folder, file.name).c_str());
            ASSERT_TRUE(picture);
            EXPECT_FALSE(picture->hasAlpha);
            EXPECT_EQ(picture->upload.internalFormat, 4);
            const BYTE* corner = FreeImage_GetScanLine(picture->image.get(), 0);
            EXPECT_EQ(corner[FI_RGBA_ALPHA], 255);
        }
    }
}

// The whole run, one file at a time, each with a fault of its own in turn.
TEST(DataFaults, APictureEndsTheStartUpAndAMaskOrSwarmPictureDoesNot) {
    constexpr int musicMs = 66000;
    constexpr int stepMs = 500;
    int turn = 0;
    for (const DataFile& file : dataFiles) {
        const Fault fault = allFaults[turn++ % std::size(allFaults)];
        SCOPED_TRACE(std::string(file.name) + ", " + NameOf(fault));
        ShowFolder folder;
        Damage(folder, file.name, fault);
        PlayingBackend backend(stepMs);
        const RunResult run = RunShow(backend, folder.Path());
        if (file.role == Role::Picture) {
            EXPECT_EQ(run.exitCode, 1);
            EXPECT_EQ(run.errors,
                      std::string("tuvoran: Can not load file : data\\") + file.name + "\n");
            EXPECT_EQ(backend.swaps, 0);
        } else {
            // Every moment of the timeline is drawn without the file, until the music ends.
            EXPECT_EQ(run.exitCode, 0);
            EXPECT_EQ(run.errors, "");
            EXPECT_GE(backend.swaps, musicMs / stepMs);
        }
        EXPECT_EQ(backend.DisplayLeftovers(), "");
    }
}

TEST(DataFaults, MusicThatCannotBeReadEndsTheStartUpAndCutMusicPlaysWhatItHas) {
    const std::pair<Fault, const char*> faults[] = {
        {Fault::Missing, "tuvoran: File not found\n"},
        {Fault::Empty, "tuvoran: Unknown file format\n"},
        {Fault::CutInTheMiddle, ""},
        {Fault::Garbage, "tuvoran: Unknown file format\n"},
        {Fault::OtherFormat, "tuvoran: Unknown file format\n"},
    };
    constexpr int stepMs = 500;
    for (const auto& [fault, errors] : faults) {
        SCOPED_TRACE(NameOf(fault));
        ShowFolder folder;
        Damage(folder, "muzak.mp3", fault);
        PlayingBackend backend(stepMs);
        const RunResult run = RunShow(backend, folder.Path());
        const bool plays = errors[0] == '\0';
        EXPECT_EQ(run.exitCode, plays ? 0 : 1);
        EXPECT_EQ(run.errors, errors);
        if (plays) { // half of the 66 s, and the show ends with it
            EXPECT_GE(backend.swaps, 33000 / stepMs);
            EXPECT_LT(backend.swaps, 34000 / stepMs);
        }
        EXPECT_FALSE(backend.displayModeSet);
        EXPECT_EQ(backend.LiveWindows(), 0);
        EXPECT_FALSE(backend.audioOpen);
    }
}

} // namespace
