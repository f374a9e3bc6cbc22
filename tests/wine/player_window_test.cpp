// The real Orvanel.exe under Wine, seen from outside: its start-up and shutdown with the
// settings files, the single instance, the refusal to start without a skin, a song given on
// the command line, and what the window shows (controls, skin frame, message panel).
#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "shell/messages.h"
#include "tests/support/smf_builder.h"
#include "tests/wine/gui_driver.h"

namespace {

using namespace gui;

const std::string kDefaultSkinPath = "kivo\\default.bmp";

// kivopath.txt as written for the default skin: the path and zero bytes up to 260.
std::string defaultKivopath() { return kDefaultSkinPath + std::string(260 - kDefaultSkinPath.size(), '\0'); }

bool mascotProgramRunning() {
    HANDLE m = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, "sakura");
    if (m) CloseHandle(m);
    return m != nullptr;
}

// A 60-second song (division 480, 120 beats per minute) whose first events are a track
// name in Shift_JIS ("テスト曲") and a text.
const std::string kSongTitle = "\x83\x65\x83\x58\x83\x67\x8B\xC8";
const std::string kSongText = "hello, panel";

Bytes textSong() {
    Track t;
    t.meta(0, 0x03, kSongTitle);
    t.meta(0, 0x01, kSongText);
    t.tempo(0, 500000);
    t.ev(0, {0x90, 60, 1});
    t.ev(57600, {0x80, 60, 0});
    t.end(0);
    return buildSmf(480, {t});
}

class PlayerWindow : public PlayerTest {
protected:
    // Polls the skin frame square until it shows one of the frames in [first, last]; returns
    // the frame seen last (-1: no frame of the skin at all).
    int waitForFrame(HWND w, int first, int last, DWORD timeoutMs = 10000) {
        const std::vector<Pixels> frames = skinFrames();
        int shown = -1;
        Pixels square;
        if (!waitUntil(timeoutMs, [&] {
                square = captureClient(w, 210, 172, 80, 80);
                shown = matchingFrame(square, frames);
                return shown >= first && shown <= last;
            })) {
            const std::string path = work_ + "\\frame-" + std::to_string(first) + "-shown.bmp";
            saveBmp(path, square);
            ADD_FAILURE() << "frame " << first << " to " << last << " not shown; the square is at " << path
                          << "; " << differingPixels(square, frames[first]) << " pixels differ from frame "
                          << first;
        }
        return shown;
    }
};

TEST_F(PlayerWindow, AFirstStartWritesTheDefaultSettingsWhenClosedAndWaitsForNoMascot) {
    ASSERT_FALSE(mascotProgramRunning());
    Process p;
    const DWORD start = GetTickCount();
    ASSERT_TRUE(startPlayer(p));
    HWND w = waitForPlayerWindow(p);
    ASSERT_NE(w, nullptr);
    const DWORD startMs = GetTickCount() - start;
    // Generous for a cold Wine; a start that waited on an absent mascot would still fit, but
    // a hung one would not.
    EXPECT_LT(startMs, 15000u);

    // Started without an argument: the current folder is remembered at once.
    std::string helpdir;
    ASSERT_TRUE(readFile(settingsFile("helpdir.txt"), helpdir));
    EXPECT_EQ(printable(helpdir), printable(work_ + std::string(256 - work_.size(), '\0')));

    const DWORD closeStart = GetTickCount();
    PostMessageA(w, WM_CLOSE, 0, 0);
    waitUntil(kExitTimeoutMs, [&] { return !IsWindow(w); });
    const DWORD goneMs = GetTickCount() - closeStart;
    DWORD code = 1;
    ASSERT_TRUE(p.waitExit(kExitTimeoutMs, code));
    const DWORD closeMs = GetTickCount() - closeStart;
    EXPECT_EQ(code, 0u);
    EXPECT_LT(closeMs, 4000u) << "closing with no mascot program took " << closeMs << " ms";

    std::string bytes;
    ASSERT_TRUE(readFile(settingsFile("switch.txt"), bytes));
    EXPECT_EQ(printable(bytes), "aabbbaa");
    ASSERT_TRUE(readFile(settingsFile("history.txt"), bytes));
    std::string tenEmptyLines;
    for (int i = 0; i < 10; ++i) tenEmptyLines += "\r\n";
    EXPECT_EQ(printable(bytes), printable(tenEmptyLines));
    ASSERT_TRUE(readFile(settingsFile("kivopath.txt"), bytes));
    EXPECT_EQ(printable(bytes), printable(defaultKivopath()));
    std::printf("[          ] start %lu ms; close: window gone after %lu ms, program ended after %lu ms\n",
                static_cast<unsigned long>(startMs), static_cast<unsigned long>(goneMs),
                static_cast<unsigned long>(closeMs));
}

TEST_F(PlayerWindow, TheWindowHasItsSizeControlsAndStillPicture) {
    Process p;
    ASSERT_TRUE(startPlayer(p));
    HWND w = waitForPlayerWindow(p);
    ASSERT_NE(w, nullptr);

    EXPECT_EQ(windowText(w), "Orvanel");
    RECT client;
    ASSERT_TRUE(GetClientRect(w, &client));
    EXPECT_EQ(client.right - client.left, 290);
    EXPECT_EQ(client.bottom - client.top, 268);
    const LONG style = GetWindowLongA(w, GWL_STYLE);
    EXPECT_FALSE(style & WS_THICKFRAME) << "the window must not be resizable";
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_TRUE(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);

    struct Expected {
        const char* className;
        const char* text;
        int id;
        RECT rect;
    };
    const Expected expected[] = {
        {"Button", "open", 0, {210, 0, 290, 24}},          {"Button", "play", 1, {210, 24, 290, 48}},
        {"Button", "close", 2, {210, 48, 290, 72}},        {"Button", "break", 7, {210, 72, 290, 96}},
        {"Button", "normal", 4, {210, 96, 290, 120}},      {"Button", "autoplay", 5, {210, 120, 290, 144}},
        {"Button", "<- ->", 6, {210, 252, 290, 268}},      {"ScrollBar", "", -1, {0, 252, 132, 268}},
        {"ScrollBar", "", -1, {194, 0, 210, 250}},         {"ScrollBar", "", -1, {196, 252, 210, 268}},
        {"ScrollBar", "", -1, {152, 252, 166, 268}},
    };
    const std::vector<Control> controls = childControls(w);
    EXPECT_EQ(controls.size(), 11u);
    for (const Expected& e : expected) {
        const Control* found = nullptr;
        for (const Control& c : controls)
            if (_stricmp(c.className.c_str(), e.className) == 0 && EqualRect(&c.rect, &e.rect)) found = &c;
        ASSERT_NE(found, nullptr) << e.className << " \"" << e.text << "\" at " << e.rect.left << "," << e.rect.top
                                  << " to " << e.rect.right << "," << e.rect.bottom << " is missing";
        EXPECT_EQ(found->text, e.text);
        if (e.id >= 0) {
            EXPECT_EQ(found->id, e.id) << e.text;
        }
    }
    // The seek bar waits for a song; the list scroll bar comes with the list view.
    for (const Control& c : controls) {
        if (c.rect.left == 0 && c.rect.top == 252) {
            EXPECT_FALSE(IsWindowEnabled(c.hwnd)) << "seek bar";
        }
        if (c.rect.left == 194 && c.rect.top == 0) {
            EXPECT_FALSE(IsWindowVisible(c.hwnd)) << "list scroll bar";
        }
    }

    // No song: the skin's frame 0, and an empty white panel.
    EXPECT_EQ(waitForFrame(w, 0, 0), 0);
    Pixels white;
    white.width = 210;
    white.height = 250;
    white.p.assign(210 * 250, 0xFFFFFF);
    EXPECT_EQ(captureClient(w, 0, 0, 210, 250), white) << "ink in rows " << inkedRows(captureClient(w, 0, 0, 210, 250));

    DWORD code = 1, ms = 0;
    ASSERT_TRUE(closePlayer(p, w, code, ms));
    EXPECT_EQ(code, 0u);
}

TEST_F(PlayerWindow, TheShippedSkinShowsItsStillFrame) {
    // The skin that ships beside the program, from the program's own folder.
    const std::string folder = programFolder();
    const std::string shipped = folder + "kivo\\default.bmp";
    if (!fileExists(shipped)) GTEST_SKIP() << "no shipped skin at " << shipped;
    const Pixels whole = bitmapFileRect(shipped, 0, 0, 2080, 80);
    ASSERT_EQ(whole.width, 2080) << "the shipped skin does not load as a 2080 x 80 bitmap";

    Process p;
    ASSERT_TRUE(p.start(built_, "", folder.substr(0, folder.size() - 1)));
    HWND w = waitForPlayerWindow(p);
    ASSERT_NE(w, nullptr);
    const Pixels frame0 = skinFrame(shipped, 0);
    Pixels shown;
    EXPECT_TRUE(waitUntil(10000, [&] { return (shown = captureClient(w, 210, 172, 80, 80)) == frame0; }))
        << differingPixels(shown, frame0) << " pixels differ from frame 0 of " << shipped;
    DWORD code = 1, ms = 0;
    ASSERT_TRUE(closePlayer(p, w, code, ms));
    EXPECT_EQ(code, 0u);
}

TEST_F(PlayerWindow, ASecondCopyEndsAtOnceAndLeavesTheFirstAlone) {
    ASSERT_TRUE(writeBytes(work_ + "\\song.mid", textSong()));
    Process first;
    ASSERT_TRUE(startPlayer(first));
    HWND w = waitForPlayerWindow(first);
    ASSERT_NE(w, nullptr);
    const std::string title = windowText(w);
    const std::string play = buttonCaption(w, 1);

    // With a song argument, which it must not hand over either.
    Process second;
    ASSERT_TRUE(startPlayer(second, work_ + "\\song.mid"));
    DWORD code = 1;
    ASSERT_TRUE(second.waitExit(10000, code)) << "the second copy is still running";
    EXPECT_EQ(code, 0u);

    EXPECT_TRUE(first.running());
    EXPECT_TRUE(IsWindow(w));
    EXPECT_EQ(playerWindows(), std::vector<HWND>{w});
    EXPECT_EQ(windowText(w), title);
    EXPECT_EQ(buttonCaption(w, 1), play);

    DWORD ms = 0;
    ASSERT_TRUE(closePlayer(first, w, code, ms));
    EXPECT_EQ(code, 0u);
}

// The program copied to a folder of its own, where no kivo\default.bmp is found.
class PlayerWithoutSkin : public PlayerTest {
protected:
    void SetUp() override {
        PlayerTest::SetUp();
        if (IsSkipped()) return;
        folder_ = tempFolder() + "orvanel_noskin";
        CreateDirectoryA(folder_.c_str(), nullptr);
        copy_ = folder_ + "\\Orvanel.exe";
        ASSERT_TRUE(CopyFileA(built_.c_str(), copy_.c_str(), FALSE));
        ASSERT_FALSE(fileExists(folder_ + "\\kivo\\default.bmp"));
    }
    void TearDown() override {
        DeleteFileA(copy_.c_str());
        PlayerTest::TearDown();
    }

    struct Snapshot {
        bool exists;
        std::string bytes;
        FILETIME time;
    };
    static Snapshot snapshot(const char* name) {
        Snapshot s = {};
        s.exists = readFile(settingsFile(name), s.bytes);
        if (s.exists) lastWriteTime(settingsFile(name), s.time);
        return s;
    }
    static void expectUnchanged(const char* name, const Snapshot& before) {
        const Snapshot after = snapshot(name);
        ASSERT_EQ(after.exists, before.exists) << name;
        if (!before.exists) return;
        EXPECT_EQ(printable(after.bytes), printable(before.bytes)) << name;
        EXPECT_EQ(CompareFileTime(&after.time, &before.time), 0) << name << " was written again";
    }

    // Runs the copy without arguments; it must end by itself with exit code 0.
    void runAndExpectSilentEnd() {
        Process p;
        ASSERT_TRUE(p.start(copy_, "", folder_));
        DWORD code = 1;
        ASSERT_TRUE(p.waitExit(kStartTimeoutMs, code)) << "the program runs without a skin";
        EXPECT_EQ(code, 0u);
        EXPECT_EQ(playerWindowOf(p.id()), nullptr);
    }

    std::string folder_;
    std::string copy_;
};

TEST_F(PlayerWithoutSkin, NoSkinFileEndsTheProgramWithoutSavingSettings) {
    ASSERT_TRUE(writeFile(settingsFile("switch.txt"), "babbbab"));
    ASSERT_TRUE(writeFile(settingsFile("history.txt"), "C:\\a.mid\r\n*C:\\songs\r\n"));
    const Snapshot sw = snapshot("switch.txt"), hist = snapshot("history.txt");
    Sleep(50);  // so that a rewrite would show in the write time

    runAndExpectSilentEnd();
    expectUnchanged("switch.txt", sw);
    expectUnchanged("history.txt", hist);
    EXPECT_FALSE(fileExists(settingsFile("kivopath.txt"))) << "kivopath.txt was written";
}

TEST_F(PlayerWithoutSkin, ASavedSkinOfTheWrongSizeIsRefusedToo) {
    const std::string wide = folder_ + "\\wide.bmp";
    ASSERT_TRUE(writeSkin(wide, 2079, 80));
    ASSERT_TRUE(writeFile(settingsFile("kivopath.txt"), wide + std::string(260 - wide.size(), '\0')));
    ASSERT_TRUE(writeFile(settingsFile("switch.txt"), "aabbbaa"));
    const Snapshot kp = snapshot("kivopath.txt"), sw = snapshot("switch.txt");
    Sleep(50);

    runAndExpectSilentEnd();
    expectUnchanged("kivopath.txt", kp);
    expectUnchanged("switch.txt", sw);
    DeleteFileA(wide.c_str());
}

TEST_F(PlayerWindow, ASavedSkinOfTheWrongSizeFallsBackToTheDefault) {
    const std::string tall = work_ + "\\tall.bmp";
    ASSERT_TRUE(writeSkin(tall, 2080, 81));
    const std::string record = tall + std::string(260 - tall.size(), '\0');
    ASSERT_TRUE(writeFile(settingsFile("kivopath.txt"), record));

    Process p;
    ASSERT_TRUE(startPlayer(p));
    HWND w = waitForPlayerWindow(p);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(waitForFrame(w, 0, 0), 0) << "the default skin's frame 0 is not shown";
    DWORD code = 1, ms = 0;
    ASSERT_TRUE(closePlayer(p, w, code, ms));
    EXPECT_EQ(code, 0u);
    // The refused path stays remembered as it was.
    std::string bytes;
    ASSERT_TRUE(readFile(settingsFile("kivopath.txt"), bytes));
    EXPECT_EQ(printable(bytes), printable(record));
}

TEST_F(PlayerWindow, ASongOnTheCommandLinePlaysAtOnceWithItsTexts) {
    const std::string song = work_ + "\\song.mid";
    ASSERT_EQ(song.find(' '), std::string::npos) << "the song's path must not need quotes: " << song;
    ASSERT_TRUE(writeBytes(song, textSong()));
    // With a song argument the program folder is only read from helpdir.txt.
    const std::string helpdir = std::string("C:\\elsewhere") + std::string(256 - 12, '\0');
    ASSERT_TRUE(writeFile(settingsFile("helpdir.txt"), helpdir));

    Process p;
    ASSERT_TRUE(startPlayer(p, song));
    HWND w = waitForPlayerWindow(p);
    ASSERT_NE(w, nullptr);
    const std::string title = "Orvanel[" + song + "]";
    EXPECT_TRUE(waitUntil(5000, [&] { return windowText(w) == title; })) << windowText(w);
    EXPECT_EQ(buttonCaption(w, 1), "stop");
    EXPECT_EQ(buttonCaption(w, 5), " ");
    EXPECT_EQ(buttonCaption(w, 0), "open");
    EXPECT_EQ(buttonCaption(w, 2), "close");
    RECT client;
    ASSERT_TRUE(GetClientRect(w, &client));
    EXPECT_EQ(client.right, 290);
    EXPECT_EQ(client.bottom, 268);

    // The track name, then the text, printed as the song starts.
    EXPECT_TRUE(panelShows(w, {kSongTitle, kSongText}, work_ + "\\panel-start"));

    // At 120 beats per minute the dance of frames 2 to 9 shows, one frame a sixteenth note.
    int frame = waitForFrame(w, 2, 9);
    EXPECT_TRUE(frame >= 2 && frame <= 9) << "frame shown while playing: " << frame;
    const std::vector<Pixels> frames = skinFrames();
    std::set<int> seen;
    const DWORD until = GetTickCount() + 1500;
    while (GetTickCount() < until) {
        const int k = matchingFrame(captureClient(w, 210, 172, 80, 80), frames);
        if (k >= 0) seen.insert(k);
        Sleep(30);
    }
    ASSERT_FALSE(seen.empty());
    EXPECT_GE(*seen.begin(), 2);
    EXPECT_LE(*seen.rbegin(), 9);
    EXPECT_GE(seen.size(), 3u) << "the dance does not move";

    // While the user drags the seek bar's thumb the song does not move it (a percent of the
    // song is 0.6 s); once let go at 80 the song plays on from there.
    HWND seekBar = controlAt(w, "ScrollBar", 0, 252);
    ASSERT_NE(seekBar, nullptr);
    SendMessageA(w, WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 80), reinterpret_cast<LPARAM>(seekBar));
    Sleep(300);  // positions posted before the drag have arrived
    const int held = GetScrollPos(seekBar, SB_CTL);
    Sleep(2000);
    EXPECT_EQ(GetScrollPos(seekBar, SB_CTL), held);
    SendMessageA(w, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 80), reinterpret_cast<LPARAM>(seekBar));
    EXPECT_TRUE(waitUntil(5000, [&] { return GetScrollPos(seekBar, SB_CTL) >= 80; }));

    DWORD code = 1, ms = 0;
    ASSERT_TRUE(closePlayer(p, w, code, ms));
    EXPECT_EQ(code, 0u);
    std::string bytes;
    ASSERT_TRUE(readFile(settingsFile("helpdir.txt"), bytes));
    EXPECT_EQ(printable(bytes), printable(helpdir));
}

// The skin chooser (command 32788): a good bitmap shows at once while nothing plays; one of
// the wrong size is refused and the default skin shows; when the default fails too, the
// skin in use stays.
TEST_F(PlayerWindow, TheSkinChooserShowsANewSkinAndFallsBackOnARefusedOne) {
    Pixels other;
    other.width = 2080;
    other.height = 80;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 2080; ++x) other.p.push_back(skinPixel(x, y) ^ 0xFFFFFF);
    const std::string good = work_ + "\\other.bmp", tall = work_ + "\\tall.bmp";
    ASSERT_TRUE(saveBmp(good, other));
    ASSERT_TRUE(writeSkin(tall, 2080, 81));
    const std::vector<Pixels> frames = {skinFrame(good, 0), skinFrame(skin_, 0)};
    const std::string refused = kSkinRefusedText;
    Process p;
    ASSERT_TRUE(startPlayer(p));
    HWND w = waitForPlayerWindow(p);
    ASSERT_NE(w, nullptr);
    const std::string parked = skin_ + ".away";
    struct Step {
        const std::string& chosen;
        bool defaultSkinThere;
        int frameShown;  // in frames
        std::vector<std::string> panel;
    } const steps[] = {
        {good, true, 0, {}},
        {tall, true, 1, {refused}},
        {good, true, 0, {refused}},
        {tall, false, 0, {refused, refused}},
    };
    for (const Step& s : steps) {
        // EXPECT only: the default skin is put back below whatever happens here.
        if (!s.defaultSkinThere) {
            EXPECT_TRUE(MoveFileA(skin_.c_str(), parked.c_str()));
        }
        PostMessageA(w, WM_COMMAND, 32788, 0);
        EXPECT_TRUE(chooseInFileDialog(p.id(), s.chosen)) << s.chosen;
        EXPECT_TRUE(waitUntil(5000, [&] {
            return matchingFrame(captureClient(w, 210, 172, 80, 80), frames) == s.frameShown;
        })) << s.chosen;
        EXPECT_TRUE(panelShows(w, s.panel, work_ + "\\skin-panel"));
    }
    MoveFileA(parked.c_str(), skin_.c_str());
    closeCleanly(p, w);
}

// The song chooser remembers the folder of its last choice in kivo.txt and opens there:
// a bare file name chosen next time is found in that folder.
TEST_F(PlayerWindow, TheSongChooserOpensInTheFolderOfItsLastChoice) {
    const std::string folder = freshFolder("chosen");
    ASSERT_TRUE(writeBytes(folder + "\\a.mid", songOfMs(1000)));
    ASSERT_TRUE(writeBytes(folder + "\\b.mid", songOfMs(1000)));
    Process p;
    ASSERT_TRUE(startPlayer(p));
    HWND w = waitForPlayerWindow(p);
    ASSERT_NE(w, nullptr);
    PostMessageA(w, WM_COMMAND, 0, 0);
    ASSERT_TRUE(chooseInFileDialog(p.id(), folder + "\\a.mid"));
    EXPECT_TRUE(waitUntil(5000, [&] { return windowText(w) == "Orvanel[" + folder + "\\a.mid]"; })) << windowText(w);
    std::string bytes;
    ASSERT_TRUE(readFile(settingsFile("kivo.txt"), bytes));
    EXPECT_EQ(bytes.size(), 256u);
    EXPECT_EQ(std::string(bytes.c_str()), folder + "\\");
    PostMessageA(w, WM_COMMAND, 0, 0);
    ASSERT_TRUE(chooseInFileDialog(p.id(), "b.mid"));
    EXPECT_TRUE(waitUntil(5000, [&] { return windowText(w) == "Orvanel[" + folder + "\\b.mid]"; })) << windowText(w);
    closeCleanly(p, w);
}

TEST_F(PlayerWindow, StartedMinimisedItShowsTheSongOnceRestored) {
    const std::string song = work_ + "\\song.mid";
    ASSERT_TRUE(writeBytes(song, textSong()));
    Process p;
    ASSERT_TRUE(startPlayer(p, song, SW_SHOWMINIMIZED));
    HWND w = waitForPlayerWindow(p);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(IsIconic(w));
    // The user restores it from the task bar.
    PostMessageA(w, WM_SYSCOMMAND, SC_RESTORE, 0);
    ASSERT_TRUE(waitUntil(5000, [&] { return !IsIconic(w); }));
    RECT client = {};
    EXPECT_TRUE(waitUntil(5000, [&] {
        return GetClientRect(w, &client) && client.right == 290 && client.bottom == 268;
    })) << client.right << " x " << client.bottom;
    // Surfaces of the full size from the start: the texts printed while minimised show.
    EXPECT_TRUE(panelShows(w, {kSongTitle, kSongText}, "restored"));
    DWORD code = 1, ms = 0;
    ASSERT_TRUE(closePlayer(p, w, code, ms));
    EXPECT_EQ(code, 0u);
}

// Windows quotes a path with spaces ("Open with", a double-click): one pair of quotes
// around the command line is taken off. A path that does not load leaves the player idle.
TEST_F(PlayerWindow, AQuotedSongPlaysAndAMissingOneLeavesThePlayerIdle) {
    const std::string folder = work_ + "\\with space";
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string song = folder + "\\song.mid";
    ASSERT_TRUE(writeBytes(song, textSong()));
    struct Case {
        std::string arguments;
        std::string title;
        const char* playCaption;
    } cases[] = {
        {"\"" + song + "\"", "Orvanel[" + song + "]", "stop"},
        {"\"" + folder + "\\missing.mid\"", "Orvanel", "play"},
    };
    for (const Case& c : cases) {
        Process p;
        ASSERT_TRUE(startPlayer(p, c.arguments));
        HWND w = waitForPlayerWindow(p);
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(waitUntil(5000, [&] { return windowText(w) == c.title; })) << windowText(w);
        EXPECT_EQ(buttonCaption(w, 1), c.playCaption) << c.arguments;
        DWORD code = 1, ms = 0;
        ASSERT_TRUE(closePlayer(p, w, code, ms));
        EXPECT_EQ(code, 0u);
    }
}

}  // namespace
