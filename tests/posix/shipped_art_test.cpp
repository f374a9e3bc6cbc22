// The picture files that ship with Orvanel.exe, read as committed: the default skin
// kivo/default.bmp and the two icons in resources/. The file formats are parsed here on
// their own (not with the generators' code), and the generators are run again to prove
// the committed files are what the tree builds.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/posix/support/run_program.h"
#include "tests/support/capture.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes readAll(const std::string& path) {
    Bytes out;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    uint8_t buffer[65536];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) out.insert(out.end(), buffer, buffer + n);
    std::fclose(f);
    return out;
}

std::string treePath(const char* relative) { return std::string(ORVANEL_SOURCE_DIR) + "/" + relative; }

// Little-endian fields read with a bound check; `ok` turns false for good on a short read.
struct Reader {
    const Bytes& b;
    bool ok = true;
    uint32_t u16(size_t at) {
        if (at > b.size() || 2 > b.size() - at) return ok = false, 0;
        return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8;
    }
    uint32_t u32(size_t at) { return u16(at) | u16(at + 2) << 16; }
    int32_t s32(size_t at) { return int32_t(u32(at)); }
};

struct Rgb {
    int r = 0, g = 0, b = 0;
};
int luminance(Rgb p) { return (299 * p.r + 587 * p.g + 114 * p.b) / 1000; }
bool farApart(Rgb a, Rgb b) {
    return std::abs(a.r - b.r) > 24 || std::abs(a.g - b.g) > 24 || std::abs(a.b - b.b) > 24;
}

// ---- the skin ---------------------------------------------------------------------------

struct Skin {
    Bytes file;
    int width = 0, height = 0, bits = 0;
    bool topDown = false;
    size_t pixels = 0, row = 0;

    Rgb at(int x, int y) const {  // y from the top
        const size_t line = topDown ? size_t(y) : size_t(height - 1 - y);
        const size_t o = pixels + line * row + size_t(x) * (bits / 8);
        return {file[o + 2], file[o + 1], file[o]};
    }
};

// Parses a BMP of the kind the skin loader takes; on failure says why in `why`.
bool parseSkin(Bytes file, Skin& s, std::string& why) {
    s.file = std::move(file);
    Reader r{s.file};
    if (s.file.size() < 54 || s.file[0] != 'B' || s.file[1] != 'M') return why = "no BM header", false;
    const uint32_t declaredSize = r.u32(2), offset = r.u32(10), header = r.u32(14);
    const int32_t width = r.s32(18), height = r.s32(22);
    const uint32_t planes = r.u16(26), bits = r.u16(28), compression = r.u32(30);
    if (!r.ok) return why = "short header", false;
    if (declaredSize != s.file.size()) return why = "file size field " + std::to_string(declaredSize), false;
    if (header < 40) return why = "old header of " + std::to_string(header) + " bytes", false;
    if (planes != 1) return why = "planes " + std::to_string(planes), false;
    if (bits != 24 && bits != 32) return why = std::to_string(bits) + " bits per pixel", false;
    if (compression != 0 && !(bits == 32 && compression == 3)) return why = "compressed", false;
    s.width = width;
    s.topDown = height < 0;
    s.height = height < 0 ? -height : height;
    s.bits = int(bits);
    s.row = (size_t(width) * bits / 8 + 3) & ~size_t(3);
    s.pixels = offset;
    if (width <= 0 || offset < 14 + header || offset > s.file.size() ||
        s.row * size_t(s.height) > s.file.size() - offset)
        return why = "pixel rows outside the file", false;
    return true;
}

constexpr int kFrame = 80;

class DefaultSkin : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        ASSERT_TRUE(parseSkin(readAll(treePath("kivo/default.bmp")), skin, why)) << why;
        ASSERT_EQ(skin.width, 2080);
        ASSERT_EQ(skin.height, 80);
    }
    // Pixels of two frames that clearly differ.
    int changed(int a, int b) const {
        int n = 0;
        for (int y = 0; y < kFrame; ++y)
            for (int x = 0; x < kFrame; ++x)
                if (farApart(skin.at(a * kFrame + x, y), skin.at(b * kFrame + x, y))) ++n;
        return n;
    }
    // Mean change from one frame to the next over the eight frames of a cycle, the step
    // from the last back to the first included.
    double meanStep(int first) const {
        int sum = 0;
        for (int i = 0; i < 8; ++i) sum += changed(first + i, first + (i + 1) % 8);
        return sum / 8.0;
    }
    Skin skin;
};

TEST_F(DefaultSkin, IsAnUncompressedBitmapOfTwentyFourOrThirtyTwoBits) {
    // The size, exactly 2080 x 80 as the skin loader demands, is checked by SetUp.
    EXPECT_TRUE(skin.bits == 24 || skin.bits == 32) << skin.bits;
}

TEST_F(DefaultSkin, EveryFrameHoldsAPictureThatStaysInsideIt) {
    for (int k = 0; k < 26; ++k) {
        int dark = 0, borderDarkest = 255;
        for (int y = 0; y < kFrame; ++y)
            for (int x = 0; x < kFrame; ++x) {
                const int l = luminance(skin.at(k * kFrame + x, y));
                if (l < 100) ++dark;
                if (x == 0 || y == 0 || x == kFrame - 1 || y == kFrame - 1)
                    borderDarkest = l < borderDarkest ? l : borderDarkest;
            }
        // The character's outline is dark on a light ground.
        EXPECT_GE(dark, 150) << "frame " << k << " looks blank";
        // Nothing is cut off at the frame's edges, where it would show as a sliver of the
        // neighbouring frame.
        EXPECT_GE(borderDarkest, 200) << "frame " << k << " touches its edge";
    }
}

TEST_F(DefaultSkin, StillFramesTellNoSongFromSongLoaded) {
    EXPECT_GE(changed(0, 1), 400);
}

TEST_F(DefaultSkin, DanceCyclesMoveAtEveryFrameAndLoopBack) {
    for (int first : {2, 10, 18}) {
        int largest = 0;
        for (int i = 0; i < 7; ++i) {
            const int n = changed(first + i, first + i + 1);
            EXPECT_GE(n, 300) << "frames " << first + i << " and " << first + i + 1;
            largest = n > largest ? n : largest;
        }
        // The last frame leads into the first like any other step, not by a jump.
        const int wrap = changed(first + 7, first);
        EXPECT_GE(wrap, 300) << "cycle from " << first << " does not move at its wrap";
        EXPECT_LE(wrap, largest * 3 / 2) << "cycle from " << first << " jumps at its wrap";
        // A dance differs from both still frames.
        EXPECT_GE(changed(first, 0), 300);
        EXPECT_GE(changed(first, 1), 300);
    }
}

TEST_F(DefaultSkin, SlowCycleMovesLeastAndFastCycleMost) {
    const double slow = meanStep(10), medium = meanStep(2), fast = meanStep(18);
    EXPECT_LT(slow * 1.2, medium);
    EXPECT_LT(medium * 1.2, fast);
}

// ---- the icons --------------------------------------------------------------------------

struct IconImage {
    int size = 0;
    Bytes bgra;  // rows from the top
    Bytes mask;  // 1 = transparent, one byte per pixel, rows from the top
};

bool parseIcon(const Bytes& f, std::vector<IconImage>& images, std::string& why) {
    Reader r{f};
    if (r.u16(0) != 0 || r.u16(2) != 1 || !r.ok) return why = "no icon directory", false;
    const uint32_t count = r.u16(4);
    if (count == 0 || 6 + 16 * size_t(count) > f.size()) return why = "bad entry count", false;
    for (uint32_t i = 0; i < count; ++i) {
        const size_t e = 6 + 16 * size_t(i);
        const int w = f[e] ? f[e] : 256, h = f[e + 1] ? f[e + 1] : 256;
        const uint32_t bytes = r.u32(e + 8), offset = r.u32(e + 12);
        if (w != h) return why = "not square", false;
        if (offset > f.size() || bytes > f.size() - offset) return why = "image outside the file", false;
        if (r.u16(e + 4) != 1 || r.u16(e + 6) != 32) return why = "entry not 32-bit", false;
        // The image: BITMAPINFOHEADER with the height of both masks, BGRA, AND mask.
        if (r.u32(offset) != 40 || r.s32(offset + 4) != w || r.s32(offset + 8) != 2 * h ||
            r.u16(offset + 12) != 1 || r.u16(offset + 14) != 32 || r.u32(offset + 16) != 0)
            return why = "image header does not match its entry", false;
        const size_t maskRow = size_t((w + 31) / 32) * 4;
        const size_t need = 40 + size_t(w) * h * 4 + maskRow * h;
        if (bytes != need) return why = "image size " + std::to_string(bytes), false;
        IconImage img;
        img.size = w;
        for (int y = 0; y < h; ++y) {
            const size_t line = offset + 40 + size_t(h - 1 - y) * w * 4;
            img.bgra.insert(img.bgra.end(), f.begin() + line, f.begin() + line + size_t(w) * 4);
        }
        for (int y = 0; y < h; ++y) {
            const size_t line = offset + 40 + size_t(w) * h * 4 + size_t(h - 1 - y) * maskRow;
            for (int x = 0; x < w; ++x) img.mask.push_back((f[line + x / 8] >> (7 - x % 8)) & 1);
        }
        images.push_back(std::move(img));
    }
    return true;
}

void expectFace(const IconImage& img) {
    const int s = img.size;
    int opaque = 0, transparent = 0, masksAgree = 0;
    for (int i = 0; i < s * s; ++i) {
        const uint8_t a = img.bgra[size_t(i) * 4 + 3];
        if (a == 255) ++opaque;
        if (a == 0) ++transparent;
        // Windows without alpha blending draws through the AND mask: it must cut out the
        // same shape.
        if ((a < 128) == (img.mask[size_t(i)] == 1)) ++masksAgree;
    }
    EXPECT_EQ(masksAgree, s * s) << s << " px";
    EXPECT_GE(opaque, s * s / 3) << s << " px: too little drawn";
    EXPECT_GE(transparent, s * s / 10) << s << " px: no transparent ground";
    // A round face: the corners show the desktop, the middle is drawn.
    for (int corner : {0, s - 1, s * (s - 1), s * s - 1})
        EXPECT_EQ(img.bgra[size_t(corner) * 4 + 3], 0) << s << " px corner " << corner;
    EXPECT_EQ(img.bgra[(size_t(s / 2) * s + s / 2) * 4 + 3], 255) << s << " px centre";
}

std::vector<int> sizesOf(const std::vector<IconImage>& images) {
    std::vector<int> sizes;
    for (const auto& i : images) sizes.push_back(i.size);
    return sizes;
}

TEST(ShippedIcons, LargeIconHoldsThirtyTwoPixelsAndMore) {
    std::vector<IconImage> images;
    std::string why;
    ASSERT_TRUE(parseIcon(readAll(treePath("resources/orvanel.ico")), images, why)) << why;
    EXPECT_EQ(sizesOf(images), (std::vector<int>{48, 32, 16}));
    for (const auto& img : images) expectFace(img);
}

TEST(ShippedIcons, SmallIconIsSixteenPixels) {
    std::vector<IconImage> images;
    std::string why;
    ASSERT_TRUE(parseIcon(readAll(treePath("resources/orvanel_small.ico")), images, why)) << why;
    EXPECT_EQ(sizesOf(images), (std::vector<int>{16}));
    for (const auto& img : images) expectFace(img);
}

// ---- the parsers refuse what they must --------------------------------------------------

TEST(ArtParsers, RefuseCutAndInconsistentFiles) {
    const Bytes skin = readAll(treePath("kivo/default.bmp"));
    ASSERT_GT(skin.size(), 54u);
    Skin s;
    std::string why;
    Bytes cut(skin.begin(), skin.end() - 1);
    EXPECT_FALSE(parseSkin(cut, s, why));  // size field no longer matches
    cut[2] = uint8_t(cut.size()), cut[3] = uint8_t(cut.size() >> 8), cut[4] = uint8_t(cut.size() >> 16);
    EXPECT_FALSE(parseSkin(cut, s, why)) << "last row runs past the end";
    EXPECT_FALSE(parseSkin(Bytes(skin.begin(), skin.begin() + 20), s, why));

    const Bytes icon = readAll(treePath("resources/orvanel_small.ico"));
    ASSERT_GT(icon.size(), 22u);
    std::vector<IconImage> images;
    EXPECT_FALSE(parseIcon(Bytes(icon.begin(), icon.end() - 1), images, why));
    Bytes lying = icon;
    lying[6] = 32, lying[7] = 32;  // entry says 32 px, the image is 16
    EXPECT_FALSE(parseIcon(lying, images, why));
}

// ---- the generators rebuild the committed files ------------------------------------------

// Runs a generator of the build folder; false when it is absent or fails.
bool runTool(std::vector<std::string> args, bool& present) {
    args[0] = builtProgram(args[0].c_str());
    present = access(args[0].c_str(), X_OK) == 0;
    if (!present) return false;
    ProgramRun run;
    run.args = args;
    return runProgram(run).exitCode == 0;
}

TEST(Generators, SkinGeneratorRebuildsTheCommittedSkin) {
    const std::string out = scratchPath("rebuilt_skin.bmp");
    bool present = false;
    const bool ran = runTool({"make_default_skin", out}, present);
    if (!present) GTEST_SKIP() << "make_default_skin is not built in this build folder";
    ASSERT_TRUE(ran);
    EXPECT_TRUE(readAll(out) == readAll(treePath("kivo/default.bmp")))
        << "kivo/default.bmp is stale: rebuild it with make_default_skin";
    std::remove(out.c_str());
}

TEST(Generators, IconGeneratorRebuildsTheCommittedIcons) {
    const std::string large = scratchPath("rebuilt.ico"), small = scratchPath("rebuilt_small.ico");
    bool present = false;
    const bool ran = runTool({"make_icons", large, small}, present);
    if (!present) GTEST_SKIP() << "make_icons is not built in this build folder";
    ASSERT_TRUE(ran);
    EXPECT_TRUE(readAll(large) == readAll(treePath("resources/orvanel.ico")))
        << "resources/orvanel.ico is stale: rebuild it with make_icons";
    EXPECT_TRUE(readAll(small) == readAll(treePath("resources/orvanel_small.ico")))
        << "resources/orvanel_small.ico is stale: rebuild it with make_icons";
    std::remove(large.c_str());
    std::remove(small.c_str());
}

}  // namespace
