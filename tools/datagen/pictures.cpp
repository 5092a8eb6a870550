#include "tools/datagen/pictures.h"

#include "tools/datagen/det_math.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace datagen {
namespace {

struct Point {
    double x;
    double y;
};

// Signed distance to a convex polygon given clockwise on screen (y down); exact inside,
// slightly short outside the corners, which the soft edge hides.
double ConvexDistance(double x, double y, const std::vector<Point>& corners) {
    double distance = -1e9;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const Point& a = corners[i];
        const Point& b = corners[(i + 1) % corners.size()];
        const double ex = b.x - a.x;
        const double ey = b.y - a.y;
        const double length = std::sqrt(ex * ex + ey * ey);
        distance = std::max(distance, ((x - a.x) * ey - (y - a.y) * ex) / length);
    }
    return distance;
}

Colour Hue(double turns, double saturation, double value) {
    const double h = (turns - std::floor(turns)) * 6.0;
    const int sector = static_cast<int>(h);
    const double f = h - sector;
    const double p = value * (1.0 - saturation);
    const double q = value * (1.0 - saturation * f);
    const double t = value * (1.0 - saturation * (1.0 - f));
    switch (sector) {
    case 0:
        return {value, t, p};
    case 1:
        return {q, value, p};
    case 2:
        return {p, value, t};
    case 3:
        return {p, q, value};
    case 4:
        return {t, p, value};
    default:
        return {value, p, q};
    }
}

Colour Clamped(Colour c) {
    return {Clamp(c.r, 0.0, 1.0), Clamp(c.g, 0.0, 1.0), Clamp(c.b, 0.0, 1.0)};
}

// Lines drawn as light: coverage of one colour, to which a blurred copy adds a glow.
struct LightLayer {
    Colour colour;
    Grey coverage;
};

void AddLight(Picture& picture, const LightLayer& layer, double glowSigma, double glowGain) {
    const Grey glow = Blur(layer.coverage, glowSigma);
    for (int y = 0; y < picture.Height(); ++y) {
        for (int x = 0; x < picture.Width(); ++x) {
            const double light = layer.coverage.At(x, y) + glowGain * glow.At(x, y);
            picture.At(x, y) = Clamped(picture.At(x, y) + layer.colour * light);
        }
    }
}

MaskedPicture DrawSpare() {
    constexpr int size = 32;
    MaskedPicture spare{Picture(size, size), Grey(size, size)};
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            spare.colour.At(x, y) = Hue(0.55 + 0.3 * x / size, 0.6, 0.5 + 0.5 * y / size);
        }
    }
    PaintMax(spare.mask, [](double x, double y) {
        return Coverage(CircleDistance(x, y, 16.0, 16.0, 14.0), 1.5);
    });
    return spare;
}

// A dial of rings and ticks with a pendulum hanging from its centre, drawn as light: the
// show adds it over the screen at twice and three times this size while it turns.
MaskedPicture DrawMetronomoide() {
    constexpr int size = 256;
    constexpr double c = size / 2.0;
    const Colour gold{1.0, 0.68, 0.26};
    const Colour paleGold{1.0, 0.86, 0.56};
    const Colour teal{0.22, 0.78, 0.92};

    MaskedPicture emblem{Picture(size, size), Grey(size, size)};
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double r =
                std::sqrt((x + 0.5 - c) * (x + 0.5 - c) + (y + 0.5 - c) * (y + 0.5 - c));
            emblem.colour.At(x, y) = Colour{0.03, 0.04, 0.09} * (1.0 - 0.5 * r / c);
        }
    }

    LightLayer goldLines{gold, Grey(size, size)};
    PaintMax(goldLines.coverage, [&](double x, double y) {
        double d = RingDistance(x, y, c, c, 119.0, 5.0);
        d = std::min(d, RingDistance(x, y, c, c, 110.0, 1.6));
        d = std::min(d, RingDistance(x, y, c, c, 40.0, 2.0));
        return Coverage(d);
    });
    LightLayer tickLines{paleGold, Grey(size, size)};
    PaintMax(tickLines.coverage, [&](double x, double y) {
        double d = 1e9;
        for (int tick = 0; tick < 60; ++tick) {
            const double angle = tick * twoPi / 60.0;
            const bool major = tick % 5 == 0;
            const double inner = major ? 90.0 : 98.0;
            const double s = Sin(angle);
            const double k = Cos(angle);
            d = std::min(d, SegmentDistance(x, y, c + inner * s, c - inner * k, c + 106.0 * s,
                                            c - 106.0 * k, major ? 3.2 : 1.5));
        }
        for (int dot = 0; dot < 12; ++dot) {
            const double angle = (dot + 0.5) * twoPi / 12.0;
            d = std::min(d,
                         CircleDistance(x, y, c + 62.0 * Sin(angle), c - 62.0 * Cos(angle), 2.4));
        }
        return Coverage(d);
    });
    LightLayer tealLines{teal, Grey(size, size)};
    PaintMax(tealLines.coverage, [&](double x, double y) {
        double d = RingDistance(x, y, c, c, 84.0, 2.5);
        // Three broken arcs, each a third of a turn less a gap.
        const double angle = Atan2(y - c, x - c);
        const double sector = angle / (twoPi / 3.0) + 0.1;
        const double within = sector - std::floor(sector);
        if (within > 0.12 && within < 0.88) {
            d = std::min(d, RingDistance(x, y, c, c, 73.0, 5.0));
        }
        d = std::min(d, RingDistance(x, y, c, c, 30.0, 1.6));
        return Coverage(d);
    });

    // The pendulum: rod and bob at one end of its swing, a faint ghost at the other end and
    // the arc between them.
    const double swing = 0.38;
    const double rod = 92.0;
    const Point bob{c + rod * Sin(swing), c + rod * Cos(swing)};
    const Point ghost{c - rod * Sin(swing), c + rod * Cos(swing)};
    LightLayer pendulum{paleGold, Grey(size, size)};
    PaintMax(pendulum.coverage, [&](double x, double y) {
        double d = SegmentDistance(x, y, c, c, bob.x, bob.y, 3.4);
        d = std::min(d, CircleDistance(x, y, bob.x, bob.y, 12.0));
        d = std::min(d, CircleDistance(x, y, c, c, 7.0));
        return Coverage(d);
    });
    LightLayer echo{teal, Grey(size, size)};
    PaintMax(echo.coverage, [&](double x, double y) {
        double d = SegmentDistance(x, y, c, c, ghost.x, ghost.y, 2.0);
        d = std::min(d, RingDistance(x, y, ghost.x, ghost.y, 10.0, 2.0));
        const double angle = Atan2(x - c, y - c); // 0 straight down
        if (std::fabs(angle) < swing) {
            d = std::min(d, RingDistance(x, y, c, c, rod + 18.0, 1.6));
        }
        return 0.6 * Coverage(d);
    });

    AddLight(emblem.colour, goldLines, 3.0, 0.6);
    AddLight(emblem.colour, tickLines, 2.5, 0.4);
    AddLight(emblem.colour, tealLines, 3.0, 0.6);
    AddLight(emblem.colour, echo, 2.0, 0.5);
    AddLight(emblem.colour, pendulum, 4.0, 0.7);
    // The hub and the bob are lit from within.
    Paint(emblem.colour, Colour{1.0, 0.97, 0.86}, [&](double x, double y) {
        return Coverage(CircleDistance(x, y, bob.x, bob.y, 6.0), 4.0) +
               Coverage(CircleDistance(x, y, c, c, 3.0), 2.0);
    });

    PaintMax(emblem.mask,
             [&](double x, double y) { return Coverage(CircleDistance(x, y, c, c, 124.0), 2.5); });
    return emblem;
}

// The group's name in slanted bold letters filled with a cold metallic gradient, a violet
// glow around them and a light streak beneath; the show adds it at 1.5 to 6 times this size.
MaskedPicture DrawLogo(const Lettering& lettering) {
    constexpr int width = 512;
    constexpr int height = 256;
    const TextMask text = lettering.Render("Ovrin", 132.0, 0.2, 1.0, 0);
    const int left = static_cast<int>(std::lround((width - text.coverage.Width()) / 2.0));
    const int top = static_cast<int>(std::lround((height - text.coverage.Height()) / 2.0)) - 12;
    Grey letters(width, height);
    StampMax(letters, text.coverage, left, top);
    const double capTop = top;
    const double baseline = top + text.baseline;
    const double streakY = baseline + 22.0;

    const Grey glow = Blur(letters, 9.0);
    const Grey halo = Blur(letters, 3.0);
    MaskedPicture logo{Picture(width, height), Grey(width, height)};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double fy = (y + 0.5 - capTop) / (baseline - capTop); // 0 top, 1 baseline
            Colour fill = fy < 0.52 ? Mix(Colour{0.92, 0.97, 1.0}, Colour{0.36, 0.74, 1.0},
                                          SmoothStep(0.0, 0.52, fy))
                                    : Mix(Colour{0.18, 0.3, 0.9}, Colour{0.78, 0.42, 1.0},
                                          SmoothStep(0.52, 1.05, fy));
            // A bright horizon across the letters, as on polished metal.
            fill = fill + Colour{0.6, 0.7, 0.8} * Exp(-(fy - 0.53) * (fy - 0.53) / 0.0012);
            const double inside = letters.At(x, y);
            const double rim = Clamp(halo.At(x, y) * 2.0 - inside, 0.0, 1.0);
            const Colour glowColour{0.62, 0.36, 1.0};
            Colour colour = Mix(glowColour, Clamped(fill), inside);
            colour = Mix(colour, Colour{0.85, 0.9, 1.0}, rim * (1.0 - inside) * 0.8);

            // The streak: thin, brightest at the middle, gone at the ends.
            const double along = (x + 0.5 - width / 2.0) / (width * 0.46);
            const double thickness = 2.6 * (1.0 - along * along);
            double streak = 0.0;
            if (thickness > 0.0) {
                const double dy = (y + 0.5 - streakY) / thickness;
                streak = Exp(-dy * dy) * (1.0 - along * along);
            }
            colour = Mix(colour, Colour{0.75, 0.95, 1.0}, Clamp(streak * (1.0 - inside), 0.0, 1.0));

            logo.colour.At(x, y) = Clamped(colour);
            logo.mask.At(x, y) =
                Clamp(std::max({inside, 0.85 * rim, 1.2 * glow.At(x, y), streak}), 0.0, 1.0);
        }
    }
    return logo;
}

// Winding Truchet paths over a softly changing ground, tiled without seams: the grid layer
// repeats it across the screen through its lens, so straight and curved lines show the bend.
Picture DrawTile() {
    constexpr int size = 256;
    constexpr int cells = 2;
    constexpr double cell = static_cast<double>(size) / cells;
    // Alternate tiles close the paths into rings around every other corner.
    const int flips[cells * cells] = {0, 1, 1, 0};
    auto periodic = [](double x, double y, int fx, int fy) {
        return Sin(twoPi * (fx * x + fy * y) / size);
    };

    Picture tile(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double px = x + 0.5;
            const double py = y + 0.5;
            const double plasma =
                0.5 + 0.25 * periodic(px, py, 1, 2) + 0.25 * periodic(px, py, 2, -1);
            Colour colour = Hue(0.64 + 0.12 * plasma, 0.8, 0.1 + 0.08 * plasma);

            const int cx = static_cast<int>(px / cell);
            const int cy = static_cast<int>(py / cell);
            const double lx = px - cx * cell;
            const double ly = py - cy * cell;
            // Faint cell lines, and finer ones halfway.
            const double edge = std::min({lx, cell - lx, ly, cell - ly});
            const double half = std::min(std::fabs(lx - cell / 2.0), std::fabs(ly - cell / 2.0));
            colour = Mix(colour, Colour{0.28, 0.34, 0.55}, 0.6 * Coverage(edge - 0.7));
            colour = Mix(colour, Colour{0.2, 0.24, 0.4}, 0.4 * Coverage(half - 0.4));

            const bool flip = flips[cy * cells + cx] != 0;
            const double ax = flip ? cell : 0.0;
            const double bx = flip ? 0.0 : cell;
            const double arc = std::min(RingDistance(lx, ly, ax, 0.0, cell / 2.0, 20.0),
                                        RingDistance(lx, ly, bx, cell, cell / 2.0, 20.0));
            const double rails = std::fabs(arc + 10.0 - 16.0) - 1.2;
            const double hue = 0.5 * periodic(px, py, 1, 1) + 0.3 * periodic(px, py, -1, 2);
            const Colour line = Hue(0.78 + 0.16 * hue, 0.72, 0.72);
            // A dark outline, the path, and a light line along its middle.
            colour = Mix(colour, line * 0.55, Coverage(rails));
            colour = Mix(colour, Colour{0.01, 0.01, 0.03}, Coverage(arc - 3.0));
            colour = Mix(colour, line, Coverage(arc));
            colour = Mix(colour, line * 0.45, Coverage(arc + 4.0));
            colour = Mix(colour, Mix(line, Colour{1.0, 0.97, 0.92}, 0.6), Coverage(arc + 8.5));

            // Studs where four cells meet and at the middle of each cell.
            const double cornerX = std::min(lx, cell - lx);
            const double cornerY = std::min(ly, cell - ly);
            const double corner = std::sqrt(cornerX * cornerX + cornerY * cornerY);
            const double middle = CircleDistance(lx, ly, cell / 2.0, cell / 2.0, 0.0);
            colour = Mix(colour, Colour{0.02, 0.02, 0.04}, Coverage(corner - 11.0));
            colour = Mix(colour, Colour{0.95, 0.78, 0.38}, Coverage(corner - 8.0));
            colour = Mix(colour, Colour{0.02, 0.02, 0.04}, Coverage(middle - 9.0));
            colour = Mix(colour, Colour{0.35, 0.85, 0.95}, Coverage(middle - 6.0));
            tile.At(x, y) = colour;
        }
    }
    return tile;
}

// Credits: one word per mask, all on one baseline so that a row of them lines up.
std::vector<Credit> DrawCredits(const Lettering& lettering) {
    constexpr int width = 256;
    constexpr int height = 64;
    constexpr double pixelSize = 52.0;
    std::vector<Credit> credits = {
        {"kurne", "kurne.jpg", {}}, {"dospe", "dospe.jpg", {}},   {"fralu", "fralu.jpg", {}},
        {"qmz", "qmz.jpg", {}},     {"yorvek", "yorvek.jpg", {}}, {"code", "code.jpg", {}},
        {"gfx", "gfx.jpg", {}},     {"music", "music.jpg", {}},
    };
    // Tallest ascender and deepest descender of the face's lower case.
    const TextMask reference = lettering.Render("bdfhklgjpqy", pixelSize);
    const double ascent = reference.baseline - reference.inkTop;
    const double descent = reference.inkBottom - reference.baseline;
    const double baseline = std::floor((height - ascent - descent) / 2.0 + ascent + 0.5);
    for (Credit& credit : credits) {
        const TextMask text = lettering.Render(credit.text, pixelSize, 0.0, 1.0);
        credit.mask = Grey(width, height);
        const int left = static_cast<int>(std::lround((width - text.coverage.Width()) / 2.0));
        const int top = static_cast<int>(baseline - text.baseline);
        StampMax(credit.mask, text.coverage, left, top);
    }
    return credits;
}

// The band behind the credits, stretched to 1024 by 88: dark blue with two thin lit rules,
// fading out above and below.
MaskedPicture DrawBand() {
    constexpr int width = 256;
    constexpr int height = 64;
    MaskedPicture band{Picture(width, height), Grey(width, height)};
    for (int y = 0; y < height; ++y) {
        const double fy = (y + 0.5) / height;
        const double ruleDistance = std::min(std::fabs(y + 0.5 - 8.0), std::fabs(y + 0.5 - 56.0));
        const double rule = Coverage(ruleDistance - 0.7, 1.2);
        for (int x = 0; x < width; ++x) {
            const double fx = (x + 0.5) / width;
            const Colour ground = Mix(Colour{0.02, 0.04, 0.12}, Colour{0.07, 0.02, 0.12}, fx);
            const double sheen = 0.6 + 0.4 * Sin(pi * fy);
            band.colour.At(x, y) =
                Mix(ground * sheen, Colour{0.3, 0.55, 0.95} * (0.55 + 0.45 * Sin(pi * fx)), rule);
        }
        band.mask.At(0, y) = SmoothStep(0.0, 0.22, fy) * SmoothStep(1.0, 0.78, fy);
        for (int x = 1; x < width; ++x) {
            band.mask.At(x, y) = band.mask.At(0, y);
        }
    }
    return band;
}

// The closing title: white letters warming towards their foot, in a pale glow, on black.
// The picture is its own mask, so black stays invisible and the glow shows faintly.
Picture DrawTitle(const Lettering& lettering) {
    constexpr int width = 512;
    constexpr int height = 128;
    const TextMask text = lettering.Render("Tuvoran", 92.0, 0.0, 2.0);
    const double inkHeight = text.inkBottom - text.inkTop;
    const int left = static_cast<int>(std::lround((width - text.coverage.Width()) / 2.0));
    const int top = static_cast<int>(std::lround((height - inkHeight) / 2.0 - text.inkTop));
    Grey letters(width, height);
    StampMax(letters, text.coverage, left, top);
    const Grey glow = Blur(letters, 7.0);
    Picture title(width, height);
    for (int y = 0; y < height; ++y) {
        const double fy = Clamp((y + 0.5 - top) / inkHeight, 0.0, 1.0);
        const Colour fill = Mix(Colour{1.0, 1.0, 1.0}, Colour{1.0, 0.86, 0.62}, fy * fy);
        for (int x = 0; x < width; ++x) {
            const double inside = letters.At(x, y);
            const Colour halo = Colour{0.62, 0.74, 1.0} * Clamp(1.3 * glow.At(x, y), 0.0, 1.0);
            title.At(x, y) = Clamped(Mix(halo, fill, inside));
        }
    }
    return title;
}

// A dark cube seen from above one corner, its edges catching the light: the show slides it
// across the screen at half alpha with normal blending, so only the edges really show.
Picture DrawCube() {
    constexpr int size = 64;
    const Point top{32.0, 7.0};
    const Point upperLeft{10.5, 19.5};
    const Point upperRight{53.5, 19.5};
    const Point centre{32.0, 32.0};
    const Point lowerLeft{10.5, 44.5};
    const Point lowerRight{53.5, 44.5};
    const Point bottom{32.0, 57.0};
    const std::vector<Point> topFace = {top, upperRight, centre, upperLeft};
    const std::vector<Point> leftFace = {upperLeft, centre, bottom, lowerLeft};
    const std::vector<Point> rightFace = {centre, upperRight, lowerRight, bottom};

    Picture cube(size, size);
    Paint(cube, Colour{0.15, 0.17, 0.25},
          [&](double x, double y) { return Coverage(ConvexDistance(x, y, topFace)); });
    Paint(cube, Colour{0.08, 0.09, 0.14},
          [&](double x, double y) { return Coverage(ConvexDistance(x, y, leftFace)); });
    Paint(cube, Colour{0.04, 0.045, 0.08},
          [&](double x, double y) { return Coverage(ConvexDistance(x, y, rightFace)); });

    const std::vector<std::pair<Point, Point>> outline = {
        {top, upperRight},   {upperRight, lowerRight}, {lowerRight, bottom},
        {bottom, lowerLeft}, {lowerLeft, upperLeft},   {upperLeft, top}};
    const std::vector<std::pair<Point, Point>> front = {
        {centre, upperLeft}, {centre, upperRight}, {centre, bottom}};
    LightLayer outer{Colour{0.5, 0.75, 1.0}, Grey(size, size)};
    PaintMax(outer.coverage, [&](double x, double y) {
        double d = 1e9;
        for (const auto& [a, b] : outline) {
            d = std::min(d, SegmentDistance(x, y, a.x, a.y, b.x, b.y, 1.5));
        }
        return Coverage(d);
    });
    LightLayer inner{Colour{0.85, 0.95, 1.0}, Grey(size, size)};
    PaintMax(inner.coverage, [&](double x, double y) {
        double d = 1e9;
        for (const auto& [a, b] : front) {
            d = std::min(d, SegmentDistance(x, y, a.x, a.y, b.x, b.y, 1.7));
        }
        return Coverage(d);
    });
    AddLight(cube, outer, 1.2, 0.35);
    AddLight(cube, inner, 1.5, 0.5);
    // A glint where the three lit edges meet.
    Paint(cube, Colour{1.0, 1.0, 1.0}, [&](double x, double y) {
        return Coverage(CircleDistance(x, y, centre.x, centre.y, 1.0), 3.0);
    });
    return cube;
}

// A warm spark: a soft core with a faint four-pointed star, so that its turning shows.
MaskedPicture DrawParticle() {
    constexpr int size = 32;
    constexpr double c = size / 2.0;
    MaskedPicture particle{Picture(size, size), Grey(size, size)};
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double dx = x + 0.5 - c;
            const double dy = y + 0.5 - c;
            const double r2 = dx * dx + dy * dy;
            const double r = std::sqrt(r2);
            const double core = Exp(-r2 / (2.0 * 3.2 * 3.2));
            const double halo = 0.4 * Exp(-r2 / (2.0 * 7.5 * 7.5));
            const double star = 0.55 * (Exp(-dy * dy / 1.1) + Exp(-dx * dx / 1.1)) * Exp(-r / 5.5);
            const double window = SmoothStep(15.8, 12.0, r);
            particle.mask.At(x, y) = Clamp((core + halo + star) * window, 0.0, 1.0);
            particle.colour.At(x, y) =
                Mix(Mix(Colour{1.0, 0.62, 0.28}, Colour{1.0, 0.86, 0.55}, Exp(-r2 / 60.0)),
                    Colour{1.0, 1.0, 0.95}, core);
        }
    }
    return particle;
}

// A beam of light widening from its source near the foot of the picture (the pivot sits at
// 95 % of its height) and fading towards the tip; the show adds ten of them at ten times
// this size.
MaskedPicture DrawRay() {
    constexpr int width = 16;
    constexpr int height = 64;
    constexpr double sourceX = width / 2.0;
    constexpr double sourceY = height * 0.95;
    MaskedPicture ray{Picture(width, height), Grey(width, height)};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double px = x + 0.5;
            const double py = y + 0.5;
            const double along = Clamp((sourceY - py) / sourceY, 0.0, 1.0); // 0 source, 1 tip
            const double halfWidth = 0.9 + 5.2 * along;
            const double across = (px - sourceX) / halfWidth;
            const double profile = Exp(-1.6 * across * across);
            const double fade = Pow(1.0 - along, 0.9);
            const double dx = px - sourceX;
            const double dy = py - sourceY;
            const double source = Exp(-(dx * dx + dy * dy) / (2.0 * 1.6 * 1.6));
            const double window =
                SmoothStep(height - 0.4, sourceY + 0.2, py) * SmoothStep(7.5, 4.5, std::fabs(dx));
            ray.mask.At(x, y) = Clamp((0.8 * profile * fade + 0.4 * source) * window, 0.0, 1.0);
            ray.colour.At(x, y) = Mix(Colour{1.0, 0.96, 0.86}, Colour{0.62, 0.78, 1.0},
                                      Clamp(std::fabs(across) * 0.8 + along * 0.35, 0.0, 1.0));
        }
    }
    return ray;
}

std::string WriteMasked(const MaskedPicture& picture, const std::string& folder,
                        const std::string& colourFile, const std::string& maskFile) {
    std::string error = SaveJpeg(picture.colour, folder + "/" + colourFile);
    if (error.empty()) {
        error = SaveJpeg(picture.mask, folder + "/" + maskFile);
    }
    return error;
}

} // namespace

ShowPictures DrawShowPictures(const Lettering& lettering) {
    ShowPictures pictures;
    pictures.spare = DrawSpare();
    pictures.metronomoide = DrawMetronomoide();
    pictures.logo = DrawLogo(lettering);
    pictures.tile = DrawTile();
    pictures.white = Picture(256, 64, Colour{1.0, 1.0, 1.0});
    pictures.credits = DrawCredits(lettering);
    pictures.band = DrawBand();
    pictures.title = DrawTitle(lettering);
    pictures.cube = DrawCube();
    pictures.particle = DrawParticle();
    pictures.ray = DrawRay();
    return pictures;
}

std::string WriteShowPictures(const ShowPictures& pictures, const std::string& folder) {
    std::vector<std::string> errors;
    errors.push_back(WriteMasked(pictures.spare, folder, "image.jpg", "imagea.jpg"));
    errors.push_back(
        WriteMasked(pictures.metronomoide, folder, "metronomoide.jpg", "metronomoidea.jpg"));
    errors.push_back(WriteMasked(pictures.logo, folder, "Ovrin.jpg", "Ovrina.jpg"));
    errors.push_back(SaveJpeg(pictures.tile, folder + "/xv5.jpg"));
    errors.push_back(SaveJpeg(pictures.white, folder + "/blanconick.jpg"));
    for (const Credit& credit : pictures.credits) {
        errors.push_back(SaveJpeg(credit.mask, folder + "/" + credit.maskFile));
    }
    errors.push_back(WriteMasked(pictures.band, folder, "negdeg.jpg", "deg1.jpg"));
    errors.push_back(SaveJpeg(pictures.title, folder + "/tuvoran.jpg"));
    errors.push_back(SaveJpeg(pictures.cube, folder + "/cubonegro.jpg"));
    errors.push_back(WriteMasked(pictures.particle, folder, "particle1.jpg", "particle1a.jpg"));
    errors.push_back(WriteMasked(pictures.ray, folder, "rayo.jpg", "rayoa.jpg"));
    for (const std::string& error : errors) {
        if (!error.empty()) {
            return error;
        }
    }
    return {};
}

} // namespace datagen
