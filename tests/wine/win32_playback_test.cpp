// The Windows build plays in real time: the playback thread on the winmm clock, and the
// winmm device, which plays silently where the system has no MIDI output.
#include <gtest/gtest.h>
#include <windows.h>

#include "core/control_flags.h"
#include "platform/win32/playback_win32.h"
#include "platform/win32/winmm_midi.h"
#include "sequencer/playback.h"
#include "tests/support/playback_fakes.h"

namespace {

TEST(Win32Playback, ASongPlaysInRealTimeOnTheWinmmClock) {
    const uint32_t period = requestTimerPeriod();
    PlayerFixture f;
    Track t;
    t.tempo(0, 480000);  // one tick a step
    for (int i = 0; i < 50; ++i) t.ev(i ? 1 : 0, {0x90, 60, 1});
    t.end(1);
    ASSERT_TRUE(f.load(buildSmf(48, {t})));

    ControlFlags flags;
    Win32PlaybackPlatform platform;
    Playback pb;
    wirePlayback(pb, f, flags, platform);
    const DWORD start = timeGetTime();
    ASSERT_TRUE(startPlayback(pb));
    while (flags.playbackThreadRunning) Sleep(5);
    const DWORD elapsed = timeGetTime() - start;
    stopPlayback(pb);
    releaseTimerPeriod(period);
    EXPECT_EQ(f.device.sent.size(), 50u);
    // 51 steps of 10 ms: about half a second, not a burst and not a crawl.
    EXPECT_GE(elapsed, 450u);
    EXPECT_LT(elapsed, 10000u);  // generous: a loaded machine may run late, never early
}

TEST(Win32Playback, TheWinmmDeviceFailsQuietlyWithoutAnOutput) {
    WinmmMidiDevice device;
    const bool opened = device.open();
    device.sendShort(0x007F3C90);
    const uint8_t reset[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    const uint32_t result = device.sendLong(reset, sizeof reset);
    if (!opened) EXPECT_NE(result, 0u);  // the invalid handle is reported, not ignored
    else EXPECT_EQ(result, 0u);
    device.close();
}

}  // namespace
