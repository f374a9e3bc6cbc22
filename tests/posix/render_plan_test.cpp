// What a render makes of the command line: the output's format, the songs and the names
// of their files, and the progress line.
#include "cli/render_plan.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

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
        {"wav:x.out", "", true, false, SoundFormat::wav},
        {"wav:x.out", "flac", true, false, SoundFormat::flac},
        {"wav:x.wav", "flac", false, false, SoundFormat::wav},
        {"wav:" + dir, "ogg", true, true, SoundFormat::ogg},
        {"wav:new-dir/", "", true, true, SoundFormat::wav},
        {"wav:x.wav", "mp3", false, false, SoundFormat::wav},
        {"wav:", "", false, false, SoundFormat::wav},
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
    PlayOptions o;
    o.device = "wav:out/";
    o.files = {top + "/a/x.mid", top + "/b/x.mid", top + "/missing.mid"};
    RenderPlan plan;
    std::string error;
    ASSERT_TRUE(makeRenderPlan(o, plan, error)) << error;
    ASSERT_EQ(plan.songs.size(), 3u);
    EXPECT_EQ(plan.songs[0].output, "out/a/x.wav");
    EXPECT_EQ(plan.songs[1].output, "out/b/x.wav");
    EXPECT_EQ(plan.songs[2].output, "out/missing.wav");
    EXPECT_EQ(plan.songs[0].shown, top + "/a/x.mid");
}

TEST(RenderProgress, TheLineTellsPlacePercentTimesAndSpeed) {
    EXPECT_EQ(progressText({3, 12}, "path/song.mid", 42, 8300, 19000, 38.4),
              "[3/12] path/song.mid  42%  01:23 / 03:10  38x");
    EXPECT_EQ(progressText({1, 1}, "a.mid", 100, 100 * 3600 * 2, 100 * 3600 * 2, 2.56),
              "[1/1] a.mid  100%  120:00 / 120:00  2.6x");
}

}  // namespace
