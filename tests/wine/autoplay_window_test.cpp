// Autoplay in the real Orvanel.exe under Wine, started from the history menu: a folder's
// songs play one after the other and the run finishes; a song entry plays; the menu lists
// the history newest first; a search over a large tree keeps the window answering, refuses
// the exit command and is waited for, and closing the window in its middle ends the
// program cleanly.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/smf_builder.h"
#include "tests/wine/gui_driver.h"

namespace {

using namespace gui;

constexpr int kHistoryCommand = 5963;  // + slot; slot 9 holds the newest entry
constexpr int kExitCommand = 105;
constexpr int kAutoplayButton = 5;

void command(HWND w, int id) { PostMessageA(w, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

std::string songTitle(const std::string& path) { return "Orvanel[" + path + "]"; }

// What the window showed during a run: each song title in order, and for each the share of
// looks at the window that found the run's captions beside it.
struct RunSeen {
    std::vector<std::string> titles;
    std::vector<int> looks, runLooks;
};

// Watches the window until its title is the idle one again after at least `songs` song
// titles (or timeoutMs has passed).
RunSeen watchRun(HWND w, size_t songs, DWORD timeoutMs) {
    RunSeen seen;
    waitUntil(timeoutMs, [&] {
        const std::string title = windowText(w);
        if (title == "Orvanel") return seen.titles.size() >= songs;
        if (seen.titles.empty() || seen.titles.back() != title) {
            seen.titles.push_back(title);
            seen.looks.push_back(0);
            seen.runLooks.push_back(0);
        }
        ++seen.looks.back();
        if (runCaptions(w) == kAutoplayCaptions) ++seen.runLooks.back();
        return false;
    });
    return seen;
}

std::string historyFile(const std::vector<std::string>& slots) {
    std::string text;
    for (const std::string& s : slots) text += s + "\r\n";
    return text;
}

class AutoplayWindow : public PlayerTest {};

// Searches of the tree of 200,000 files (none a song) that tools/make-search-tree.sh makes
// beside the test programs (ctest makes it before the GUI tests), from the history's only
// entry.
class SearchWindow : public PlayerTest {
protected:
    void SetUp() override {
        PlayerTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        tree_ = programFolder() + "search-tree";
        ASSERT_TRUE(readFile(tree_ + "\\count.txt", size_))
            << "no search tree beside the tests: ctest makes it; by hand: "
               "bash tools/make-search-tree.sh build/win32/search-tree 2000 100";
        while (!size_.empty() && (size_.back() == '\n' || size_.back() == '\r')) size_.pop_back();
        ASSERT_TRUE(writeHistory({"*" + tree_}));
    }

    // Starts the player and, from the history, the search; nullptr when no window came.
    HWND startSearch(Process& p) {
        if (!startPlayer(p)) return nullptr;
        HWND w = waitForPlayerWindow(p);
        if (w) command(w, kHistoryCommand + 9);
        start_ = GetTickCount();
        return w;
    }

    // Pings the window until the panel ends with lastLines, the end of the run; the window
    // must have answered every time, within 500 ms.
    void pingToTheEnd(HWND w, AnswerMeter& meter, const std::vector<std::string>& lastLines) {
        const PanelBottom end(lastLines);
        const bool ended = meter.pingUntil(300000, [&] { return end.shownOn(w); });
        const DWORD ms = GetTickCount() - start_;
        EXPECT_EQ(meter.unanswered(), 0);
        EXPECT_LT(meter.worst(), 500u) << "the window kept a message waiting for " << meter.worst() << " ms";
        ASSERT_TRUE(ended) << "the search of " << size_ << " did not end in 300 s";
        std::printf("[          ] search of %s to \"autoplay finished.\": %lu ms; %d answers, the slowest %lu ms\n",
                    size_.c_str(), static_cast<unsigned long>(ms), meter.pings(),
                    static_cast<unsigned long>(meter.worst()));
    }

    std::string tree_;
    std::string size_;  // as count.txt says
    DWORD start_ = 0;
};

TEST_F(AutoplayWindow, HistoryEntriesPlayAFolderSongBySongAndASongAndTheMenuListsThemNewestFirst) {
    const std::string folder = work_ + "\\autoplay";
    removeTree(folder);
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((folder + "\\sub").c_str(), nullptr));
    ASSERT_TRUE(writeBytes(folder + "\\one.mid", songOfMs(1000)));
    ASSERT_TRUE(writeBytes(folder + "\\sub\\two.mid", songOfMs(1000)));
    ASSERT_TRUE(writeBytes(folder + "\\three.rmi", wrapRmid(songOfMs(1000))));
    ASSERT_TRUE(writeFile(folder + "\\notes.txt", "not a song"));
    std::vector<std::string> songs;
    songsBelow(folder, songs);
    ASSERT_EQ(songs.size(), 3u);
    const std::string single = work_ + "\\single.mid";
    ASSERT_TRUE(writeBytes(single, songOfMs(1000)));
    const std::string nowhere = work_ + "\\no such folder";
    removeTree(nowhere);
    // Oldest first: they load into slots 7, 8 and 9.
    ASSERT_TRUE(writeHistory({"*" + nowhere, single, "*" + folder}));
    // The list is not kept after its last song, so the run finishes.
    ASSERT_TRUE(writeFile(settingsFile("switch.txt"), "aaabbaa"));

    Process p;
    ASSERT_TRUE(startPlayer(p));
    HWND w = waitForPlayerWindow(p);
    ASSERT_NE(w, nullptr);

    // The top history item is the newest entry, the folder: its songs play in walk order, each
    // with its title and the run's captions, and the run finishes idle.
    ASSERT_TRUE(chooseHistoryMenuItem(w, 0));
    const RunSeen run = watchRun(w, songs.size(), 30000);
    std::vector<std::string> titles;
    for (const std::string& s : songs) titles.push_back(songTitle(s));
    EXPECT_EQ(run.titles, titles);
    for (size_t i = 0; i < run.titles.size(); ++i) {
        EXPECT_GT(2 * run.runLooks[i], run.looks[i])
            << "\"" << kAutoplayCaptions << "\" beside " << run.titles[i] << " in " << run.runLooks[i] << " of "
            << run.looks[i] << " looks";
    }
    EXPECT_TRUE(waitUntil(5000, [&] { return runCaptions(w) == kIdleCaptions; })) << runCaptions(w);
    EXPECT_EQ(windowText(w), "Orvanel");
    std::vector<std::string> panel = {"*" + folder, "autoplay history"};
    panel.insert(panel.end(), songs.begin(), songs.end());
    panel.insert(panel.end(), {"end", "autoplay finished."});
    EXPECT_TRUE(panelShows(w, panel, work_ + "\\panel-run"));

    // The song entry, slot 8, by its command: it plays at once under its path as written.
    command(w, kHistoryCommand + 8);
    EXPECT_TRUE(waitUntil(5000, [&] { return windowText(w) == songTitle(single); })) << windowText(w);
    EXPECT_TRUE(waitUntil(5000, [&] { return runCaptions(w) == "stop| |open|close"; })) << runCaptions(w);
    EXPECT_TRUE(waitUntil(10000, [&] { return runCaptions(w) == kIdleCaptions; }))
        << "after the song's end: " << runCaptions(w);
    panel.push_back(single);

    // Each entry played moves to the top: the menu now reads song, folder, empty folder. The
    // third item is the folder that does not exist, whose run finishes at once.
    ASSERT_TRUE(chooseHistoryMenuItem(w, 2));
    panel.insert(panel.end(), {"*" + nowhere, "autoplay history", "end", "autoplay finished."});
    EXPECT_TRUE(panelShows(w, panel, work_ + "\\panel-nowhere"));
    // Now: empty folder, song, folder. The third item starts the folder's run again; the
    // autoplay button cancels it during its first song.
    ASSERT_TRUE(chooseHistoryMenuItem(w, 2));
    EXPECT_TRUE(waitUntil(10000, [&] { return windowText(w) == titles[0]; })) << windowText(w);
    pressButton(w, kAutoplayButton);
    EXPECT_TRUE(waitUntil(5000, [&] { return windowText(w) == "Orvanel"; })) << windowText(w);
    EXPECT_TRUE(waitUntil(5000, [&] { return runCaptions(w) == kIdleCaptions; })) << runCaptions(w);
    EXPECT_EQ(buttonCaption(w, 7), "break");

    DWORD code = 1, ms = 0;
    ASSERT_TRUE(closePlayer(p, w, code, ms));
    EXPECT_EQ(code, 0u);
    std::string bytes;
    ASSERT_TRUE(readFile(settingsFile("history.txt"), bytes));
    EXPECT_EQ(printable(bytes), printable(historyFile({"", "", "", "", "", "", "", single, "*" + nowhere,
                                                       "*" + folder})));
}

// The autoplay button opens the folder browser (a dialog with a folder tree) on the current
// folder: cancelled, nothing starts; confirmed, that folder's run plays.
TEST_F(AutoplayWindow, TheAutoplayButtonBrowsesForTheFolderItPlays) {
    const std::string folder = freshFolder("browse");
    ASSERT_TRUE(writeBytes(folder + "\\one.mid", songOfMs(60000)));
    Process p;
    ASSERT_TRUE(p.start(exe_, "", folder));
    HWND w = waitForPlayerWindow(p);
    ASSERT_NE(w, nullptr);
    for (int answer : {IDCANCEL, IDOK}) {
        pressButton(w, kAutoplayButton);
        HWND browser = nullptr;
        ASSERT_TRUE(waitUntil(kStartTimeoutMs, [&] {
            browser = dialogOf(p.id());
            return browser && FindWindowExA(browser, nullptr, "SysTreeView32", nullptr);
        })) << "no folder browser";
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(browser, WM_NULL, 0, 0, SMTO_NORMAL, kStartTimeoutMs, &ignored);
        PostMessageA(browser, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
        ASSERT_TRUE(waitUntil(kExitTimeoutMs, [&] { return !IsWindow(browser); }));
        if (answer != IDCANCEL) continue;
        SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_NORMAL, kStartTimeoutMs, &ignored);
        EXPECT_EQ(runCaptions(w), kIdleCaptions);
        EXPECT_EQ(windowText(w), "Orvanel");
    }
    const std::string tail = "\\BROWSE\\ONE.MID]";
    EXPECT_TRUE(waitUntil(10000, [&] {
        const std::string title = windowText(w);
        return title.size() > tail.size() && title.compare(title.size() - tail.size(), tail.size(), tail) == 0;
    })) << windowText(w);
    EXPECT_TRUE(waitUntil(5000, [&] { return runCaptions(w) == kAutoplayCaptions; })) << runCaptions(w);
    closeCleanly(p, w);
}

// A file by its UTF-16 name, with a song of ms in it; the code page's text of its short
// form, or "" (the file not written, or no short form without a "?").
std::string writeWideSong(const std::wstring& path, uint32_t ms) {
    const Bytes bytes = songOfMs(ms);
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return "";
    DWORD written = 0;
    const bool ok = WriteFile(f, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
    wchar_t shortPath[MAX_PATH] = {};
    const std::string shortForm =
        CloseHandle(f) && ok && GetShortPathNameW(path.c_str(), shortPath, MAX_PATH) ? ansiOf(shortPath) : "";
    return shortForm.find('?') == std::string::npos ? shortForm : "";
}

// A song whose name the code page cannot spell ("Café": Shift_JIS has no é) plays by its
// short name: named on the command line, dropped on the window and found by a search.
TEST_F(AutoplayWindow, ASongNamedOutsideTheCodePagePlaysByItsShortName) {
    const std::string folder = freshFolder("cafe");
    const std::wstring song = wideOf(folder) + L"\\Caf\u00E9.mid";
    const std::string shortSong = writeWideSong(song, 60000);
    ASSERT_FALSE(shortSong.empty());
    const std::string listed = upperCase(folder + shortSong.substr(shortSong.rfind('\\')));
    ASSERT_TRUE(writeHistory({"*" + folder}));

    Process p;
    ASSERT_TRUE(p.startWide(exe_, L"\"" + song + L"\"", wideOf(work_)));
    HWND w = waitForPlayerWindow(p);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(waitUntil(5000, [&] { return windowText(w) == songTitle(shortSong); })) << windowText(w);
    EXPECT_TRUE(waitUntil(5000, [&] { return buttonCaption(w, 1) == "stop"; }));
    pressButton(w, 1);  // stop: a drop while a song plays is refused
    EXPECT_TRUE(waitUntil(5000, [&] { return buttonCaption(w, 1) == "play"; }));
    ASSERT_TRUE(dropOn(w, {song}));
    EXPECT_TRUE(waitUntil(5000, [&] { return buttonCaption(w, 1) == "stop"; })) << "the dropped song does not play";
    pressButton(w, 1);
    EXPECT_TRUE(waitUntil(5000, [&] { return buttonCaption(w, 1) == "play"; }));
    command(w, kHistoryCommand + 8);  // the dropped song went into the history above the folder
    EXPECT_TRUE(waitUntil(10000, [&] { return windowText(w) == songTitle(listed); })) << windowText(w);
    closeCleanly(p, w);
}

// A song and a folder whose names the code page cannot spell, chosen in the song chooser
// and in the folder browser, come through by their short names.
TEST_F(AutoplayWindow, ASongAndAFolderNamedOutsideTheCodePageAreChosenByTheirShortNames) {
    const std::wstring folder = wideOf(work_) + L"\\Caf\u00E9 folder";
    removeTree(folder);
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::string song = writeWideSong(folder + L"\\Caf\u00E9.mid", 60000);
    ASSERT_FALSE(song.empty());
    Process p;
    // Started in the folder, where the browser opens. (The file dialog may move the
    // current directory to wherever it opened last, so it comes second.)
    ASSERT_TRUE(p.startWide(exe_, std::wstring(), folder));
    HWND w = waitForPlayerWindow(p);
    ASSERT_NE(w, nullptr);
    pressButton(w, kAutoplayButton);
    HWND browser = nullptr;
    ASSERT_TRUE(waitUntil(kStartTimeoutMs, [&] {
        browser = dialogOf(p.id());
        return browser && FindWindowExA(browser, nullptr, "SysTreeView32", nullptr);
    })) << "no folder browser";
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(browser, WM_NULL, 0, 0, SMTO_NORMAL, kStartTimeoutMs, &ignored);
    PostMessageA(browser, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    // The run lists the song below the folder's short name, upper-cased by the search.
    EXPECT_TRUE(waitUntil(10000, [&] { return windowText(w) == songTitle(upperCase(song)); })) << windowText(w);
    pressButton(w, kAutoplayButton);  // cancel
    EXPECT_TRUE(waitUntil(5000, [&] { return windowText(w) == "Orvanel"; }));
    pressButton(w, 0);
    ASSERT_TRUE(chooseInFileDialog(p.id(), folder + L"\\Caf\u00E9.mid"));
    EXPECT_TRUE(waitUntil(5000, [&] { return windowText(w) == songTitle(song); })) << windowText(w);
    closeCleanly(p, w);
}

// Without the wait for the search's end the controller waits for each entry itself,
// printing "search waiting..." once a tick; over a tree with no song at all it waits for the
// whole search. The window must answer all the while, and refuse the exit command.
TEST_F(SearchWindow, TheWindowAnswersThroughoutASearchTheControllerWaitsForAndRefusesToExit) {
    ASSERT_TRUE(writeFile(settingsFile("switch.txt"), "baabbaa"));
    Process p;
    HWND w = startSearch(p);
    ASSERT_NE(w, nullptr);
    AnswerMeter meter(w);
    command(w, kExitCommand);
    HWND box = nullptr;
    EXPECT_TRUE(meter.pingUntil(30000, [&] { return (box = messageBoxSaying(w, "connot exit!")) != nullptr; }))
        << "no \"connot exit!\" box during the search";
    if (box) {
        EXPECT_EQ(windowText(box), "Orvanel");
        pressMessageBoxOk(box);
        EXPECT_TRUE(meter.pingUntil(kExitTimeoutMs, [&] { return !IsWindow(box); }));
    }
    // The cancel is refused too: the run goes on to its end below.
    pressButton(w, kAutoplayButton);
    ASSERT_NO_FATAL_FAILURE(pingToTheEnd(w, meter, {"search waiting...", "end", "autoplay finished."}));
    EXPECT_TRUE(p.running());
    EXPECT_EQ(runCaptions(w), kIdleCaptions);
    EXPECT_EQ(windowText(w), "Orvanel");
    closeCleanly(p, w);
}

// With the default settings the controller starts nothing before the search has ended: no
// "search waiting..." line, only the end of an empty list once the search is over.
TEST_F(SearchWindow, WithTheDefaultSettingsTheControllerWaitsForTheWholeSearch) {
    Process p;
    HWND w = startSearch(p);
    ASSERT_NE(w, nullptr);
    AnswerMeter meter(w);
    ASSERT_NO_FATAL_FAILURE(pingToTheEnd(w, meter, {"end", "autoplay finished."}));
    EXPECT_TRUE(panelShows(w, {"*" + tree_, "autoplay history", "end", "autoplay finished."}, work_ + "\\panel-tree"));
    closeCleanly(p, w);
}

TEST_F(SearchWindow, ClosingTheWindowDuringASearchEndsTheProgramAndSavesTheSettings) {
    Process p;
    HWND w = startSearch(p);
    ASSERT_NE(w, nullptr);
    // A quarter of a second into the search (which takes about a second here), the close box.
    const PanelBottom searching({"autoplay history"});
    ASSERT_TRUE(waitUntil(30000, [&] { return searching.shownOn(w); }));
    Sleep(250);
    ASSERT_TRUE(searching.shownOn(w)) << "the search of " << size_ << " ended before the close";
    const DWORD closeAtMs = GetTickCount() - start_;
    DWORD code = 1, ms = 0;
    ASSERT_TRUE(closePlayer(p, w, code, ms)) << "the program did not end after the close";
    EXPECT_EQ(code, 0u);
    EXPECT_LT(ms, 5000u);
    std::printf("[          ] closed %lu ms into the search; ended %lu ms after the close\n",
                static_cast<unsigned long>(closeAtMs), static_cast<unsigned long>(ms));
    std::string bytes;
    ASSERT_TRUE(readFile(settingsFile("switch.txt"), bytes));
    EXPECT_EQ(printable(bytes), "aabbbaa");
    ASSERT_TRUE(readFile(settingsFile("history.txt"), bytes));
    EXPECT_EQ(printable(bytes), printable(historyFile({"", "", "", "", "", "", "", "", "", "*" + tree_})));
    ASSERT_TRUE(readFile(settingsFile("kivopath.txt"), bytes));
    EXPECT_EQ(bytes.size(), 260u);
}

}  // namespace
