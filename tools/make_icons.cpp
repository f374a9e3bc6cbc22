// Writes the program's icons: the mascot's round face with its feeler, on a transparent
// ground. The large icon (resource 107) holds 48, 32 and 16 pixel pictures, the small one
// (resource 108) the 16 pixel picture alone. Each picture is a 32-bit BGRA bitmap with
// its AND mask, which every Windows since XP reads.
//
//   make_icons [LARGE.ico SMALL.ico]   (default resources/orvanel.ico resources/orvanel_small.ico)
#include <cstdio>
#include <vector>

#include "tools/orva_art.h"

using namespace orva;

namespace {

Canvas drawFace(int size) {
    Canvas cv(size, size);
    cv.samples = 8;
    Pose p;
    p.arms = false, p.feet = false, p.shadow = false;
    p.eyes = Eyes::Open;
    p.mouth = Mouth::Smile;
    // The feeler is shortened so the face fills the square; tiny pictures drop it and
    // the eyes' glint, and get a thicker rim and bigger eyes, so the face still reads.
    const bool tiny = size < 24;
    p.antennaY = 7.0;
    p.feeler = !tiny;
    p.eyeShine = !tiny;
    const double top = tiny ? -50.0 : -56.0, bottom = -5.0;
    const double k = size / (bottom - top + 1.0);
    const Xform place = then(translate(0, -(top + bottom) / 2.0),
                             then(scale(k, k), translate(size / 2.0, size / 2.0)));
    drawCharacter(cv, p, place, tiny ? 2.8 : (size < 40 ? 1.9 : 1.5), tiny ? 1.45 : 1.1);
    return cv;
}

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// One icon image: BITMAPINFOHEADER (height doubled for the two masks), the BGRA rows
// from the bottom up, then the 1-bit AND mask rows padded to 32 bits (1 = transparent).
std::vector<uint8_t> iconImage(const Canvas& cv) {
    const int w = cv.width, h = cv.height;
    const uint32_t maskRow = uint32_t((w + 31) / 32) * 4;
    std::vector<uint8_t> out;
    put32(out, 40);
    put32(out, w);
    put32(out, 2 * h);
    put16(out, 1);
    put16(out, 32);
    put32(out, 0);
    put32(out, uint32_t(w * h * 4) + maskRow * h);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    for (int y = h - 1; y >= 0; --y)
        for (int x = 0; x < w; ++x) {
            const size_t i = size_t(y) * w + x;
            const uint8_t a = Canvas::channel(cv.alpha[i] * 255.0);
            const Color c = a ? cv.color[i] : Color();
            out.push_back(Canvas::channel(c.b));
            out.push_back(Canvas::channel(c.g));
            out.push_back(Canvas::channel(c.r));
            out.push_back(a);
        }
    for (int y = h - 1; y >= 0; --y) {
        std::vector<uint8_t> row(maskRow, 0);
        for (int x = 0; x < w; ++x)
            if (Canvas::channel(cv.alpha[size_t(y) * w + x] * 255.0) < 128)
                row[x / 8] |= uint8_t(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

bool writeIcon(const char* path, const std::vector<int>& sizes) {
    std::vector<std::vector<uint8_t>> images;
    for (int s : sizes) images.push_back(iconImage(drawFace(s)));

    std::vector<uint8_t> out;
    put16(out, 0);
    put16(out, 1);  // icon
    put16(out, uint32_t(sizes.size()));
    uint32_t offset = 6 + 16 * uint32_t(sizes.size());
    for (size_t i = 0; i < sizes.size(); ++i) {
        out.push_back(uint8_t(sizes[i] >= 256 ? 0 : sizes[i]));
        out.push_back(uint8_t(sizes[i] >= 256 ? 0 : sizes[i]));
        out.push_back(0);  // no palette
        out.push_back(0);
        put16(out, 1);   // planes
        put16(out, 32);  // bits per pixel
        put32(out, uint32_t(images[i].size()));
        put32(out, offset);
        offset += uint32_t(images[i].size());
    }
    for (const auto& image : images) out.insert(out.end(), image.begin(), image.end());

    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 1 && argc != 3) {
        std::fprintf(stderr, "usage: make_icons [LARGE.ico SMALL.ico]\n");
        return 2;
    }
    const char* large = argc == 3 ? argv[1] : "resources/orvanel.ico";
    const char* small = argc == 3 ? argv[2] : "resources/orvanel_small.ico";
    if (!writeIcon(large, {48, 32, 16})) {
        std::fprintf(stderr, "make_icons: cannot write %s\n", large);
        return 1;
    }
    if (!writeIcon(small, {16})) {
        std::fprintf(stderr, "make_icons: cannot write %s\n", small);
        return 1;
    }
    return 0;
}
