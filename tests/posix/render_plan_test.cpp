// What a render makes of the command line: the output's format, the songs and the names
// of their files, and the progress line.
#include "cli/render_plan.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "cli/render_progress.h"
#include "tests/support/capture.h"
#include "tests/support/smf_builder.h"

namespace {

TEST(RenderPlan, SongFilesAreNamedAfterTheSongWithTheOutputsExtension) {
    const struct {
        const char* song;
        const char* file;
    } cases[] = {
        {"a.mid", "a.flac"},           {"sub/B.MID", "sub/B.flac"},    {"x.Midi", "x.flac"},
        {"dir.mid/song.rmi", "dir.mid/song.flac"}, {"SONGMID", "SONGMID.flac"}, {"notes.mid.txt.mid", "notes.mid.txt.flac"},
        {"k.KAR", "k.flac"},           {"s.smf", "s.flac"},
    };
    for (const auto& c : cases) EXPECT_EQ(renderFileName(c.song, ".flac"), c.file) << c.song;
}

TEST(RenderPlan, TheSharedFolderIsMadeOfWholeNames) {
    EXPECT_EQ(sharedDirectory({"/music/a", "/music/a/b", "/music/a/c/d"}), "/music/a");
    EXPECT_EQ(sharedDirectory({"/music/ab", "/music/ac"}), "/music");
    EXPECT_EQ(sharedDirectory({"/one", "/two"}), "");
    EXPECT_EQ(sharedDirectory({"/only/this"}), "/only/this");
    EXPECT_EQ(sharedDirectory({"/x/song", "/x/songs"}), "/x");
    EXPECT_EQ(sharedDirectory({"/x/songs", "/x/song"}), "/x");
}

SoundFormat named(const char* name) {
    SoundFormat f;
    EXPECT_TRUE(soundFormatNamed(name, f)) << name;
    return f;
}

TEST(RenderPlan, TheFormatComesFromTheNameOrFormatAndTheyMustAgree) {
    const std::string dir = scratchPath("plan-out");
    mkdir(dir.c_str(), 0755);
    const std::string song = scratchPath("plan.mid");
    ASSERT_TRUE(writeBytes(song, {}));
    const struct {
        std::string device, format;
        bool ok, toDirectory;
        SoundFormat expected;
    } cases[] = {
        {"wav:x.flac", "", true, false, SoundFormat::flac},
        {"file:x.OGG", "", true, false, SoundFormat::ogg},
        {"wav:x.out", "", false, false, SoundFormat::wav},
        {"wav:x.out", "flac", true, false, SoundFormat::flac},
        {"wav:out", "", true, false, SoundFormat::wav},
        {"wav:x.opus", "OPUS", true, false, named("opus")},
        {"wav:" + dir, "mp3", true, true, named("mp3")},
        {"wav:x.wav", "flac", false, false, SoundFormat::wav},
        {"wav:" + dir, "ogg", true, true, SoundFormat::ogg},
        {"wav:new-dir/", "", true, true, SoundFormat::wav},
        {"wav:x.wav", "mp3", false, false, SoundFormat::wav},
        {"wav:", "", false, false, SoundFormat::wav},
        {"wav:-", "", true, false, SoundFormat::wav},
        {"wav:-", "flac", true, false, SoundFormat::flac},
    };
    for (const auto& c : cases) {
        PlayOptions o;
        o.device = c.device;
        o.format = c.format;
        o.files = {song};
        RenderPlan plan;
        std::string error;
        ASSERT_EQ(makeRenderPlan(o, plan, error), c.ok) << c.device << " " << c.format << ": " << error;
        if (!c.ok) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        EXPECT_EQ(plan.format, c.expected) << c.device;
        EXPECT_EQ(plan.toDirectory, c.toDirectory) << c.device;
        ASSERT_EQ(plan.songs.size(), 1u);
        EXPECT_EQ(plan.songs[0].output.empty(), !c.toDirectory) << c.device;
    }
}

// Files given one by one are named below the folder they share.
TEST(RenderPlan, FilesFromSeveralFoldersKeepTheirPlaceBelowTheSharedOne) {
    const std::string top = scratchPath("plan-tree");
    for (const char* d : {"", "/a", "/b"}) mkdir((top + d).c_str(), 0755);
    for (const char* f : {"/a/x.mid", "/b/x.mid"}) ASSERT_TRUE(writeBytes(top + f, {}));
    // The files given, and each one's file; a missing song's folder that starts with the
    // name of the shared one (a/ and ab/) is not below it.
    const struct {
        std::vector<std::string> files;
        std::vector<std::string> outputs;
    } cases[] = {
        {{"/a/x.mid", "/b/x.mid", "/missing.mid"}, {"out/a/x.wav", "out/b/x.wav", "out/missing.wav"}},
        {{"/a/x.mid", "/a/x.mid", "/ab/missing.mid"}, {"out/x.wav", "out/missing.wav"}},
    };
    for (const auto& c : cases) {
        PlayOptions o;
        o.device = "wav:out/";
        for (const std::string& f : c.files) o.files.push_back(top + f);
        RenderPlan plan;
        std::string error;
        ASSERT_TRUE(makeRenderPlan(o, plan, error)) << error;
        std::vector<std::string> outputs;
        for (const RenderSong& s : plan.songs) outputs.push_back(s.output);
        EXPECT_EQ(outputs, c.outputs);
        EXPECT_EQ(plan.songs[0].shown, top + c.files[0]);
    }
}

// Names that would clash keep their extension, whatever order the songs come in.
TEST(RenderPlan, SongsThatWouldShareAFileEachGetTheirOwn) {
    const std::string top = scratchPath("plan-clash");
    mkdir(top.c_str(), 0755);
    const std::vector<std::string> names = {"x.mid", "x.MID", "x.midi", "x.mid.mid", "y.mid"};
    for (const std::string& n : names) ASSERT_TRUE(writeBytes(top + "/" + n, {}));
    const std::map<std::string, std::string> expected = {
        {"x.mid", "x.mid.wav"}, {"x.MID", "x.MID.wav"}, {"x.midi", "x.midi.wav"},
        {"x.mid.mid", "x.mid.mid.wav"}, {"y.mid", "y.wav"}};
    for (bool reversed : {false, true}) {
        PlayOptions o;
        o.device = "wav:out/";
        for (const std::string& n : names) o.files.push_back(top + "/" + n);
        if (reversed) std::reverse(o.files.begin(), o.files.end());
        RenderPlan plan;
        std::string error;
        ASSERT_TRUE(makeRenderPlan(o, plan, error)) << error;
        ASSERT_EQ(plan.songs.size(), names.size());
        for (const RenderSong& s : plan.songs) {
            const std::string name = s.path.substr(top.size() + 1);
            EXPECT_EQ(s.output, "out/" + expected.at(name)) << name << (reversed ? " reversed" : "");
        }
    }
}

// What reaches standard error: on a terminal the line redrawn in place, its whole never
// shown below what is done; elsewhere only the finished line, no returns, no escapes.
TEST(RenderProgress, WhatReachesTheTerminalAndWhatReachesAFile) {
    const struct {
        bool inPlace;
        uint64_t expected, done;
        const char* shown;
    } cases[] = {
        {true, 100, 350, "\r[1/2] a.mid  99%  00:03 / 00:03"},
        {true, 1000, 350, "\r[1/2] a.mid  35%  00:03 / 00:10"},
        {false, 100, 350, "[1/2] a.mid  100%  00:03 / 00:03"},
    };
    for (const auto& c : cases) {
        char* text = nullptr;
        size_t size = 0;
        FILE* out = open_memstream(&text, &size);
        ASSERT_NE(out, nullptr);
        RenderProgress progress(out, c.inPlace);
        progress.begin({1, 2}, "a.mid", c.expected);
        progress.update(c.done);
        if (!c.inPlace) progress.finish(c.done);
        std::fclose(out);
        const std::string got(text, size);
        std::free(text);
        EXPECT_EQ(got.compare(0, std::strlen(c.shown), c.shown), 0) << got;
        if (!c.inPlace) {
            EXPECT_EQ(got.find_first_of("\r\x1b"), std::string::npos) << got;
            EXPECT_EQ(std::count(got.begin(), got.end(), '\n'), 1) << got;
        }
    }
}

TEST(RenderProgress, TheLineTellsPlacePercentTimesAndSpeed) {
    EXPECT_EQ(progressText({3, 12}, "path/song.mid", 42, 8300, 19000, 38.4),
              "[3/12] path/song.mid  42%  01:23 / 03:10  38x");
    EXPECT_EQ(progressText({1, 1}, "a.mid", 100, 100 * 3600 * 2, 100 * 3600 * 2, 2.56),
              "[1/1] a.mid  100%  120:00 / 120:00  2.6x");
}

}  // namespace
