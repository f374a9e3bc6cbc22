// Writes the default skin: a 2080 x 80 24-bit BMP holding 26 frames of 80 x 80 side by
// side. Frame 0 is the mascot asleep (no song), frame 1 awake and waiting (song loaded),
// then three dance cycles of eight frames each, one frame per sixteenth note, so a cycle
// spans two beats: 2-9 a bouncing side step (medium tempo), 10-17 a gentle sway (slow),
// 18-25 two jumps, one per beat (fast). Each cycle is periodic, so its last frame flows
// into its first.
//
//   make_default_skin [OUT.bmp]      (default kivo/default.bmp)
#include <cstdio>
#include <vector>

#include "tools/orva_art.h"

using namespace orva;

namespace {

constexpr int kFrame = 80;
constexpr int kFrames = 26;

// One frame: background, props behind, character, props in front.
struct FrameArt {
    Color top, bottom;
    Pose pose;
};

Pose asleep() {
    Pose p;
    p.squash = 0.9;
    p.tilt = 0.07;
    p.armL = 0.12, p.armR = 0.12;
    p.antennaX = 7.0, p.antennaY = 5.0;  // the feeler droops
    p.eyes = Eyes::Sleeping;
    p.mouth = Mouth::Small;
    return p;
}

Pose waiting() {
    Pose p;
    p.armL = 0.3, p.armR = 0.3;
    p.antennaX = 1.0;
    p.eyes = Eyes::Open;
    p.mouth = Mouth::Smile;
    return p;
}

// Medium: a side step with a bounce on every beat, arms swinging in turn.
Pose medium(int i) {
    const double t = 2 * kPi * i / 8.0, s = sine(t), c = cosine(t);
    const double up = 0.5 - 0.5 * cosine(2 * t);  // 0 on the beat, 1 between
    Pose p;
    p.dx = 5.0 * s;
    p.lift = 3.5 * up;
    p.squash = 0.92 + 0.11 * up;
    p.tilt = 0.16 * s;
    p.armL = 0.45 + 1.9 * (0.5 - 0.5 * s);
    p.armR = 0.45 + 1.9 * (0.5 + 0.5 * s);
    p.footL = s > 0 ? 3.0 * s : 0.0;
    p.footR = s < 0 ? -3.0 * s : 0.0;
    p.antennaX = -5.0 * c;
    p.antennaY = 2.0 * (1.0 - up);
    p.eyes = Eyes::Open;
    p.mouth = Mouth::Open;
    return p;
}

// Slow: a small sway with the eyes closed in content, arms rocking together.
Pose slow(int i) {
    const double t = 2 * kPi * i / 8.0, s = sine(t), c = cosine(t);
    Pose p;
    p.dx = 3.0 * s;
    p.lift = 0.0;
    p.squash = 1.0 - 0.03 * (0.5 + 0.5 * cosine(2 * t));
    p.tilt = 0.12 * s;
    p.armL = 0.8 - 0.5 * s;
    p.armR = 0.8 + 0.5 * s;
    p.antennaX = -3.0 * c;
    p.eyes = Eyes::Happy;
    p.mouth = Mouth::Smile;
    return p;
}

// Fast: a jump on every beat, first leaning left, then right: crouch, take off, top,
// come down.
Pose fast(int i) {
    const int q = i % 4;
    const double side = i < 4 ? -1.0 : 1.0;
    Pose p;
    p.eyes = Eyes::Open;
    p.mouth = Mouth::Open;
    switch (q) {
    case 0:  // landed and crouching for the next jump
        p.squash = 0.8;
        p.armL = p.armR = 0.9;
        p.antennaY = 5.0;
        p.eyes = Eyes::Squeezed;
        break;
    case 1:
        p.lift = 8.0, p.dx = 3.0 * side, p.tilt = 0.12 * side, p.squash = 1.1;
        p.armL = p.armR = 2.5;
        p.footL = p.footR = 1.0;
        p.antennaX = -2.0 * side, p.antennaY = 5.0;
        break;
    case 2:
        p.lift = 13.0, p.dx = 6.0 * side, p.tilt = 0.22 * side, p.squash = 1.0;
        p.armL = p.armR = 2.85;
        p.footL = p.footR = 2.5;
        p.antennaX = -3.0 * side, p.antennaY = 3.0;
        break;
    default:
        p.lift = 7.0, p.dx = 3.5 * side, p.tilt = 0.1 * side, p.squash = 1.04;
        p.armL = p.armR = 1.9;
        p.antennaX = 2.0 * side, p.antennaY = -1.0;
        break;
    }
    return p;
}

void drawFrame(Canvas& cv, int k) {
    const Xform place = translate(kFrame / 2.0, kFrame - 5.0);
    if (k == 0) {
        cv.background(rgb(0xD9DEF2), rgb(0xECEEF7));
        drawZ(cv, 57, 10, 8, rgb(0x6A74A8));
        drawZ(cv, 68, 3, 5.5, rgb(0x8B93C2));
        drawCharacter(cv, asleep(), place);
        return;
    }
    if (k == 1) {
        cv.background(rgb(0xFFF6DF), rgb(0xFFFBF1));
        drawNote(cv, 62, 20, 1.0, rgb(0xB0608C));
        drawCharacter(cv, waiting(), place);
        return;
    }
    if (k < 10) {
        const int i = k - 2;
        cv.background(rgb(0xDDF3E2), rgb(0xF1FAF2));
        // Two notes that hop in time with the beat.
        const double hop = 2.5 * cosine(2 * kPi * i / 4.0);
        drawNote(cv, 5, 18 + hop, 0.8, rgb(0x3E8E5E));
        drawNote(cv, 67, 16 - hop, 0.8, rgb(0x3E8E5E));
        drawCharacter(cv, medium(i), place);
        return;
    }
    if (k < 18) {
        const int i = k - 10;
        const double t = 2 * kPi * i / 8.0;
        cv.background(rgb(0xE2E6F8), rgb(0xF3F4FC));
        // One note drifting slowly from side to side.
        drawNote(cv, 63 + 3.0 * sine(t), 18 - 2.0 * cosine(t), 0.85, rgb(0x6B73B8), 0.85);
        drawCharacter(cv, slow(i), place);
        return;
    }
    const int i = k - 18;
    const int q = i % 4;
    const double side = i < 4 ? -1.0 : 1.0;
    cv.background(rgb(0xFFE4CC), rgb(0xFFF3E6));
    if (q == 1 || q == 3) {  // motion dashes beside the moving body
        const double dx = side * (q == 1 ? 3.0 : 3.5), lift = q == 1 ? 8.0 : 7.0;
        const double dir = q == 1 ? 1.0 : -1.0;  // trailing below when rising, above when falling
        Shape dashes(translate(kFrame / 2.0 + dx, kFrame - 5.0 - lift));
        for (int n = -1; n <= 1; n += 2) {
            const double y = -27.0 + dir * 16.0;
            dashes.stroke(n * 29.0, y - 4.0, n * 29.0, y + 4.0, 0.9);
            dashes.stroke(n * 33.0, y - 2.5, n * 33.0, y + 2.5, 0.9);
        }
        cv.fill(dashes, rgb(0xD9824A), 0.65);
    }
    if (q == 2) {
        drawSparkle(cv, side < 0 ? 66 : 14, 12, 5.0, rgb(0xFFB020));
        drawSparkle(cv, side < 0 ? 72 : 8, 30, 3.2, rgb(0xFF7A50));
    }
    if (q == 0) {  // a puff of dust at the landing
        Shape puff(translate(kFrame / 2.0, kFrame - 6.0));
        puff.circle(-24, -2, 2.6).circle(-29, -4, 1.8).circle(24, -2, 2.6).circle(29, -4, 1.8);
        cv.fill(puff, rgb(0xC9A07E), 0.6);
    }
    drawCharacter(cv, fast(i), place);
}

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

}  // namespace

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : "kivo/default.bmp";
    const int width = kFrame * kFrames, height = kFrame;

    std::vector<Canvas> frames;
    for (int k = 0; k < kFrames; ++k) {
        frames.emplace_back(kFrame, kFrame);
        drawFrame(frames.back(), k);
    }

    const uint32_t row = (uint32_t(width) * 3 + 3) & ~3u;
    const uint32_t image = row * height, offset = 14 + 40;
    std::vector<uint8_t> out;
    out.reserve(offset + image);
    out.push_back('B');
    out.push_back('M');
    put32(out, offset + image);
    put32(out, 0);
    put32(out, offset);
    put32(out, 40);      // BITMAPINFOHEADER
    put32(out, width);
    put32(out, height);  // positive: rows from the bottom up
    put16(out, 1);
    put16(out, 24);
    put32(out, 0);  // BI_RGB
    put32(out, image);
    put32(out, 2835);  // 72 dpi
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    for (int y = height - 1; y >= 0; --y) {
        const size_t start = out.size();
        for (int x = 0; x < width; ++x) {
            const Canvas& cv = frames[x / kFrame];
            const Color& c = cv.color[size_t(y) * kFrame + x % kFrame];
            out.push_back(Canvas::channel(c.b));
            out.push_back(Canvas::channel(c.g));
            out.push_back(Canvas::channel(c.r));
        }
        while (out.size() - start < row) out.push_back(0);
    }

    FILE* f = std::fopen(path, "wb");
    if (!f) {
        std::fprintf(stderr, "make_default_skin: cannot write %s\n", path);
        return 1;
    }
    const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    if (std::fclose(f) != 0 || !ok) {
        std::fprintf(stderr, "make_default_skin: cannot write %s\n", path);
        return 1;
    }
    return 0;
}
