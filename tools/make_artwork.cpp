// Draws the program's artwork and writes it as 24-bit BMP files and 32-bit
// icons: the toolkit's bitmaps (resources 1500-1513, included by
// resources/toolkit.rc) and the main window's front panel, lamp, knob and
// button faces and the two icons (included by resources/tenvelo.rc). The Windows trees are cross
// builds that cannot run this tool, so its output is committed under
// resources/art; regenerate it with
//     build/<native>/tools/make-artwork resources/art
// and check that the committed files are current with
//     build/<native>/tools/make-artwork --check resources/art
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "sys/byte_order.h"

namespace {

struct Rgb {
    double r, g, b;
};

struct Image {
    int width;
    int height;
    std::vector<Rgb> pixels;
};

Image MakeImage(int width, int height, Rgb fill) {
    return Image{width, height, std::vector<Rgb>(static_cast<size_t>(width * height), fill)};
}

Rgb& At(Image& image, int x, int y) {
    return image.pixels[static_cast<size_t>(y * image.width + x)];
}

Rgb Mix(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb Gray(double v) {
    return {v, v, v};
}

// Deterministic noise in [0, 1): the images are the same on every build.
struct Random {
    uint32_t state;
    double Next() {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) / 16777216.0;
    }
};

using Shape = std::function<bool(double x, double y)>;

// Paints colour where the shape covers the pixel, blended by the covered
// share of 4 x 4 samples (anti-aliased edges).
void Fill(Image& image, const Shape& inside, Rgb color, double opacity = 1.0) {
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            int hits = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx)
                    hits += inside(x + (sx + 0.5) / 4.0, y + (sy + 0.5) / 4.0);
            if (hits) At(image, x, y) = Mix(At(image, x, y), color, opacity * hits / 16.0);
        }
    }
}

Shape Ellipse(double cx, double cy, double rx, double ry, double angle = 0.0) {
    const double c = std::cos(angle), s = std::sin(angle);
    return [=](double x, double y) {
        const double dx = x - cx, dy = y - cy;
        const double u = (dx * c + dy * s) / rx, v = (-dx * s + dy * c) / ry;
        return u * u + v * v <= 1.0;
    };
}

Shape Ring(double cx, double cy, double rx, double ry, double angle, double thickness) {
    Shape outer = Ellipse(cx, cy, rx, ry, angle);
    Shape inner = Ellipse(cx, cy, rx - thickness, ry - thickness * 1.6, angle);
    return [=](double x, double y) { return outer(x, y) && !inner(x, y); };
}

Shape Box(double left, double top, double right, double bottom) {
    return [=](double x, double y) { return x >= left && x < right && y >= top && y < bottom; };
}

// A thick segment from (x1, y1) to (x2, y2).
Shape Segment(double x1, double y1, double x2, double y2, double width) {
    return [=](double x, double y) {
        const double dx = x2 - x1, dy = y2 - y1;
        const double t =
            std::clamp(((x - x1) * dx + (y - y1) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
        const double px = x1 + t * dx - x, py = y1 + t * dy - y;
        return px * px + py * py <= width * width / 4.0;
    };
}

// Vertical gradient over a box.
void Gradient(Image& image, int left, int top, int right, int bottom, Rgb from, Rgb to) {
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            At(image, x, y) =
                Mix(from, to, bottom - top > 1 ? double(y - top) / (bottom - top - 1) : 0);
}

// A one-pixel bevel: light top and left, dark bottom and right (or reversed).
void Bevel(Image& image, int left, int top, int right, int bottom, Rgb light, Rgb dark) {
    for (int x = left; x < right; ++x) {
        At(image, x, top) = light;
        At(image, x, bottom - 1) = dark;
    }
    for (int y = top; y < bottom; ++y) {
        At(image, left, y) = light;
        At(image, right - 1, y) = dark;
    }
}

// Brushed metal: streaks of periodic, horizontally smoothed noise, so that
// the image tiles without seams.
Image BrushedMetal(int size) {
    Image image = MakeImage(size, size, Gray(0));
    Random random{12345};
    std::vector<double> noise(static_cast<size_t>(size * size));
    for (double& n : noise)
        n = random.Next();
    std::vector<double> rowTone(static_cast<size_t>(size));
    for (double& t : rowTone)
        t = random.Next();
    const int radius = 9;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            double sum = 0;
            for (int k = -radius; k <= radius; ++k)
                sum += noise[static_cast<size_t>(y * size + (x + k + size) % size)];
            const double streak = sum / (2 * radius + 1) - 0.5; // about +-0.15
            const double fine = noise[static_cast<size_t>(y * size + x)] - 0.5;
            const double tone = rowTone[static_cast<size_t>(y)] - 0.5;
            const double v = 168 + streak * 70 + fine * 10 + tone * 12;
            At(image, x, y) = {v - 2, v, v + 4}; // a cool steel tint
        }
    }
    return image;
}

// A small panel button: bevelled face with an indicator lamp, off or lit.
Image ButtonFace(int width, int height, bool down) {
    Image image = MakeImage(width, height, Gray(0));
    const Rgb top = down ? Gray(150) : Gray(222);
    const Rgb bottom = down ? Gray(185) : Gray(160);
    Gradient(image, 0, 0, width, height, top, bottom);
    Bevel(image, 0, 0, width, height, Gray(40), Gray(40)); // black rim
    if (down)
        Bevel(image, 1, 1, width - 1, height - 1, Gray(95), Gray(205));
    else
        Bevel(image, 1, 1, width - 1, height - 1, Gray(250), Gray(110));
    const double cx = width / 2.0 + (down ? 0.5 : 0.0), cy = height / 2.0 + (down ? 0.5 : 0.0);
    const double r = std::min(width, height) * 0.22;
    Fill(image, Ellipse(cx, cy, r + 1.0, r + 1.0), Gray(60));
    if (down) {
        Fill(image, Ellipse(cx, cy, r, r), Rgb{40, 200, 60});
        Fill(image, Ellipse(cx - r * 0.3, cy - r * 0.35, r * 0.4, r * 0.35), Rgb{200, 255, 200},
             0.8);
    } else {
        Fill(image, Ellipse(cx, cy, r, r), Rgb{30, 70, 36});
        Fill(image, Ellipse(cx - r * 0.3, cy - r * 0.35, r * 0.35, r * 0.3), Rgb{90, 120, 90}, 0.6);
    }
    return image;
}

// A round lamp on a dark ground, off or lit.
Image Lamp(int size, bool lit) {
    Image image = MakeImage(size, size, Gray(0));
    const double c = size / 2.0, r = size / 2.0 - 0.5;
    Fill(image, Ellipse(c, c, r, r), Gray(70));
    const Rgb glass = lit ? Rgb{250, 70, 40} : Rgb{90, 30, 24};
    Fill(image, Ellipse(c, c, r - 1.5, r - 1.5), glass);
    Fill(image, Ellipse(c - r * 0.3, c - r * 0.3, r * 0.35, r * 0.28),
         lit ? Rgb{255, 220, 200} : Rgb{150, 100, 90}, 0.8);
    return image;
}

// A round knob face with a black surround (drawn through a round mask).
Image KnobFace(int size) {
    Image image = MakeImage(size, size, Gray(0));
    const double c = size / 2.0, r = size / 2.0 - 0.5;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            if (Ellipse(c, c, r, r)(x + 0.5, y + 0.5)) {
                const double light = 1.0 - ((x - c) + (y - c)) / (2.0 * size);
                At(image, x, y) = Gray(std::clamp(60 + 90 * light, 0.0, 255.0));
            }
    Fill(image, Ring(c, c, r, r, 0, 1.0), Gray(30));
    Fill(image, Ellipse(c, c, r * 0.62, r * 0.62), Gray(112));
    Fill(image, Ring(c, c, r * 0.62, r * 0.62, 0, 0.8), Gray(150), 0.7);
    return image;
}

// A slider groove along the long side.
Image Track(int width, int height) {
    const bool vertical = height > width;
    Image image = MakeImage(width, height, Gray(150));
    Gradient(image, 0, 0, width, height, Gray(160), Gray(140));
    const int mid = (vertical ? width : height) / 2;
    for (int i = 4; i < (vertical ? height : width) - 4; ++i) {
        for (int d = -1; d <= 1; ++d) {
            const Rgb groove = d < 0 ? Gray(40) : d == 0 ? Gray(20) : Gray(90);
            if (vertical)
                At(image, mid + d, i) = groove;
            else
                At(image, i, mid + d) = groove;
        }
        if (i % 8 == 4) { // scale ticks at both sides
            for (int t = 1; t < 4; ++t) {
                if (vertical) {
                    At(image, t, i) = Gray(70);
                    At(image, width - 1 - t, i) = Gray(70);
                } else {
                    At(image, i, t) = Gray(70);
                    At(image, i, height - 1 - t) = Gray(70);
                }
            }
        }
    }
    return image;
}

// A fader cap with a white index line across it.
Image Thumb(int width, int height) {
    const bool vertical = height > width;
    Image image = MakeImage(width, height, Gray(0));
    Gradient(image, 0, 0, width, height, Gray(90), Gray(45));
    Bevel(image, 0, 0, width, height, Gray(20), Gray(20));
    Bevel(image, 1, 1, width - 1, height - 1, Gray(150), Gray(30));
    for (int i = 2; i < (vertical ? width : height) - 2; ++i) {
        if (vertical)
            At(image, i, height / 2) = Gray(245);
        else
            At(image, width / 2, i) = Gray(245);
    }
    return image;
}

// A cross on a small red disc: the close mark.
Image CloseMark(int size) {
    Image image = MakeImage(size, size, Gray(180));
    const double c = size / 2.0;
    Fill(image, Ellipse(c, c, c - 0.2, c - 0.2), Rgb{204, 40, 20});
    Fill(image, Segment(3.2, 3.2, size - 3.2, size - 3.2, 1.6), Gray(255));
    Fill(image, Segment(size - 3.2, 3.2, 3.2, size - 3.2, 1.6), Gray(255));
    return image;
}

// 3 x 5 pixel digit "3" for the triplet row.
void DrawThree(Image& image, int x, int y, Rgb color) {
    static const char* const kGlyph[5] = {"###", "..#", ".##", "..#", "###"};
    for (int row = 0; row < 5; ++row)
        for (int col = 0; col < 3; ++col)
            if (kGlyph[row][col] == '#') At(image, x + col, y + row) = color;
}

// One note in a 32 x 32 cell at (left, top). value: 0 whole, 1 half,
// 2 quarter, 3 eighth, 4 sixteenth.
void DrawNote(Image& image, int left, int top, int value, bool triplet, bool dotted) {
    const Rgb ink = Gray(10);
    const double hx = left + 13.0, hy = top + 22.5;
    const double tilt = -0.35;
    if (value == 0) {
        Fill(image, Ring(hx + 1, hy, 5.2, 3.4, -0.15, 1.2), ink);
        Fill(image, Ellipse(hx + 1, hy, 5.2, 3.4, -0.15), ink, 0.25);
    } else if (value == 1) {
        Fill(image, Ring(hx, hy, 4.4, 3.0, tilt, 1.1), ink);
    } else {
        Fill(image, Ellipse(hx, hy, 4.4, 3.0, tilt), ink);
    }
    if (value >= 1) {
        const double sx = hx + 3.6;
        Fill(image, Box(sx, top + 6.0, sx + 1.3, hy - 0.5), ink);
        for (int flag = 0; flag < value - 2; ++flag) {
            const double fy = top + 6.0 + flag * 4.0;
            Fill(image, Segment(sx + 0.6, fy, sx + 5.5, fy + 5.5, 1.6), ink);
            Fill(image, Segment(sx + 5.5, fy + 5.5, sx + 5.0, fy + 9.0, 1.2), ink);
        }
    }
    if (dotted) Fill(image, Ellipse(left + 23.5, top + 22.5, 1.5, 1.5), ink);
    if (triplet) DrawThree(image, left + 3, top + 4, Rgb{6, 28, 157});
}

// The note palette: 5 x 3 cells of 32 x 32; rows plain, triplet, dotted;
// columns whole to sixteenth.
Image NotePalette() {
    Image image = MakeImage(160, 96, Gray(0));
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 5; ++col) {
            const int left = col * 32, top = row * 32;
            Gradient(image, left, top, left + 32, top + 32, Gray(242), Gray(222));
            Bevel(image, left, top, left + 32, top + 32, Gray(255), Gray(130));
            DrawNote(image, left, top, col, row == 1, row == 2);
        }
    }
    return image;
}

// ---- The main window's front panel ----

// 5 x 7 capitals, digits and a few signs for the panel's engraved captions.
struct Glyph {
    char c;
    const char* rows[7];
};

const Glyph kGlyphs[] = {
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'B', {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."}},
    {'C', {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."}},
    {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'F', {"#####", "#....", "#....", "####.", "#....", "#....", "#...."}},
    {'G', {".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".####"}},
    {'H', {"#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'I', {".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
    {'N', {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {'U', {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
    {'W', {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "##.##", "#...#"}},
    {'X', {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"}},
    {'Y', {"#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."}},
    {'Z', {"#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"}},
    {'0', {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."}},
    {'1', {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'2', {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"}},
    {'4', {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."}},
    {'/', {"....#", "....#", "...#.", "..#..", ".#...", "#....", "#...."}},
    {'.', {".....", ".....", ".....", ".....", ".....", ".##..", ".##.."}},
    {'-', {".....", ".....", ".....", "#####", ".....", ".....", "....."}},
    {' ', {".....", ".....", ".....", ".....", ".....", ".....", "....."}},
};

const Glyph* FindGlyph(char c) {
    for (const Glyph& g : kGlyphs)
        if (g.c == c) return &g;
    return nullptr;
}

// Width in pixels of text at scale: 5 per glyph plus 1 between glyphs.
int TextWidth(const char* text, int scale) {
    const int n = static_cast<int>(std::strlen(text));
    return n ? (n * 6 - 1) * scale : 0;
}

// Engraved text: a light copy one pixel below, then the ink.
void DrawText(Image& image, int x, int y, const char* text, Rgb ink, int scale = 1,
              bool engraved = true) {
    for (int pass = engraved ? 0 : 1; pass < 2; ++pass) {
        const Rgb color = pass == 0 ? Gray(236) : ink;
        const int dy = pass == 0 ? 1 : 0;
        int left = x;
        for (const char* p = text; *p; ++p, left += 6 * scale) {
            const Glyph* g = FindGlyph(*p);
            if (!g) continue;
            for (int row = 0; row < 7; ++row)
                for (int col = 0; col < 5; ++col)
                    if (g->rows[row][col] == '#')
                        for (int sy = 0; sy < scale; ++sy)
                            for (int sx = 0; sx < scale; ++sx) {
                                const int px = left + col * scale + sx;
                                const int py = y + row * scale + sy + dy;
                                if (px >= 0 && py >= 0 && px < image.width && py < image.height)
                                    At(image, px, py) = color;
                            }
        }
    }
}

// Text ending at x (right-aligned).
void DrawTextRight(Image& image, int right, int y, const char* text, Rgb ink) {
    DrawText(image, right - TextWidth(text, 1), y, text, ink);
}

// A groove: dark line with a light line below it.
void Groove(Image& image, int left, int right, int y) {
    for (int x = left; x < right; ++x) {
        At(image, x, y) = Mix(At(image, x, y), Gray(70), 0.8);
        At(image, x, y + 1) = Mix(At(image, x, y + 1), Gray(245), 0.8);
    }
}

// A recessed seat for a control: dark rim one pixel around the control's box.
void Seat(Image& image, int left, int top, int width, int height) {
    Bevel(image, left - 2, top - 2, left + width + 2, top + height + 2, Gray(110), Gray(235));
    Bevel(image, left - 1, top - 1, left + width + 1, top + height + 1, Gray(45), Gray(45));
}

// A round recessed seat for a knob whose face centre is (cx, cy).
void RoundSeat(Image& image, double cx, double cy) {
    Fill(image, Ellipse(cx + 0.5, cy + 0.5, 13.6, 13.6), Gray(240), 0.8);
    Fill(image, Ellipse(cx, cy, 13.0, 13.0), Gray(45));
}

// A cross-head screw in a countersunk hole.
void Screw(Image& image, double cx, double cy) {
    Fill(image, Ellipse(cx, cy, 4.6, 4.6), Gray(95));
    Fill(image, Ellipse(cx - 0.3, cy - 0.3, 3.8, 3.8), Gray(205));
    Fill(image, Ellipse(cx + 0.6, cy + 0.6, 3.0, 3.0), Gray(160), 0.7);
    Fill(image, Segment(cx - 2.6, cy - 2.6, cx + 2.6, cy + 2.6, 1.1), Gray(55));
    Fill(image, Segment(cx - 2.6, cy + 2.6, cx + 2.6, cy - 2.6, 1.1), Gray(55));
}

// Tick marks around a knob centred at (cx, cy), in the knob's own angles:
// degrees counter-clockwise from the right, the value sweeping clockwise
// from startDegrees (minimum) to endDegrees (maximum).
void DialTicks(Image& image, double cx, double cy, double radius, int startDegrees, int endDegrees,
               int ticks) {
    const double kPi = 3.14159265358979;
    const double span = std::fmod(startDegrees - endDegrees + 360.0, 360.0);
    for (int i = 0; i <= ticks; ++i) {
        const double a = (startDegrees - span * i / ticks) * kPi / 180.0;
        const double dx = std::cos(a), dy = -std::sin(a);
        const double outer = radius + (i == 0 || i == ticks ? 4.0 : 2.5);
        Fill(image,
             Segment(cx + dx * radius, cy + dy * radius, cx + dx * outer, cy + dy * outer, 1.0),
             Gray(40));
    }
}

constexpr int kPanelWidth = 250;
constexpr int kPanelHeight = 400;

// Where the controls of the main window sit (top-left corners, client pixels).
struct Place {
    int x, y;
};
constexpr Place kHold{12, 7}, kOpenMeter{91, 7}, kReset{175, 7}, kLamp{12, 30}, kRecord{12, 44};
constexpr Place kDelay{216, 34}, kPeakRadio{74, 99}, kRmsRadio{74, 120}, kAverageRadio{74, 141};
constexpr Place kMaxDb{34, 100}, kMinDb{34, 135}, kPeakFall{216, 100}, kAverageFall{216, 135};
constexpr Place kPhase{216, 174}, kZoom{41, 243}, kFollow{51, 291}, kLoad{167, 316};
constexpr Place kSave{167, 356};
constexpr int kStatusX = 80, kStatusY = 238, kStatusW = 164, kStatusH = 69;
constexpr int kButtonW = 19, kButtonH = 15, kKnobSize = 24, kLampW = 19, kLampH = 14;

// The main window's background: a brushed aluminium front plate with
// engraved captions beside every control, recessed seats under the controls,
// a backlit display window for the status panel and the maker's name.
Image FrontPanel() {
    Image image = MakeImage(kPanelWidth, kPanelHeight, Gray(0));
    Random random{2024};
    std::vector<double> noise(kPanelWidth * 2);
    for (double& n : noise)
        n = random.Next();
    for (int y = 0; y < kPanelHeight; ++y) {
        const double row = random.Next() - 0.5;
        for (int x = 0; x < kPanelWidth; ++x) {
            double sum = 0;
            for (int k = 0; k < 12; ++k)
                sum += noise[(x + k + y * 7) % noise.size()];
            const double v = 196 + (sum / 12 - 0.5) * 26 + row * 10 + (random.Next() - 0.5) * 5;
            At(image, x, y) = {v - 3, v - 1, v + 2};
        }
    }
    Bevel(image, 0, 0, kPanelWidth, kPanelHeight, Gray(250), Gray(90));
    Bevel(image, 1, 1, kPanelWidth - 1, kPanelHeight - 1, Gray(235), Gray(130));

    const Rgb ink = Gray(30);
    const Rgb red = Rgb{160, 24, 16};
    // Top row: the three switches and the record lamp.
    for (Place p : {kHold, kOpenMeter, kReset, kRecord})
        Seat(image, p.x, p.y, kButtonW, kButtonH);
    Seat(image, kLamp.x, kLamp.y, kLampW, kLampH);
    DrawText(image, kHold.x + 24, kHold.y + 4, "HOLD", ink);
    DrawText(image, kOpenMeter.x + 24, kOpenMeter.y + 4, "METER", ink);
    DrawText(image, kReset.x + 24 - 1, kReset.y + 4, "RESET", red);
    DrawText(image, kLamp.x + 24, kLamp.y + 4, "REC", red);
    DrawText(image, kRecord.x + 24, kRecord.y + 4, "RECORD", ink);
    Groove(image, 6, kPanelWidth - 6, 27);

    // Delay knob, right of the record switch.
    RoundSeat(image, kDelay.x + 13, kDelay.y + 12);
    DialTicks(image, kDelay.x + 13, kDelay.y + 12, 14.5, 220, 319, 8);
    DrawTextRight(image, kDelay.x - 8, kDelay.y + 9, "DELAY", ink);
    DrawTextRight(image, kDelay.x - 8, kDelay.y + 19, "0-2 S", Gray(90));
    Groove(image, 6, kPanelWidth - 6, 68);

    // Maker's strip between the rows.
    DrawText(image, 16, 75, "LEVEL METER", Gray(60));
    DrawTextRight(image, kPanelWidth - 16, 75, "HISTORY REC", Gray(60));
    Groove(image, 6, kPanelWidth - 6, 85);

    // dB range, display mode and fall rates.
    DrawText(image, 10, 90, "DB RANGE", ink);
    DrawText(image, kPeakRadio.x, 90, "DISPLAY", ink);
    DrawTextRight(image, kPanelWidth - 10, 90, "FALL DB/S", ink);
    for (Place p : {kMaxDb, kMinDb, kPeakFall, kAverageFall, kPhase})
        RoundSeat(image, p.x + 13, p.y + 12);
    for (Place p : {kPeakRadio, kRmsRadio, kAverageRadio})
        Seat(image, p.x, p.y, kButtonW, kButtonH);
    DrawTextRight(image, kMaxDb.x - 5, kMaxDb.y + 9, "MAX", ink);
    DrawTextRight(image, kMinDb.x - 5, kMinDb.y + 9, "MIN", ink);
    DrawText(image, kPeakRadio.x + 23, kPeakRadio.y + 4, "PEAK", ink);
    DrawText(image, kRmsRadio.x + 23, kRmsRadio.y + 4, "RMS", ink);
    DrawText(image, kAverageRadio.x + 23, kAverageRadio.y + 4, "AVERAGE", ink);
    DrawTextRight(image, kPeakFall.x - 6, kPeakFall.y + 9, "PEAK", ink);
    DrawTextRight(image, kAverageFall.x - 6, kAverageFall.y + 9, "AVG", ink);
    DrawTextRight(image, kPhase.x - 6, kPhase.y + 5, "PHASE", ink);
    DrawTextRight(image, kPhase.x - 6, kPhase.y + 14, "RELEASE", ink);
    for (Place p : {kMaxDb, kMinDb, kPeakFall, kAverageFall, kPhase})
        DialTicks(image, p.x + 13, p.y + 12, 14.5, 240, 300, 10);
    Groove(image, 6, kPanelWidth - 6, 206);

    // History: zoom, follow, the display window, load and save.
    DrawText(image, 10, 214, "HISTORY", ink);
    DrawTextRight(image, kZoom.x - 7, kZoom.y + 9, "ZOOM", ink);
    RoundSeat(image, kZoom.x + 13, kZoom.y + 12);
    DialTicks(image, kZoom.x + 13, kZoom.y + 12, 14.5, 240, 300, 10);
    Seat(image, kFollow.x, kFollow.y, kButtonW, kButtonH);
    DrawTextRight(image, kFollow.x - 5, kFollow.y + 4, "FOLLOW", ink);

    // The display window: a black bezel around a backlit glass.
    Bevel(image, kStatusX - 4, kStatusY - 4, kStatusX + kStatusW + 4, kStatusY + kStatusH + 4,
          Gray(120), Gray(240));
    for (int y = kStatusY - 3; y < kStatusY + kStatusH + 3; ++y)
        for (int x = kStatusX - 3; x < kStatusX + kStatusW + 3; ++x)
            At(image, x, y) = Gray(28);
    Gradient(image, kStatusX, kStatusY, kStatusX + kStatusW, kStatusY + kStatusH,
             Rgb{200, 214, 172}, Rgb{168, 186, 140});

    for (Place p : {kLoad, kSave})
        Seat(image, p.x, p.y, kButtonW, kButtonH);
    DrawTextRight(image, kLoad.x - 6, kLoad.y + 4, "LOAD HISTORY", ink);
    DrawTextRight(image, kSave.x - 6, kSave.y + 4, "SAVE HISTORY", ink);

    // The name plate.
    DrawText(image, 12, 336, "TENVELO", Gray(25), 2);
    Fill(image, Box(12, 353, 12 + TextWidth("TENVELO", 2), 355), red);
    DrawText(image, 16, 376, "AUDIO LEVEL METER", Gray(70));

    Screw(image, 7.5, 385.5);
    Screw(image, kPanelWidth - 7.5, 385.5);
    Screw(image, 7.5, 78.5);
    Screw(image, kPanelWidth - 7.5, 78.5);
    return image;
}

// The record lamp's two states: a red lens in a chrome ring, lit or dark.
Image RecordLamp(bool lit) {
    Image image = MakeImage(kLampW, kLampH, Gray(40));
    Gradient(image, 0, 0, kLampW, kLampH, Gray(60), Gray(30));
    const double cx = kLampW / 2.0, cy = kLampH / 2.0;
    Fill(image, Ellipse(cx, cy, 6.3, 6.3), Gray(200));
    Fill(image, Ellipse(cx + 0.4, cy + 0.4, 5.4, 5.4), Gray(90));
    if (lit) {
        Fill(image, Ellipse(cx, cy, 4.8, 4.8), Rgb{255, 60, 30});
        Fill(image, Ellipse(cx, cy, 3.0, 3.0), Rgb{255, 150, 110}, 0.8);
        Fill(image, Ellipse(cx - 1.6, cy - 1.7, 1.5, 1.2), Rgb{255, 240, 230}, 0.9);
    } else {
        Fill(image, Ellipse(cx, cy, 4.8, 4.8), Rgb{92, 22, 16});
        Fill(image, Ellipse(cx - 1.6, cy - 1.7, 1.5, 1.2), Rgb{170, 110, 100}, 0.6);
    }
    return image;
}

// The panel's knob face: a black ribbed skirt with a brushed cap and a white
// pointer line at the top, drawn inside a round mask by the knob control.
Image PanelKnob() {
    const int size = kKnobSize;
    Image image = MakeImage(size, size, Gray(0));
    const double cx = 13.0, cy = 12.0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
            const double r = std::sqrt(dx * dx + dy * dy);
            if (r > 11.6) continue;
            const double rib = (static_cast<int>(std::atan2(dy, dx) * 24 / 3.14159265) & 1) ? 8 : 0;
            const double light = 1.0 - (dx + dy) / (2.0 * size);
            At(image, x, y) = Gray(std::clamp(25 + 40 * light + rib, 0.0, 255.0));
        }
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
            if (dx * dx + dy * dy <= 7.2 * 7.2) {
                const double light = 1.0 - (dx + dy) / 16.0;
                At(image, x, y) = Gray(std::clamp(120 + 60 * light + dy * 0.8, 0.0, 255.0));
            }
        }
    Fill(image, Ring(cx, cy, 7.2, 7.2, 0, 0.7), Gray(60), 0.8);
    return image;
}

// A 32 x 32 icon: a round meter dial with a red needle (the program), or
// two bargraphs over a history trace (the meter window).
Image ProgramIcon(bool meterWindow) {
    Image image = MakeImage(32, 32, Gray(0));
    if (!meterWindow) {
        Fill(image, Ellipse(16, 16, 15.5, 15.5), Gray(40));
        Fill(image, Ellipse(16, 16, 14, 14), Rgb{236, 224, 180});
        DialTicks(image, 16, 20, 9.5, 150, 30, 6);
        Fill(image, Segment(16, 22, 23, 8, 1.6), Rgb{200, 30, 20});
        Fill(image, Ellipse(16, 22, 2.5, 2.5), Gray(30));
        return image;
    }
    Fill(image, Box(0.5, 0.5, 31.5, 31.5), Gray(20));
    for (int bar = 0; bar < 2; ++bar) {
        const int left = 4 + bar * 9, top = bar ? 10 : 5;
        for (int y = top; y < 28; ++y)
            for (int x = left; x < left + 6; ++x)
                At(image, x, y) = y < 12   ? Rgb{240, 50, 30}
                                  : y < 18 ? Rgb{240, 220, 50}
                                           : Rgb{40, 200, 60};
    }
    for (int x = 22; x < 30; ++x) {
        const int y = 20 - static_cast<int>(6 * std::sin(x * 0.9));
        for (int yy = y; yy < 28; ++yy)
            At(image, x, yy) = yy == y ? Rgb{120, 220, 255} : Rgb{20, 70, 100};
    }
    return image;
}

enum class Encoding { kBmp, kIcon };

struct Artwork {
    std::string file; // name in the output folder
    Image image;
    Encoding encoding;
};

Artwork Bitmap(const char* prefix, int resource, Image image) {
    return {std::string(prefix) + std::to_string(resource) + ".bmp", std::move(image),
            Encoding::kBmp};
}

std::vector<Artwork> DrawAll() {
    std::vector<Artwork> all;
    const Image toolkit[] = {
        ButtonFace(24, 16, false),
        ButtonFace(24, 16, true),
        ButtonFace(33, 23, false),
        ButtonFace(33, 23, true),
        Lamp(16, false),
        Lamp(16, true),
        NotePalette(),
        KnobFace(32),
        Track(17, 128),
        Thumb(15, 20),
        Track(128, 17),
        Thumb(20, 15),
        BrushedMetal(64),
        CloseMark(12),
    };
    for (int i = 0; i < 14; ++i)
        all.push_back(Bitmap("toolkit_", 1500 + i, toolkit[i]));
    all.push_back(Bitmap("panel_", 500, FrontPanel()));
    all.push_back(Bitmap("panel_", 501, RecordLamp(true)));
    all.push_back(Bitmap("panel_", 502, RecordLamp(false)));
    all.push_back(Bitmap("panel_", 509, PanelKnob()));
    all.push_back(Bitmap("panel_", 530, ButtonFace(kButtonW, kButtonH, true)));
    all.push_back(Bitmap("panel_", 531, ButtonFace(kButtonW, kButtonH, false)));
    all.push_back({"icon_100.ico", ProgramIcon(false), Encoding::kIcon});
    all.push_back({"icon_101.ico", ProgramIcon(true), Encoding::kIcon});
    return all;
}

// A bottom-up 24-bit BMP with a BITMAPINFOHEADER.
std::vector<uint8_t> EncodeBmp(const Image& image) {
    const uint32_t stride = (static_cast<uint32_t>(image.width) * 3 + 3) & ~3u;
    const uint32_t dataSize = stride * static_cast<uint32_t>(image.height);
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    AppendLe(out, 54 + dataSize, 4);
    AppendLe(out, 0, 4);
    AppendLe(out, 54, 4);
    AppendLe(out, 40, 4);
    AppendLe(out, static_cast<uint32_t>(image.width), 4);
    AppendLe(out, static_cast<uint32_t>(image.height), 4);
    AppendLe(out, 1, 2);
    AppendLe(out, 24, 2);
    AppendLe(out, 0, 4); // BI_RGB
    AppendLe(out, dataSize, 4);
    AppendLe(out, 2835, 4); // 72 dpi
    AppendLe(out, 2835, 4);
    AppendLe(out, 0, 4);
    AppendLe(out, 0, 4);
    for (int y = image.height - 1; y >= 0; --y) {
        const size_t rowStart = out.size();
        for (int x = 0; x < image.width; ++x) {
            const Rgb& p = image.pixels[static_cast<size_t>(y * image.width + x)];
            for (double c : {p.b, p.g, p.r})
                out.push_back(static_cast<uint8_t>(std::lround(std::clamp(c, 0.0, 255.0))));
        }
        while (out.size() - rowStart < stride)
            out.push_back(0);
    }
    return out;
}

// A one-image icon file: 32-bit BGRA rows bottom-up, then the 1-bit AND
// mask. Pixels still holding the black ground are transparent.
std::vector<uint8_t> EncodeIcon(const Image& image) {
    const uint32_t w = static_cast<uint32_t>(image.width), h = static_cast<uint32_t>(image.height);
    const uint32_t maskStride = ((w + 31) / 32) * 4;
    const uint32_t imageSize = 40 + w * h * 4 + maskStride * h;
    std::vector<uint8_t> out;
    AppendLe(out, 0, 2);
    AppendLe(out, 1, 2); // icon
    AppendLe(out, 1, 2); // one image
    out.push_back(static_cast<uint8_t>(w));
    out.push_back(static_cast<uint8_t>(h));
    out.push_back(0); // no palette
    out.push_back(0);
    AppendLe(out, 1, 2);  // planes
    AppendLe(out, 32, 2); // bits per pixel
    AppendLe(out, imageSize, 4);
    AppendLe(out, 22, 4); // offset of the image
    AppendLe(out, 40, 4);
    AppendLe(out, w, 4);
    AppendLe(out, h * 2, 4); // colour and mask rows
    AppendLe(out, 1, 2);
    AppendLe(out, 32, 2);
    for (int i = 0; i < 6; ++i)
        AppendLe(out, 0, 4);
    auto transparent = [&](int x, int y) {
        const Rgb& p = image.pixels[static_cast<size_t>(y * image.width + x)];
        return p.r == 0 && p.g == 0 && p.b == 0;
    };
    for (int y = image.height - 1; y >= 0; --y)
        for (int x = 0; x < image.width; ++x) {
            const Rgb& p = image.pixels[static_cast<size_t>(y * image.width + x)];
            for (double c : {p.b, p.g, p.r})
                out.push_back(static_cast<uint8_t>(std::lround(std::clamp(c, 0.0, 255.0))));
            out.push_back(transparent(x, y) ? 0 : 255);
        }
    for (int y = image.height - 1; y >= 0; --y) {
        std::vector<uint8_t> row(maskStride, 0);
        for (int x = 0; x < image.width; ++x)
            if (transparent(x, y)) row[static_cast<size_t>(x / 8)] |= uint8_t(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

bool ReadFile(const std::string& path, std::vector<uint8_t>* bytes) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    uint8_t buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes->insert(bytes->end(), buffer, buffer + got);
    std::fclose(file);
    return true;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

} // namespace

int main(int argc, char** argv) {
    const bool check = argc == 3 && std::strcmp(argv[1], "--check") == 0;
    if (argc != 2 && !check) {
        std::fprintf(stderr, "usage: %s [--check] DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[argc - 1];
    int failures = 0;
    for (const Artwork& art : DrawAll()) {
        const std::string path = dir + "/" + art.file;
        const std::vector<uint8_t> bytes =
            art.encoding == Encoding::kIcon ? EncodeIcon(art.image) : EncodeBmp(art.image);
        if (check) {
            std::vector<uint8_t> stored;
            if (!ReadFile(path, &stored) || stored != bytes) {
                std::fprintf(stderr, "%s is missing or out of date\n", path.c_str());
                ++failures;
            }
        } else if (!WriteFile(path, bytes)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
