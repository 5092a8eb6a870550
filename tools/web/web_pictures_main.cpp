// Makes the web site's pictures of the show from stills that tuvoran-capture wrote, and says
// how long its music is, as the program's own decoder hears it:
//   tuvoran-web-pictures LANDING.png CARD.png MUSIC FOLDER
//   ->  FOLDER/landing.webp   behind the page's start prompt, at most 800 pixels wide
//       FOLDER/card.jpg       1200x630, for link previews: the card still's middle band,
//                             which must be at least 1200 pixels wide
//       FOLDER/music.json     {"lengthMs": N}, for the page's words

#include "platform/audio_file.h"

#include <FreeImage.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace {

struct BitmapDeleter {
    void operator()(FIBITMAP* bitmap) const { FreeImage_Unload(bitmap); }
};
using Bitmap = std::unique_ptr<FIBITMAP, BitmapDeleter>;

constexpr int cardWidth = 1200;
constexpr int cardHeight = 630;
// The landing is seen dimmed behind text, and its bytes come before the prompt.
constexpr int landingQuality = 50;
constexpr int landingWidth = 800;
constexpr int cardQuality = 55;

// The still at the card's width, cut to the card's height about its middle.
Bitmap CardPicture(FIBITMAP* still) {
    const int width = static_cast<int>(FreeImage_GetWidth(still));
    const int height = static_cast<int>(FreeImage_GetHeight(still));
    const int scaledHeight = height * cardWidth / width;
    if (scaledHeight < cardHeight) {
        return nullptr;
    }
    const Bitmap scaled(FreeImage_Rescale(still, cardWidth, scaledHeight, FILTER_CATMULLROM));
    if (!scaled) {
        return nullptr;
    }
    const int top = (scaledHeight - cardHeight) / 2;
    return Bitmap(FreeImage_Copy(scaled.get(), 0, top, cardWidth, top + cardHeight));
}

Bitmap LandingPicture(FIBITMAP* still) {
    const int width = static_cast<int>(FreeImage_GetWidth(still));
    const int height = static_cast<int>(FreeImage_GetHeight(still));
    if (width <= landingWidth) {
        return Bitmap(FreeImage_Clone(still));
    }
    return Bitmap(
        FreeImage_Rescale(still, landingWidth, height * landingWidth / width, FILTER_CATMULLROM));
}

// Neither format keeps an alpha channel worth its bytes: the show is opaque.
Bitmap ReadStill(const char* path) {
    const Bitmap loaded(FreeImage_Load(FIF_PNG, path, PNG_DEFAULT));
    return Bitmap(loaded ? FreeImage_ConvertTo24Bits(loaded.get()) : nullptr);
}

bool Save(FREE_IMAGE_FORMAT format, FIBITMAP* picture, const std::string& path, int flags) {
    return picture != nullptr && FreeImage_Save(format, picture, path.c_str(), flags) != 0;
}

// The music's length in whole milliseconds; -1 when it cannot be decoded or has no known end.
long long MusicLengthMs(const std::string& path) {
    AudioFileError error = AudioFileError::None;
    const std::unique_ptr<AudioFile> music = OpenAudioFile(path, &error);
    if (music == nullptr || music->Frames() < 0 || music->Rate() <= 0) {
        return -1;
    }
    return music->Frames() * 1000 / music->Rate();
}

bool WriteMusicFacts(const std::string& path, long long lengthMs) {
    std::ofstream facts(path);
    facts << "{\"lengthMs\": " << lengthMs << "}\n";
    return static_cast<bool>(facts.flush());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "Usage: %s LANDING.png CARD.png MUSIC FOLDER\n", argv[0]);
        return 2;
    }
    const long long lengthMs = MusicLengthMs(argv[3]);
    if (lengthMs < 0) {
        std::fprintf(stderr, "%s: cannot tell the length of the music %s\n", argv[0], argv[3]);
        return 1;
    }
    const Bitmap still = ReadStill(argv[1]);
    const Bitmap cardStill = ReadStill(argv[2]);
    for (int i = 1; i <= 2; ++i) {
        if (!(i == 1 ? still : cardStill)) {
            std::fprintf(stderr, "%s: cannot read the still %s\n", argv[0], argv[i]);
            return 1;
        }
    }
    const std::string folder = argv[4];
    std::error_code ignored; // a folder that cannot be made fails the first write
    std::filesystem::create_directories(folder, ignored);
    const Bitmap landing = LandingPicture(still.get());
    if (!Save(FIF_WEBP, landing.get(), folder + "/landing.webp", landingQuality)) {
        std::fprintf(stderr, "%s: cannot write %s/landing.webp\n", argv[0], folder.c_str());
        return 1;
    }
    const Bitmap card = CardPicture(cardStill.get());
    if (!Save(FIF_JPEG, card.get(), folder + "/card.jpg",
              cardQuality | JPEG_PROGRESSIVE | JPEG_OPTIMIZE)) {
        std::fprintf(stderr, "%s: cannot write %s/card.jpg (the still must be at least %dx%d)\n",
                     argv[0], folder.c_str(), cardWidth, cardHeight);
        return 1;
    }
    if (!WriteMusicFacts(folder + "/music.json", lengthMs)) {
        std::fprintf(stderr, "%s: cannot write %s/music.json\n", argv[0], folder.c_str());
        return 1;
    }
    return 0;
}
