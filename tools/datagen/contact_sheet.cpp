#include "tools/datagen/contact_sheet.h"

#include "tools/datagen/det_math.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace datagen {
namespace {

constexpr double canvasWidth = 1024.0;

enum class Blend { normal, additive };

// A loaded sprite: its colour, and where its alpha comes from.
struct SpriteSource {
    const Picture* colour = nullptr;
    const Grey* mask = nullptr; // none: alpha is the placement's alone
    bool ownMask = false;       // the picture's own grey levels are its alpha
};

struct Placement {
    double x = 0.0;
    double y = 0.0;
    double pivotX = 0.0;
    double pivotY = 0.0;
    double scaleX = 1.0;
    double scaleY = 1.0;
    double angle = 0.0;
    double alpha = 1.0;
};

Placement Centred(const Picture& picture, double x, double y, double scale, double angle,
                  double alpha) {
    return {x, y, picture.Width() * 0.5, picture.Height() * 0.5, scale, scale, angle, alpha};
}

double Luminance(Colour c) {
    return 0.299 * c.r + 0.587 * c.g + 0.114 * c.b;
}

void Blit(Picture& frame, Colour colour, double alpha, Blend blend, int x, int y) {
    alpha = Clamp(alpha, 0.0, 1.0);
    if (alpha <= 0.0) {
        return;
    }
    Colour& target = frame.At(x, y);
    const Colour source = colour * alpha;
    target = blend == Blend::additive ? source + target : source + target * (1.0 - alpha);
    target = {std::min(target.r, 1.0), std::min(target.g, 1.0), std::min(target.b, 1.0)};
}

// The sprite's pivot lands on (x, y) of the 1024 by 768 canvas; the picture is scaled and
// turned about it, as the show's sprite drawing does.
void DrawSprite(Picture& frame, const SpriteSource& sprite, const Placement& place, Blend blend) {
    const Picture& picture = *sprite.colour;
    const double toFrame = frame.Width() / canvasWidth;
    const double s = Sin(place.angle);
    const double c = Cos(place.angle);
    const double left = -place.pivotX * place.scaleX;
    const double right = (picture.Width() - place.pivotX) * place.scaleX;
    const double top = -place.pivotY * place.scaleY;
    const double bottom = (picture.Height() - place.pivotY) * place.scaleY;
    double minX = 1e9;
    double maxX = -1e9;
    double minY = 1e9;
    double maxY = -1e9;
    for (const double u : {left, right}) {
        for (const double v : {top, bottom}) {
            const double cx = (place.x + u * c - v * s) * toFrame;
            const double cy = (place.y + u * s + v * c) * toFrame;
            minX = std::min(minX, cx);
            maxX = std::max(maxX, cx);
            minY = std::min(minY, cy);
            maxY = std::max(maxY, cy);
        }
    }
    const int x0 = std::max(0, static_cast<int>(std::floor(minX)));
    const int x1 = std::min(frame.Width() - 1, static_cast<int>(std::ceil(maxX)));
    const int y0 = std::max(0, static_cast<int>(std::floor(minY)));
    const int y1 = std::min(frame.Height() - 1, static_cast<int>(std::ceil(maxY)));
    if (place.scaleX == 0.0 || place.scaleY == 0.0) {
        return;
    }
    for (int py = y0; py <= y1; ++py) {
        for (int px = x0; px <= x1; ++px) {
            const double dx = (px + 0.5) / toFrame - place.x;
            const double dy = (py + 0.5) / toFrame - place.y;
            const double ix = (dx * c + dy * s) / place.scaleX + place.pivotX;
            const double iy = (-dx * s + dy * c) / place.scaleY + place.pivotY;
            if (ix < 0.0 || iy < 0.0 || ix >= picture.Width() || iy >= picture.Height()) {
                continue;
            }
            const Colour colour = Sample(picture, ix, iy, false);
            double alpha = place.alpha;
            if (sprite.mask != nullptr) {
                alpha *= Sample(*sprite.mask, ix, iy, false);
            } else if (sprite.ownMask) {
                alpha *= Luminance(colour);
            }
            Blit(frame, colour, alpha, blend, px, py);
        }
    }
}

// The lens grid at full resolution: each pixel takes the texture coordinates that the grid
// layer computes at its lattice points.
void DrawGrid(Picture& frame, const Picture& tile, double seconds, double weight, Blend blend) {
    const double t = seconds * 1000.0;
    const double a = (weight * 10.0 + 1.0) * (weight * 10.0 + 1.0);
    const double u0 = 1.75 * Sin(t * 0.001);
    const double v0 = 2.0 * Sin(t * 0.0005);
    constexpr double k = 2.037183301932657;
    for (int py = 0; py < frame.Height(); ++py) {
        for (int px = 0; px < frame.Width(); ++px) {
            const double dx = 25.0 - (px + 0.5) * 50.0 / frame.Width();
            const double dy = 12.5 - (py + 0.5) * 25.0 / frame.Height();
            const double u = k * Atan(dx / std::sqrt(a + dy * dy)) + u0;
            const double v = k * Atan(dy / std::sqrt(a + dx * dx)) + v0;
            const Colour colour = Sample(tile, u * tile.Width(), (1.0 - v) * tile.Height(), true);
            Blit(frame, colour, weight, blend, px, py);
        }
    }
}

// The timeline's values at a music time, from the rates of its rules.
struct ShowState {
    double metronomoideAlpha = 0.0;
    double metronomoideScale = 2.0;
    double cubeAlpha = 0.0;
    double logoScale = 6.0;
    double logoAlpha = 0.0;
    double rayAlpha = 0.0;
    double bandAlpha = 0.0;
    double gridWeight = 0.0;
    double particleAlpha = 0.0;
    double titleAlpha = 0.0;
};

ShowState StateAt(double t) {
    ShowState state;
    state.metronomoideAlpha =
        t < 21.0 ? Clamp(0.1 * (t - 2.0), 0.0, 1.0) : std::max(0.0, 1.0 - 0.8 * (t - 21.0));
    state.metronomoideScale = 2.0 + 8.0 * std::max(0.0, t - 21.0);
    state.cubeAlpha = std::max(0.0, 0.05 * std::min(t, 7.0) - 0.05 * std::max(0.0, t - 16.0));
    state.logoScale =
        t < 9.0 ? std::max(1.5, 6.0 - (t - 2.0)) : std::min(20.0, 1.5 + 10.0 * (t - 9.0));
    state.logoAlpha = t < 9.0 ? Clamp(t - 2.0, 0.0, 1.0) : std::max(0.0, 1.0 - 4.0 * (t - 9.0));
    state.rayAlpha =
        t < 24.0 ? Clamp(0.5 * (t - 9.0), 0.0, 1.0)
                 : std::max(0.0, 1.0 - 0.5 * (std::min(t, 25.0) - 24.0) - std::max(0.0, t - 25.0));
    state.bandAlpha = Clamp(0.5 * (t - 10.0), 0.0, 1.0);
    state.gridWeight = Clamp(0.1 * (t - 15.0), 0.0, 1.0);
    state.particleAlpha =
        t < 39.0 ? Clamp(0.1 * (t - 23.0), 0.0, 1.0) : std::max(0.0, 1.0 - 0.1 * (t - 39.0));
    state.titleAlpha = Clamp(0.1 * (t - 35.0), 0.0, 1.0);
    return state;
}

void DrawCubes(Picture& frame, const Picture& cube, double t, double alpha) {
    Random random(100);
    for (int i = 0; i < 100; ++i) {
        const double start = random.Below(1024);
        const double speed = (random.Below(30) + 10) * 0.15 * 100.0;
        double x = start + speed * t;
        x = std::fmod(x + 64.0, 1088.0) - 64.0;
        const SpriteSource source{&cube, nullptr, false};
        DrawSprite(frame, source, Centred(cube, x, 268.8, 1.0, 0.0, alpha), Blend::normal);
        DrawSprite(frame, source, Centred(cube, 1024.0 - x, 468.8, 1.0, 0.0, alpha), Blend::normal);
    }
}

void DrawRays(Picture& frame, const MaskedPicture& ray, double phase, double alpha) {
    Random random(10);
    for (int i = 0; i < 10; ++i) {
        const double start = random.Below(360);
        const double spin = random.Below(100) * 0.01;
        Placement place{716.8, 729.6, ray.colour.Width() * 0.5, ray.colour.Height() * 0.95,
                        10.0,  10.0,  phase * spin + start,     alpha};
        DrawSprite(frame, {&ray.colour, &ray.mask, false}, place, Blend::additive);
    }
}

void DrawParticles(Picture& frame, const MaskedPicture& particle, double phase, double alpha) {
    Random random(1);
    for (int i = 0; i < 100; ++i) {
        const double offsetX = random.Below(32768) * 0.01 + 0.5;
        const double offsetY = random.Below(32768) * 0.01;
        const double offsetZ = random.Below(32768) * 0.01;
        const double x = 410.0 * Cos(phase + offsetX);
        const double y = 410.0 * Sin(phase + offsetY);
        const double z = 410.0 * Sin(phase + offsetZ);
        DrawSprite(frame, {&particle.colour, &particle.mask, false},
                   Centred(particle.colour, 512.0 + x, 384.0 + y, z / 150.0, 2.0 * phase, alpha),
                   Blend::additive);
    }
}

void DrawCreditRow(Picture& frame, const ShowPictures& pictures, double t) {
    const char* files[] = {"code.jpg", "kurne.jpg", "dospe.jpg", "fralu.jpg"};
    for (int i = 0; i < 4; ++i) {
        if (t <= 14.0 + i) {
            continue;
        }
        for (const Credit& credit : pictures.credits) {
            if (credit.maskFile == files[i]) {
                DrawSprite(frame, {&pictures.white, &credit.mask, false},
                           Centred(pictures.white, 100.0 + 250.0 * i, 384.0, 1.0, 0.0, 1.0),
                           Blend::normal);
            }
        }
    }
}

void Label(Picture& sheet, const Lettering& lettering, const std::string& text, int x, int y) {
    const TextMask mask = lettering.Render(text, 15.0);
    for (int row = 0; row < mask.coverage.Height(); ++row) {
        for (int column = 0; column < mask.coverage.Width(); ++column) {
            const int tx = x + column;
            const int ty = y + row;
            if (tx < sheet.Width() && ty < sheet.Height()) {
                sheet.At(tx, ty) =
                    Mix(sheet.At(tx, ty), Colour{0.8, 0.8, 0.8}, mask.coverage.At(column, row));
            }
        }
    }
}

Picture OnBlack(const Picture& colour, const Grey* mask, bool ownMask) {
    Picture shown(colour.Width(), colour.Height());
    for (int y = 0; y < colour.Height(); ++y) {
        for (int x = 0; x < colour.Width(); ++x) {
            const Colour c = colour.At(x, y);
            const double alpha = mask != nullptr ? mask->At(x, y) : ownMask ? Luminance(c) : 1.0;
            shown.At(x, y) = c * alpha;
        }
    }
    return shown;
}

void Place(Picture& sheet, const Picture& picture, int left, int top) {
    for (int y = 0; y < picture.Height() && top + y < sheet.Height(); ++y) {
        for (int x = 0; x < picture.Width() && left + x < sheet.Width(); ++x) {
            sheet.At(left + x, top + y) = picture.At(x, y);
        }
    }
}

} // namespace

Picture ComposeShowFrame(const ShowPictures& pictures, double seconds, int width) {
    const double t = seconds;
    const double ms = t * 1000.0;
    const double phase = 2.0 * t;
    const ShowState state = StateAt(t);
    Picture frame(width, width * 3 / 4);
    const MaskedPicture& emblem = pictures.metronomoide;
    const SpriteSource emblemSource{&emblem.colour, &emblem.mask, false};
    if (t > 2.0 && t < 30.0) {
        DrawSprite(frame, emblemSource,
                   Centred(emblem.colour, 799.0, 563.0, state.metronomoideScale + 1.0,
                           ms * 0.000025, state.metronomoideAlpha * 0.2),
                   Blend::normal);
    }
    if (t < 20.0) {
        DrawCubes(frame, pictures.cube, t, state.cubeAlpha);
    }
    if (t > 2.0 && t < 30.0) {
        DrawSprite(frame, emblemSource,
                   Centred(emblem.colour, 799.0, 563.0, state.metronomoideScale, ms * 0.00003,
                           state.metronomoideAlpha),
                   Blend::additive);
    }
    if (t > 2.0 && t < 15.0) {
        DrawSprite(
            frame, {&pictures.logo.colour, &pictures.logo.mask, false},
            Centred(pictures.logo.colour, 512.0, 384.0, state.logoScale, 0.0, state.logoAlpha),
            Blend::additive);
    }
    if (t > 9.0 && t < 30.0) {
        DrawRays(frame, pictures.ray, phase, state.rayAlpha);
    }
    const Picture& band = pictures.band.colour;
    const Placement bandPlace{
        0.0, 340.0, 0.0, 0.0, 1024.0 / band.Width(), 88.0 / band.Height(), 0.0, state.bandAlpha};
    if (t > 10.0 && t < 25.0) {
        DrawSprite(frame, {&band, &pictures.band.mask, false}, bandPlace, Blend::normal);
    }
    if (t > 14.0 && t < 25.0) {
        Placement full = bandPlace;
        full.alpha = 1.0;
        DrawSprite(frame, {&band, &pictures.band.mask, false}, full, Blend::normal);
        DrawCreditRow(frame, pictures, t);
    }
    if (t > 15.0 && t < 60.0) {
        DrawGrid(frame, pictures.tile, t, state.gridWeight,
                 t < 25.0 ? Blend::normal : Blend::additive);
    }
    if (t > 23.0) {
        DrawParticles(frame, pictures.particle, phase, state.particleAlpha);
    }
    if (t > 35.0) {
        DrawSprite(frame, {&pictures.title, nullptr, true},
                   Centred(pictures.title, 512.0, 384.0, 1.0, 0.0, state.titleAlpha),
                   Blend::additive);
    }
    return frame;
}

Picture DrawContactSheet(const ShowPictures& pictures, const Lettering& lettering) {
    struct Item {
        std::string label;
        Picture shown;
    };
    std::vector<Item> items;
    const auto masked = [](const MaskedPicture& p) { return OnBlack(p.colour, &p.mask, false); };
    items.push_back({"metronomoide", masked(pictures.metronomoide)});
    items.push_back({"Ovrin", masked(pictures.logo)});
    items.push_back({"xv5", OnBlack(pictures.tile, nullptr, false)});
    items.push_back({"tuvoran (own mask)", OnBlack(pictures.title, nullptr, true)});
    items.push_back({"negdeg + deg1", masked(pictures.band)});
    for (const Credit& credit : pictures.credits) {
        items.push_back({"blanconick + " + credit.maskFile.substr(0, credit.maskFile.size() - 4),
                         OnBlack(pictures.white, &credit.mask, false)});
    }
    items.push_back({"cubonegro", OnBlack(pictures.cube, nullptr, false)});
    items.push_back({"particle1", masked(pictures.particle)});
    items.push_back({"rayo", masked(pictures.ray)});
    items.push_back({"image", masked(pictures.spare)});

    constexpr int sheetWidth = 2112;
    constexpr int gap = 16;
    constexpr int labelHeight = 24;
    constexpr int frameWidth = 512;
    const std::vector<double> times = {6.5, 12.0, 18.0, 21.5, 27.0, 36.0, 50.0, 63.0};

    // Flow the pictures into rows, then the frames in rows of four.
    struct Spot {
        int x;
        int y;
    };
    std::vector<Spot> spots;
    int x = gap;
    int y = gap;
    int rowHeight = 0;
    for (const Item& item : items) {
        if (x + item.shown.Width() + gap > sheetWidth) {
            x = gap;
            y += rowHeight + labelHeight + gap;
            rowHeight = 0;
        }
        spots.push_back({x, y});
        x += std::max(item.shown.Width(), 140) + gap;
        rowHeight = std::max(rowHeight, item.shown.Height());
    }
    const int framesTop = y + rowHeight + labelHeight + 2 * gap;
    const int frameHeight = frameWidth * 3 / 4;
    const int frameRows = static_cast<int>((times.size() + 3) / 4);
    Picture sheet(sheetWidth, framesTop + frameRows * (frameHeight + labelHeight + gap),
                  Colour{0.12, 0.12, 0.13});
    for (std::size_t i = 0; i < items.size(); ++i) {
        Place(sheet, items[i].shown, spots[i].x, spots[i].y);
        Label(sheet, lettering, items[i].label, spots[i].x,
              spots[i].y + items[i].shown.Height() + 4);
    }
    for (std::size_t i = 0; i < times.size(); ++i) {
        const int left = gap + static_cast<int>(i % 4) * (frameWidth + gap);
        const int top = framesTop + static_cast<int>(i / 4) * (frameHeight + labelHeight + gap);
        Place(sheet, ComposeShowFrame(pictures, times[i], frameWidth), left, top);
        char label[32];
        std::snprintf(label, sizeof label, "show at %.1f s", times[i]);
        Label(sheet, lettering, label, left, top + frameHeight + 4);
    }
    return sheet;
}

} // namespace datagen
