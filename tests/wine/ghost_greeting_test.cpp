// The mascot greetings of the real Orvanel.exe, received by fake_mascot.exe: the exact
// DirectSSTP requests at start and at close, the name filter, the choice of the last listed
// mascot, and a mascot that keeps the player waiting.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "ghost/ghost_link.h"
#include "tests/wine/gui_driver.h"

namespace {

using namespace gui;

const std::string kMizuha = "\x90\x90\x97\x74";  // 瑞葉, listed by the name filter

// The request the player must send, written out here byte for byte.
std::string expectedRequest(bool closing, HWND player) {
    const std::string said = closing ? "\x95\xC2\x82\xB6\x82\xDC\x82\xB5\x82\xBD\x81\x42"   // 閉じました。
                                     : "\x8B\x4E\x93\xAE\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42";  // 起動しました。
    return "SEND SSTP/1.4\r\nSender: Orvanel\r\nScript: \\0\\s[0]Orvanel\x82\xF0" + said +
           "\\_w[75]\\e\r\nHWnd: " + std::to_string(reinterpret_cast<uintptr_t>(player)) + "\r\nCharset: Shift_JIS";
}

struct Received {
    int to = -1;
    unsigned long wParam = 0, dwData = 0, cbData = 0;
    std::string data;
};

// fake_mascot.exe and what it writes down.
class FakeMascot {
public:
    ~FakeMascot() { stop(); }

    bool start(const std::string& folder, const std::vector<std::string>& names, DWORD stallMs = 0) {
        out_ = folder + "\\mascot.txt";
        DeleteFileA(out_.c_str());
        std::string args;
        if (stallMs) args += "--stall " + std::to_string(stallMs) + " ";
        args += out_;
        for (const std::string& n : names) args += " " + hexOf(n);
        if (!process_.start(programFolder() + "fake_mascot.exe", args, folder)) return false;
        return waitUntil(kStartTimeoutMs, [&] { return lines().size() > names.size() || !process_.running(); }) &&
               lines().size() > names.size() && lines()[names.size()] == "ready";
    }

    // Window of mascot i, from its "mascot i HWND" line.
    uintptr_t window(size_t i) {
        const std::vector<std::string> all = lines();
        if (i >= all.size()) return 0;
        return uintptr_t(std::stoul(all[i].substr(all[i].rfind(' ') + 1)));
    }

    std::vector<Received> received() {
        std::vector<Received> list;
        for (const std::string& line : lines()) {
            if (line.rfind("copydata ", 0) != 0) continue;
            Received r;
            char hex[4096] = {};
            if (std::sscanf(line.c_str(), "copydata to=%d wparam=%lu dwdata=%lu cbdata=%lu data=%4095s", &r.to,
                            &r.wParam, &r.dwData, &r.cbData, hex) >= 4)
                r.data = bytesOfHex(hex);
            list.push_back(r);
        }
        return list;
    }

    bool waitForReceived(size_t n, DWORD timeoutMs = kExitTimeoutMs) {
        return waitUntil(timeoutMs, [&] { return received().size() >= n; });
    }

    void stop() {
        if (!process_.running()) return;
        HANDLE quit = OpenEventA(EVENT_MODIFY_STATE, FALSE, "FakeMascotQuit");
        if (quit) {
            SetEvent(quit);
            CloseHandle(quit);
        }
        DWORD code = 0;
        process_.waitExit(5000, code);
    }

private:
    std::vector<std::string> lines() {
        std::string text;
        readFile(out_, text);
        std::vector<std::string> all;
        size_t at = 0, end;
        while ((end = text.find("\r\n", at)) != std::string::npos) {
            all.push_back(text.substr(at, end - at));
            at = end + 2;
        }
        return all;
    }

    Process process_;
    std::string out_;
};

class GhostGreeting : public PlayerTest {
protected:
    void SetUp() override {
        PlayerTest::SetUp();
        if (IsSkipped()) return;
        ASSERT_TRUE(fileExists(programFolder() + "fake_mascot.exe"));
    }

    // Starts the player, waits until it runs, closes it; returns its window.
    HWND startAndClose(DWORD* closeMs = nullptr) {
        Process p;
        if (!startPlayer(p)) return nullptr;
        HWND w = waitForPlayerWindow(p);
        if (!w) return nullptr;
        DWORD code = 1, ms = 0;
        const bool ended = closePlayer(p, w, code, ms);
        EXPECT_TRUE(ended) << "the player did not end";
        EXPECT_EQ(code, 0u);
        if (closeMs) *closeMs = ms;
        return ended ? w : nullptr;
    }

    // switch.txt with the name filter on: offsets 0-6 as a first start writes them, "b", filler.
    static void turnNameFilterOn() { ASSERT_TRUE(writeFile(settingsFile("switch.txt"), "aabbbaabaaaaa")); }
};

// Test of the fake itself: its directory is what the player's own scan expects, and it
// writes down a request exactly as sent.
TEST_F(GhostGreeting, TheFakeMascotPublishesItsDirectoryAndRecordsRequests) {
    FakeMascot mascot;
    ASSERT_TRUE(mascot.start(work_, {"First", kMizuha}));
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, "Sakura");
    ASSERT_NE(mapping, nullptr);
    const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    ASSERT_NE(view, nullptr);
    MEMORY_BASIC_INFORMATION info;
    ASSERT_NE(VirtualQuery(view, &info, sizeof info), 0u);
    GhostDirectory dir;
    scanGhostDirectory(static_cast<const uint8_t*>(view), info.RegionSize, dir);
    UnmapViewOfFile(view);
    CloseHandle(mapping);
    EXPECT_EQ(dir.targetWindow, mascot.window(1));
    EXPECT_EQ(std::string(dir.name), kMizuha);

    const std::string request = std::string("A\0B\r\n", 5) + "\x82\xA0";
    COPYDATASTRUCT cd = {9801, DWORD(request.size()), const_cast<char*>(request.data())};
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutA(reinterpret_cast<HWND>(mascot.window(0)), WM_COPYDATA, 1234,
                                    reinterpret_cast<LPARAM>(&cd), SMTO_NORMAL, 5000, &answer));
    ASSERT_TRUE(mascot.waitForReceived(1));
    const Received r = mascot.received()[0];
    EXPECT_EQ(r.to, 0);
    EXPECT_EQ(r.wParam, 1234u);
    EXPECT_EQ(r.dwData, 9801u);
    EXPECT_EQ(r.cbData, request.size());
    EXPECT_EQ(printable(r.data), printable(request));
}

TEST_F(GhostGreeting, StartAndCloseAreAnnouncedByteForByte) {
    FakeMascot mascot;
    ASSERT_TRUE(mascot.start(work_, {"NotListedGhost"}));
    HWND player = startAndClose();
    ASSERT_NE(player, nullptr);
    ASSERT_TRUE(mascot.waitForReceived(2));
    mascot.stop();
    const std::vector<Received> got = mascot.received();
    ASSERT_EQ(got.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(i == 0 ? "start" : "close");
        const std::string expected = expectedRequest(i == 1, player);
        EXPECT_EQ(got[i].to, 0);
        EXPECT_EQ(got[i].wParam, reinterpret_cast<uintptr_t>(player));
        EXPECT_EQ(got[i].dwData, 9801u);
        EXPECT_EQ(got[i].cbData, expected.size()) << "cbData counts the request without its NUL";
        EXPECT_EQ(printable(got[i].data), printable(expected));
    }
}

TEST_F(GhostGreeting, TheNameFilterSkipsAnUnlistedMascot) {
    turnNameFilterOn();
    FakeMascot mascot;
    // A listed name with one more character is not listed.
    ASSERT_TRUE(mascot.start(work_, {kMizuha + "2"}));
    ASSERT_NE(startAndClose(), nullptr);
    mascot.stop();
    EXPECT_EQ(mascot.received().size(), 0u);
    // The filter survives the run.
    std::string bytes;
    ASSERT_TRUE(readFile(settingsFile("switch.txt"), bytes));
    EXPECT_EQ(printable(bytes), "aabbbaabaaaaa");
}

TEST_F(GhostGreeting, TheNameFilterGreetsAListedMascot) {
    turnNameFilterOn();
    FakeMascot mascot;
    ASSERT_TRUE(mascot.start(work_, {kMizuha}));
    HWND player = startAndClose();
    ASSERT_NE(player, nullptr);
    ASSERT_TRUE(mascot.waitForReceived(2));
    mascot.stop();
    const std::vector<Received> got = mascot.received();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(printable(got[0].data), printable(expectedRequest(false, player)));
    EXPECT_EQ(printable(got[1].data), printable(expectedRequest(true, player)));
}

TEST_F(GhostGreeting, OnlyTheLastListedMascotIsGreeted) {
    FakeMascot mascot;
    ASSERT_TRUE(mascot.start(work_, {kMizuha, "Second"}));
    HWND player = startAndClose();
    ASSERT_NE(player, nullptr);
    ASSERT_TRUE(mascot.waitForReceived(2));
    mascot.stop();
    const std::vector<Received> got = mascot.received();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].to, 1);
    EXPECT_EQ(got[1].to, 1);
    EXPECT_EQ(printable(got[1].data), printable(expectedRequest(true, player)));
}

TEST_F(GhostGreeting, TheNameFilterLooksAtTheLastListedMascotOnly) {
    turnNameFilterOn();
    FakeMascot mascot;
    ASSERT_TRUE(mascot.start(work_, {kMizuha, "Second"}));
    ASSERT_NE(startAndClose(), nullptr);
    mascot.stop();
    EXPECT_EQ(mascot.received().size(), 0u);
}

TEST_F(GhostGreeting, AMascotThatDoesNotAnswerHoldsThePlayerUpOnlyBriefly) {
    // The mascot sits on each request for 20 s before it answers. Waiting for its answers
    // would take the player 20 s at start and longer at close.
    FakeMascot mascot;
    ASSERT_TRUE(mascot.start(work_, {"Sleepy"}, 20000));
    DWORD closeMs = 0;
    const DWORD start = GetTickCount();
    HWND player = startAndClose(&closeMs);
    ASSERT_NE(player, nullptr);
    const DWORD totalMs = GetTickCount() - start;
    EXPECT_GE(mascot.received().size(), 1u) << "the start greeting did not arrive";
    mascot.stop();
    // Two bounded waits of a few seconds each and the shutdown.
    EXPECT_LT(totalMs, 17000u) << "close " << closeMs << " ms";
    std::printf("[          ] start to end %lu ms, of which close %lu ms\n", static_cast<unsigned long>(totalMs),
                static_cast<unsigned long>(closeMs));
}

}  // namespace
