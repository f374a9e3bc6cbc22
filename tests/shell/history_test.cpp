// The history of songs and folders: its order, its menu, and choosing an item.
#include "shell/history.h"

#include <gtest/gtest.h>

#include "shell/commands.h"
#include "shell/messages.h"
#include "tests/support/fake_shell.h"

namespace {

std::vector<std::string> filled(const History& h) {
    std::vector<std::string> out;
    for (const auto& slot : h.slots) out.emplace_back(slot);
    return out;
}

TEST(HistoryOrder, AddPromoteAndDropTheOldest) {
    History h;
    struct Case {
        const char* add;
        std::vector<std::string> slots6to9;
    } cases[] = {
        {"a", {"", "", "", "a"}},
        {"b", {"", "", "a", "b"}},
        {"c", {"", "a", "b", "c"}},
        {"a", {"", "b", "c", "a"}},   // present: moved to the top, not doubled
        {"A", {"b", "c", "a", "A"}},  // case-sensitive: another entry
        {"A", {"b", "c", "a", "A"}},  // already newest: unchanged
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(addToHistory(h, c.add));
        const auto all = filled(h);
        EXPECT_EQ(std::vector<std::string>(all.begin() + 6, all.end()), c.slots6to9) << c.add;
    }
    // Eleven distinct entries keep the newest ten.
    History full;
    for (int i = 0; i < 11; ++i) addToHistory(full, std::to_string(i).c_str());
    EXPECT_EQ(std::string(full.slots[0]), "1");
    EXPECT_EQ(std::string(full.slots[9]), "10");
    // A path that does not fit a slot is not remembered, and nothing moves.
    EXPECT_FALSE(addToHistory(full, std::string(260, 'x').c_str()));
    EXPECT_TRUE(addToHistory(full, std::string(259, 'x').c_str()));
    EXPECT_EQ(std::string(full.slots[0]), "2");
}

class HistoryItems : public ::testing::Test, public ShellFixture {
protected:
    Program& p = *program;
};

TEST_F(HistoryItems, MenuListsNewestFirstWithSlotIds) {
    rememberInHistory(p, "one.mid");
    rememberInHistory(p, "*C:\\music");
    rememberInHistory(p, "two.mid");
    EXPECT_EQ(view.historyMenu, (std::vector<std::string>{"two.mid", "*C:\\music", "one.mid"}));
    EXPECT_EQ(view.historyIds, (std::vector<int>{5972, 5971, 5970}));
}

TEST_F(HistoryItems, SongItemPlaysAndMovesToTheTop) {
    const std::string song = writeSong("h.mid", longSong());
    rememberInHistory(p, song.c_str());
    rememberInHistory(p, "newer.mid");
    command(5971);  // slot 8 holds the song
    EXPECT_TRUE(p.seq->playing);
    EXPECT_EQ(view.transport(), "stop/ /open/close");
    EXPECT_EQ(view.title, "Orvanel[" + song + "]");
    EXPECT_EQ(view.historyMenu.front(), song);
    EXPECT_EQ(panel.lines.back(), song);
    EXPECT_FALSE(p.flags.commandBusy);
}

TEST_F(HistoryItems, MissingSongShowsOpenFailedAndStaysPut) {
    rememberInHistory(p, "gone.mid");
    rememberInHistory(p, "newer.mid");
    const auto before = view.historyMenu;
    command(5971);
    EXPECT_EQ(view.boxes, std::vector<std::string>{kOpenFailedText});
    EXPECT_EQ(view.historyMenu, before);
    EXPECT_FALSE(p.seq->songLoaded);
    EXPECT_FALSE(p.flags.commandBusy);
}

TEST_F(HistoryItems, FolderItemStartsAnAutoplayOfItsFolder) {
    folders.addPath("D:", "SONG.MID");
    rememberInHistory(p, "*D:\\");
    rememberInHistory(p, "newer.mid");
    command(5971);
    EXPECT_TRUE(p.flags.autoplayActive);
    EXPECT_TRUE(p.flags.commandBusy);
    EXPECT_EQ(panel.lines, (std::vector<std::string>{"*D:\\", "autoplay history"}));
    EXPECT_EQ(view.historyMenu.front(), "*D:\\");
    EXPECT_TRUE(view.currentFolder.empty());  // the current directory stays
    waitForSongEnd();  // the search has ended
    EXPECT_EQ(folders.opened, 1);  // the tree holds "D:" alone
}

// A folder entry longer than the search's buffer (a slot holds 259 bytes) is refused as
// the autoplay button refuses it, not cut to another folder; the longest that fits runs.
TEST_F(HistoryItems, AFolderEntryTooLongForTheSearchIsRefusedNotCut) {
    for (size_t length : {258, 256, 255}) {
        const std::string folder = "D:\\" + std::string(length - 3, 'f');
        rememberInHistory(p, ("*" + folder).c_str());
        rememberInHistory(p, "newer.mid");
        const auto before = view.historyMenu;
        view.boxes.clear();
        panel.lines.clear();
        command(5971);
        const bool fits = length < kFolderPathSize;
        EXPECT_EQ(p.flags.autoplayActive, fits) << length;
        EXPECT_EQ(p.flags.commandBusy, fits) << length;
        if (fits) {
            EXPECT_EQ(std::string(p.autoplayFolder), folder);
            EXPECT_TRUE(view.boxes.empty());
        } else {
            EXPECT_EQ(view.boxes, std::vector<std::string>{kFolderTooLongText}) << length;
            EXPECT_TRUE(panel.lines.empty()) << length;
            EXPECT_EQ(view.historyMenu, before) << length;
        }
    }
    waitForSongEnd();
}

// A song chosen while another plays: the first one is silenced before the second starts.
TEST_F(HistoryItems, ASongChosenWhileAnotherPlaysIsSilencedFirst) {
    const std::string first = writeSong("h1.mid", longSong()), second = writeSong("h2.mid", longSong());
    rememberInHistory(p, second.c_str());
    rememberInHistory(p, first.c_str());
    command(5972);
    ASSERT_TRUE(p.seq->playing);
    device.sent.clear();  // the songs are silent: only the commands send
    command(5971);
    EXPECT_TRUE(p.seq->playing);
    EXPECT_EQ(view.title, "Orvanel[" + second + "]");
    const std::vector<std::string> sent = device.hex();
    ASSERT_GE(sent.size(), 16u);
    EXPECT_EQ(sent[0], "B0 7B 00");
    EXPECT_EQ(sent[15], "BF 7B 00");
}

// Refused while a search runs, a "next" waits, or a command holds commandBusy (a folder
// run holds it throughout).
TEST_F(HistoryItems, RefusedWhileSearchingAdvancingOrBusy) {
    rememberInHistory(p, "*D:\\");
    for (int which = 0; which < 3; ++which) {
        p.flags.searchRunning = which == 0;
        p.flags.advanceRequested = which == 1;
        p.flags.commandBusy = which == 2;
        command(5972);
        EXPECT_FALSE(p.flags.autoplayActive) << which;
        EXPECT_TRUE(panel.lines.empty()) << which;
    }
}

}  // namespace
