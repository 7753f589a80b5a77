// Draws the toolkit's bitmaps (resources 1500-1513) and writes them as 24-bit
// BMP files, which resources/toolkit.rc includes. The Windows trees are cross
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

struct Artwork {
    int resource;
    Image image;
};

std::vector<Artwork> DrawAll() {
    return {
        {1500, ButtonFace(24, 16, false)},
        {1501, ButtonFace(24, 16, true)},
        {1502, ButtonFace(33, 23, false)},
        {1503, ButtonFace(33, 23, true)},
        {1504, Lamp(16, false)},
        {1505, Lamp(16, true)},
        {1506, NotePalette()},
        {1507, KnobFace(32)},
        {1508, Track(17, 128)},
        {1509, Thumb(15, 20)},
        {1510, Track(128, 17)},
        {1511, Thumb(20, 15)},
        {1512, BrushedMetal(64)},
        {1513, CloseMark(12)},
    };
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

std::string FileName(const std::string& dir, int resource) {
    return dir + "/toolkit_" + std::to_string(resource) + ".bmp";
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
        const std::string path = FileName(dir, art.resource);
        const std::vector<uint8_t> bytes = EncodeBmp(art.image);
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
