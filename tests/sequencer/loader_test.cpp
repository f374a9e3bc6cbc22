// Loading songs: the three file forms, the track count and size limits, partial and
// failed loads, and hostile files that must neither crash nor hang.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>

#include "tests/support/player_fixture.h"

namespace {

Track simpleTrack(uint32_t length = 96) {
    Track t;
    t.ev(0, {0x90, 60, 100}).ev(length, {0x80, 60, 0}).end(0);
    return t;
}

TEST(Loader, PlainRmidAndPrefixedFilesLoadTheSameSong) {
    const Bytes smf = buildSmf(96, {simpleTrack(), simpleTrack(192)});
    Bytes prefixed(128, 0x55);
    for (uint8_t b : smf) prefixed.push_back(b);
    Bytes rmid = wrapRmid(smf);
    rmid[4] = rmid[5] = rmid[16] = 0xFF;  // RIFF sizes are not used
    for (const Bytes* file : {&smf, static_cast<const Bytes*>(&rmid), static_cast<const Bytes*>(&prefixed)}) {
        PlayerFixture f;
        ASSERT_TRUE(f.load(*file));
        EXPECT_TRUE(f.seq->songLoaded);
        EXPECT_EQ(f.seq->trackCount, 2);
        EXPECT_EQ(f.seq->division, 96);
        EXPECT_EQ(f.seq->tracks[1].trackStart, f.seq->tracks[0].trackLength);
        EXPECT_EQ(f.seq->songSteps, 101);  // 192 ticks at 120 bpm: 1.92 ticks a step
    }
}

TEST(Loader, OtherPrefixesAndLongerHeadersFail) {
    const Bytes smf = buildSmf(96, {simpleTrack()});
    Bytes prefixed(127, 0);
    for (uint8_t b : smf) prefixed.push_back(b);
    Bytes longHeader = smf;
    longHeader[7] = 8;  // the header's extra bytes stand where MTrk is expected
    longHeader.insert(longHeader.begin() + 14, {0, 0});
    for (const Bytes* file : {static_cast<const Bytes*>(&prefixed), static_cast<const Bytes*>(&longHeader)}) {
        PlayerFixture f;
        EXPECT_FALSE(f.load(*file));
        EXPECT_FALSE(f.seq->songLoaded);
        EXPECT_FALSE(f.seq->songImage);
    }
}

TEST(Loader, OnlyTheLowByteOfTheTrackCountCounts) {
    std::vector<Track> tracks(50, simpleTrack());
    {
        PlayerFixture f;
        ASSERT_TRUE(f.load(buildSmf(96, tracks, 300)));  // 300 & 0xFF = 44
        EXPECT_EQ(f.seq->trackCount, 44);
        EXPECT_EQ(f.seq->loadedTrackCount, 44);
    }
    {
        PlayerFixture f;
        ASSERT_TRUE(f.load(buildSmf(96, tracks, 256)));  // reads no track
        EXPECT_EQ(f.seq->trackCount, 0);
        EXPECT_FALSE(f.seq->songLoaded);
        EXPECT_FALSE(f.seq->songImage);
        EXPECT_EQ(f.seq->songSteps, 1);
    }
}

TEST(Loader, TrackDataOfExactlyOneMebibyteLoadsOneByteMoreFails) {
    for (int extra : {0, 1}) {
        Track big;  // an end of track, then filler that is never read
        big.end(0);
        big.bytes.resize(1048576 - 4 + extra);
        Track tail;
        tail.end(0);  // 4 bytes
        PlayerFixture f;
        const bool ok = f.load(buildSmf(96, {big, tail}));
        EXPECT_EQ(ok, extra == 0);
        EXPECT_EQ(int(f.seq->loadFailure.problem), int(extra ? LoadProblem::TooLarge : LoadProblem::None));
        EXPECT_TRUE(f.seq->songLoaded);  // the first track was accepted either way
    }
}

TEST(Loader, MissingTracksFailButKeepThePartlyLoadedSongUntilUnloaded) {
    Bytes file = buildSmf(96, {simpleTrack(), simpleTrack()}, 4);
    PlayerFixture f;
    EXPECT_FALSE(f.load(file));
    EXPECT_TRUE(f.seq->songLoaded);
    EXPECT_TRUE(f.seq->songImage);
    EXPECT_EQ(f.seq->trackCount, 2);  // only the tracks read whole remain
    // It plays safely all the same, and a load refuses until it is unloaded.
    f.play(1000);
    EXPECT_FALSE(f.seq->playing);
    EXPECT_FALSE(f.load(buildSmf(96, {simpleTrack()})));
    EXPECT_TRUE(unloadSong(*f.seq));
    EXPECT_FALSE(f.seq->songImage);
    EXPECT_FALSE(unloadSong(*f.seq));
    EXPECT_TRUE(f.load(buildSmf(96, {simpleTrack()})));
}

TEST(Loader, LoadingWhileLoadedLeavesTheSongAsItWas) {
    PlayerFixture f;
    ASSERT_TRUE(f.load(buildSmf(96, {simpleTrack()})));
    const int32_t steps = f.seq->songSteps;
    const SongImage* image = f.seq->songImage.get();
    EXPECT_FALSE(f.load(buildSmf(48, {simpleTrack(), simpleTrack()}), "other.mid"));
    EXPECT_EQ(f.seq->songImage.get(), image);
    EXPECT_EQ(f.seq->songSteps, steps);
    EXPECT_EQ(f.seq->trackCount, 1);
    f.play();
    EXPECT_EQ(f.device.sent.size(), 2u);
}

TEST(Loader, BadFilesFailWithoutLoadingAnythingAndSayWhy) {
    Bytes notMtrk = buildSmf(96, {simpleTrack()});
    notMtrk[14] = 'X';
    const Bytes truncated = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1};
    Bytes cutBody = buildSmf(96, {simpleTrack()});
    cutBody.resize(cutBody.size() - 2);
    Bytes cutChunkHeader = buildSmf(96, {simpleTrack()}, 2);  // announces a second track
    cutChunkHeader.insert(cutChunkHeader.end(), {'M', 'T', 'r'});
    const Bytes wave = {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
    const Bytes text(200, 'x');
    using P = LoadProblem;
    const struct { const char* what; Bytes bytes; P why; } cases[] = {
        {"empty", {}, P::NotMidi}, {"text", text, P::NotMidi}, {"a short RIFF WAVE", wave, P::NotMidi},
        {"truncated header", truncated, P::Truncated}, {"RMID cut before its MThd", wrapRmid({1, 2, 3}), P::Truncated},
        {"chunk header cut", cutChunkHeader, P::Truncated}, {"body shorter than declared", cutBody, P::Truncated},
        {"chunk not MTrk", notMtrk, P::BadTrack}};
    for (const auto& c : cases) {
        PlayerFixture f;
        EXPECT_FALSE(f.load(c.bytes)) << c.what;
        EXPECT_EQ(f.seq->songLoaded, c.bytes == cutBody || c.bytes == cutChunkHeader) << c.what;
        EXPECT_EQ(int(f.seq->loadFailure.problem), int(c.why)) << c.what;
    }
    PlayerFixture f;
    EXPECT_FALSE(loadSong(*f.seq, scratchPath("no-such-file.mid").c_str()));
    EXPECT_EQ(int(f.seq->loadFailure.problem), int(P::System));
    EXPECT_EQ(f.seq->loadFailure.systemError, ENOENT);
    EXPECT_FALSE(loadSong(*f.seq, scratchPath("").c_str()));  // a folder
    EXPECT_EQ(int(f.seq->loadFailure.problem), int(P::System));
    EXPECT_FALSE(f.seq->songLoaded);
    ASSERT_TRUE(f.load(buildSmf(96, {simpleTrack()})));
    EXPECT_EQ(int(f.seq->loadFailure.problem), int(P::None)) << "a load that succeeds leaves no reason";
}

TEST(Loader, TheLengthScanStartsAt120BpmWhateverTheLastSongLeft) {
    PlayerFixture f;
    Track fast;
    fast.tempo(0, 1000).end(10);  // 60000 bpm
    ASSERT_TRUE(f.load(buildSmf(96, {fast})));
    unloadSong(*f.seq);
    ASSERT_TRUE(f.load(buildSmf(96, {simpleTrack(192)})));  // no tempo event
    EXPECT_EQ(f.seq->songSteps, 101);
}

TEST(Loader, HostileTimingIsBoundedAndQuick) {
    Track hugeDelta;
    hugeDelta.tempo(0, 0xFFFFFF).ev(0x0FFFFFFF, {0x90, 1, 1}).end(0x0FFFFFFF);
    Track ticksPastInt32;
    for (int i = 0; i < 12; ++i) ticksPastInt32.ev(0x0FFFFFFF, {0x90, 1, 1});
    ticksPastInt32.end(0);
    Track manySlowEvents;
    manySlowEvents.tempo(0, 0xFFFFFF);
    for (int i = 0; i < 20000; ++i) manySlowEvents.ev(1, {0x90, 1, 1});
    manySlowEvents.end(0);
    const struct { const char* what; uint16_t division; Track track; } cases[] = {
        {"huge delta at 3 bpm", 1, hugeDelta},
        {"division 0 never advances", 0, simpleTrack()},
        {"ticks beyond the int32 range", 0xFFFF, ticksPastInt32},
        {"many events at 3 bpm", 1, manySlowEvents},
    };
    for (const auto& c : cases) {
        PlayerFixture f;
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(f.load(buildSmf(c.division, {c.track, c.track}))) << c.what;
        seekPercent(*f.seq, 100);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_LE(f.seq->songSteps, kMaxSilentSteps) << c.what;
        EXPECT_GT(f.seq->songSteps, 0) << c.what;
        EXPECT_LT(seconds, 5.0) << c.what;  // about a second on a loaded machine
    }
}

TEST(Loader, AMebibyteOfContinuationBytesLoadsAtOnce) {
    // Read whole, each quantity below would be read again at every event or step.
    Track zeros;  // 80 80 ... 00: zero, whose shortest encoding steps one byte at a time
    zeros.bytes.assign(kSongImageSize - 1, 0x80);
    zeros.bytes.push_back(0x00);
    Track far, busy;  // FF FF ... 7F: a delta far off, looked at again every step
    far.bytes.assign(kSongImageSize / 2 - 1, 0xFF);
    far.bytes.push_back(0x7F);
    while (busy.bytes.size() + 8 < kSongImageSize / 2) busy.ev(1, {0x90, 60, 1});
    busy.end(0);
    const std::vector<Track> songs[] = {{zeros}, {far, busy}};
    for (const std::vector<Track>& tracks : songs) {
        const Bytes file = buildSmf(96, tracks);
        PlayerFixture f;
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(loadSongFromMemory(*f.seq, file.data(), file.size()));
        seekPercent(*f.seq, 100);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_LT(seconds, 1.0) << tracks.size() << " tracks";  // milliseconds when sound
        EXPECT_EQ(f.seq->tracks[0].trackActive, 2);  // ended as malformed at once
    }
}

TEST(Loader, FromMemoryAsFromTheFile) {
    const Bytes whole = buildSmf(96, {simpleTrack(), simpleTrack(192)});
    const Bytes cut(whole.begin(), whole.end() - 3);  // the second track short
    for (const Bytes* file : {&whole, &cut}) {
        PlayerFixture fromFile, fromMemory;
        const bool loaded = fromFile.load(*file);
        EXPECT_EQ(loadSongFromMemory(*fromMemory.seq, file->data(), file->size()), loaded);
        EXPECT_EQ(fromMemory.seq->songLoaded, fromFile.seq->songLoaded);
        EXPECT_EQ(fromMemory.seq->trackCount, fromFile.seq->trackCount);
        EXPECT_EQ(fromMemory.seq->songSteps, fromFile.seq->songSteps);
        fromFile.play();
        fromMemory.play();
        EXPECT_EQ(fromMemory.device.sent, fromFile.device.sent);
    }
    PlayerFixture f;
    EXPECT_FALSE(loadSongFromMemory(*f.seq, nullptr, 0));
    EXPECT_FALSE(f.seq->songImage);
}

TEST(Loader, DivisionTimesTempoBeyondInt32StillAdvances) {
    PlayerFixture f;
    Track t;
    t.tempo(0, 1).ev(1000000, {0x90, 1, 1}).end(1000);
    ASSERT_TRUE(f.load(buildSmf(0xFFFF, {t})));
    EXPECT_EQ(f.seq->stepIncrement, int64_t(0xFFFF) * 60000000);
    EXPECT_LT(f.seq->songSteps, 5);
    f.play();
    EXPECT_EQ(f.device.sent.size(), 1u);
}

}  // namespace
