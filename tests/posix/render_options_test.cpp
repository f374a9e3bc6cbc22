// orvanel-play's render options through real renders, each file read back with
// libsndfile: formats and samples, gain and its clip count, reverb and chorus, a fade of
// a fraction of a second, the SoundFont, and what is refused before anything renders.
#if defined(ORVANEL_HAVE_SNDFILE) && defined(ORVANEL_HAVE_FLUIDSYNTH)

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <regex>

#include "tests/support/capture.h"
#include "tests/support/smf_builder.h"

namespace {

const char* const kSoundFont = "/usr/share/sounds/sf2/FluidR3_GM.sf2";

struct Rendered {
    int status = -1;
    std::string lastLine;
    SF_INFO info = {};
    std::vector<float> samples;  // interleaved stereo; empty when no file is there

    double seconds() const { return info.samplerate ? double(info.frames) / info.samplerate : 0; }
    float peak() const {
        float p = 0;
        for (float s : samples) p = std::max(p, std::fabs(s));
        return p;
    }
    float leftRightApart() const {
        float d = 0;
        for (size_t i = 0; i + 1 < samples.size(); i += 2) d = std::max(d, std::fabs(samples[i] - samples[i + 1]));
        return d;
    }
};

// ./orvanel-play ARGS --device=wav:OUT SONG, then OUT as libsndfile reads it.
Rendered renderAndRead(const std::string& args, const std::string& out, const std::string& song) {
    std::remove(out.c_str());
    const std::string err = scratchPath("options.err");
    const std::string cmd = "LANG=C.UTF-8 timeout -k 5 300 ./orvanel-play " + args + " --device=wav:" + out + " " + song +
                            " >/dev/null 2>" + err + " </dev/null";
    Rendered r;
    const int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream in(err);
    for (std::string line; std::getline(in, line);) r.lastLine = line;
    if (SNDFILE* f = sf_open(out.c_str(), SFM_READ, &r.info)) {
        r.samples.resize(size_t(r.info.frames) * 2);
        r.samples.resize(size_t(sf_readf_float(f, r.samples.data(), r.info.frames)) * 2);
        sf_close(f);
    }
    return r;
}

// An organ note (a mono sample: without effects both sides are the same) with full reverb
// and chorus sends, held 0.5 s; the song ends at 1.5 s.
Bytes organSong() {
    Track t;
    t.tempo(0, 1000000).ev(0, {0xC0, 19}).ev(0, {0xB0, 91, 127}).ev(0, {0xB0, 93, 127}).ev(0, {0xB0, 10, 64});
    t.ev(0, {0x90, 60, 100}).ev(50, {0x80, 60, 0}).end(100);
    return buildSmf(100, {t});
}

using Check = void (*)(const Rendered& r, const Rendered& plain);

// The last line counts the samples at full scale in the file.
void clipsCounted(const Rendered& r, const Rendered&) {
    size_t atFullScale = 0;
    for (float s : r.samples) atFullScale += s >= 32767.0f / 32768 || s <= -1.0f;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(r.lastLine, m, std::regex(" ([0-9]+) samples clipped"))) << r.lastLine;
    EXPECT_EQ(std::stoul(m[1]), atFullScale);
    EXPECT_GT(atFullScale, 1000u);
}

TEST(RenderOptions, EachOptionShowsInTheFileWritten) {
    if (access(kSoundFont, R_OK) != 0) GTEST_SKIP() << "no FluidR3_GM SoundFont";
    const std::string song = scratchPath("organ.mid"), notFont = scratchPath("text.sf2");
    ASSERT_TRUE(writeBytes(song, organSong()));
    std::ofstream(notFont) << "not a SoundFont\n";
    std::ofstream(scratchPath("cut.sf2")) << std::string("RIFF\x10\0\0\0sfbkLIST", 16);
    const Rendered plain = renderAndRead("", scratchPath("plain.wav"), song);
    ASSERT_EQ(plain.status, 0) << plain.lastLine;
    ASSERT_GT(plain.peak(), 0.03f);
    ASSERT_GT(plain.leftRightApart(), 0.05f) << "the chorus spreads the organ";

    const auto same = [](const Rendered& r, const Rendered& p, float within) {
        ASSERT_EQ(r.samples.size(), p.samples.size());
        for (size_t i = 0; i < r.samples.size(); ++i) ASSERT_NEAR(r.samples[i], p.samples[i], within) << "sample " << i;
    };
    const auto lossy = [](const Rendered& r, const Rendered& p) {
        EXPECT_NEAR(r.seconds(), p.seconds(), 0.1);
        EXPECT_NEAR(r.peak(), p.peak(), p.peak() * 0.2f);
    };
    const struct {
        const char* args;
        const char* out;
        int status;
        int format;  // container | encoding read back; 0: no file is written
        int rate;
        Check check;
    } cases[] = {
        {"--sample-format s24", "s24.flac", 0, SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 44100,
         [](const Rendered& r, const Rendered& p) { EXPECT_NEAR(r.peak(), p.peak(), 1.0f / 32767); }},
        {"--sample-format f32", "f32.wav", 0, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, nullptr},
        {"", "o.mp3", 0, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100, nullptr},
        {"", "o.opus", 0, SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000, nullptr},
        {"", "o.AIFF", 0, SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 44100, nullptr},
        {"--format au", "o.out", 0, SF_FORMAT_AU | SF_FORMAT_PCM_16, 44100, nullptr},
        {"--gain -6", "quiet.wav", 0, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100,
         [](const Rendered& r, const Rendered& p) { EXPECT_NEAR(r.peak() / p.peak(), 0.501, 0.005); }},
        {"--gain 30", "loud.wav", 0, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, clipsCounted},
        {"--gain 30 SONG", "twice.wav", 0, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, clipsCounted},
        // Reverb and chorus each part the sides; without both, they are the same.
        {"--no-reverb --no-chorus", "dry.wav", 0, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100,
         [](const Rendered& r, const Rendered&) { EXPECT_EQ(r.leftRightApart(), 0.0f); }},
        {"--no-reverb", "chorus.wav", 0, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100,
         [](const Rendered& r, const Rendered&) { EXPECT_GT(r.leftRightApart(), 0.05f); }},
        {"--no-chorus", "reverb.wav", 0, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100,
         [](const Rendered& r, const Rendered&) {
             EXPECT_GT(r.leftRightApart(), 0.005f);
             EXPECT_LT(r.leftRightApart(), 0.05f);
         }},
        {"--loop-mode 1 --loops 1 --fade 2.5", "fade.wav", 0, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100,
         [](const Rendered& r, const Rendered&) { EXPECT_NEAR(r.seconds(), 1.5 + 2.5, 0.011); }},
        {"--soundfont /usr/share/sounds/sf2/FluidR3_GM.sf2", "named.wav", 0, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100,
         nullptr},
        {"--soundfont missing.sf2", "nofont.wav", 3, 0, 0,
         [](const Rendered& r, const Rendered&) { EXPECT_NE(r.lastLine.find("No such file or directory"), r.lastLine.npos); }},
        {"--soundfont text.sf2", "text.wav", 3, 0, 0,
         [](const Rendered& r, const Rendered&) { EXPECT_NE(r.lastLine.find("not a SoundFont"), r.lastLine.npos); }},
        {"--soundfont cut.sf2", "cut.wav", 3, 0, 0,
         [](const Rendered& r, const Rendered&) { EXPECT_EQ(r.lastLine.find("Failed to load"), r.lastLine.npos); }},
        {"", "o.xyz", 2, 0, 0, nullptr},
        {"--sample-format f32", "f32.flac", 2, 0, 0, nullptr},
        {"--sample-format s24", "s24.mp3", 2, 0, 0, nullptr},
        {"--rate 96000", "fast.mp3", 2, 0, 0, nullptr},
    };
    for (const auto& c : cases) {
        std::string args = c.args;
        for (const char* name : {"missing.sf2", "text.sf2", "cut.sf2"})
            if (args.find(name) != args.npos) args = "--soundfont " + scratchPath(name);
        if (args.find("SONG") != args.npos) args.replace(args.find("SONG"), 4, song);
        SCOPED_TRACE(std::string(c.args) + " " + c.out);
        const Rendered r = renderAndRead(args, scratchPath(c.out), song);
        EXPECT_EQ(r.status, c.status) << r.lastLine;
        EXPECT_EQ(r.info.format, c.format);
        EXPECT_EQ(r.info.samplerate, c.rate);
        if ((c.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16 && c.check == nullptr) same(r, plain, 0);
        if (c.format == (SF_FORMAT_WAV | SF_FORMAT_FLOAT)) same(r, plain, 1.0f / 32767);
        if ((c.format & SF_FORMAT_SUBMASK) > SF_FORMAT_DOUBLE) lossy(r, plain);
        if (c.check) c.check(r, plain);
    }
}

}  // namespace

#endif
