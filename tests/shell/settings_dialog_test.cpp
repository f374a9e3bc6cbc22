// The settings dialog's rules on a fake dialog: what it shows when it opens, what OK, Esc,
// the close box and its two action buttons do to the program.
#include "shell/settings_dialog.h"

#include <gtest/gtest.h>

#include <cstring>

#include "autoplay/play_list.h"
#include "shell/commands.h"
#include "tests/support/fake_shell.h"

namespace {

// The first bytes of the reset messages: F0 41 ... GS, F0 7E 7F 09 01 GM, F0 43 ... XG.
bool isGsReset(const SentMessage& m) { return m.bytes.size() > 2 && m.bytes[0] == 0xF0 && m.bytes[1] == 0x41; }
bool isGmReset(const SentMessage& m) { return m.bytes.size() == 6 && m.bytes[0] == 0xF0 && m.bytes[4] == 0x01; }

class SettingsDialog : public ::testing::Test, public ShellFixture {
protected:
    Program& p = *program;
    // Opens the dialog, lets edit change its controls, presses id.
    DialogOutcome press(int id, void (*edit)(SettingsDialogModel&) = nullptr) {
        SettingsDialogModel m = openSettingsDialog(p);
        if (edit) edit(m);
        return settingsDialogCommand(p, m, id);
    }
    void playLongSong() {
        view.fileAnswers.push_back(writeSong("long.mid", longSong()));
        command(kCmdPlay);
        ASSERT_TRUE(p.flags.playbackThreadRunning);
        device.sent.clear();
    }
};

TEST_F(SettingsDialog, ActionButtonsAreEnabledByTheStateAtOpening) {
    struct Case { bool autoplay, threadRunning, shuffleNow, sendReset; };
    const Case cases[] = {{false, false, false, true}, {false, true, false, false},
                          {true, false, true, false},  {true, true, true, false}};
    for (const Case& c : cases) {
        p.flags.autoplayActive = c.autoplay;
        p.flags.playbackThreadRunning = c.threadRunning;
        const SettingsDialogModel m = openSettingsDialog(p);
        SCOPED_TRACE(testing::Message() << "autoplay " << c.autoplay << ", thread " << c.threadRunning);
        EXPECT_EQ(m.enabled(kCtlShuffleNow), c.shuffleNow);
        EXPECT_EQ(m.enabled(kCtlSendResetNow), c.sendReset);
        for (int id : {kCtlIgnoreSysEx, kCtlShowNonStandard, kCtlShowSysEx}) EXPECT_FALSE(m.enabled(id)) << id;
        EXPECT_TRUE(m.enabled(kCtlKeepList));
    }
    p.flags.playbackThreadRunning = false;
    p.flags.autoplayActive = false;
}

TEST_F(SettingsDialog, EachBoxShowsAndSetsItsOwnField) {
    struct Row { int id; Relaxed<bool> Settings::*field; bool inverted; };
    const Row rows[] = {
        {1009, &Settings::waitForSearchEnd, true}, {1010, &Settings::shuffleAfterSearch, false},
        {1011, &Settings::keepListAfterEnd, false}, {1012, &Settings::barFollowsSong, false},
        {1014, &Settings::historyForDrops, false}, {1029, &Settings::resetAtPlayStart, false},
        {1050, &Settings::showText, false},         {1051, &Settings::showRightsNotice, false},
        {1052, &Settings::showTrackName, false},    {1053, &Settings::showLyric, false},
        {1054, &Settings::showNonStandard, false},  {1055, &Settings::showSysEx, false},
        {1056, &Settings::showFullPath, false},     {1057, &Settings::ghostNameFilter, false}};
    for (const Row& r : rows) {
        const Settings before = p.settings;
        SettingsDialogModel m = openSettingsDialog(p);
        EXPECT_EQ(m.checked(r.id), bool(before.*r.field) != r.inverted) << r.id;
        m.setChecked(r.id, !m.checked(r.id));
        applySettingsDialog(p, m, false);
        for (const Row& other : rows)
            EXPECT_EQ(bool(p.settings.*other.field), bool(before.*other.field) != (other.id == r.id))
                << "box " << r.id << ", field of box " << other.id;
        p.settings = before;
    }
}

TEST_F(SettingsDialog, StartingEarlyAndShufflingAfterTheSearchGivesWaitAndShuffle) {
    press(kDlgOk, [](SettingsDialogModel& m) {
        m.setChecked(kCtlStartBeforeSearchEnd, true);
        m.setChecked(kCtlShuffleAfterSearch, true);
    });
    EXPECT_TRUE(p.settings.waitForSearchEnd);
    EXPECT_TRUE(p.settings.shuffleAfterSearch);
    EXPECT_FALSE(openSettingsDialog(p).checked(kCtlStartBeforeSearchEnd));
}

TEST_F(SettingsDialog, OkEscCloseBoxAndShuffleOutsideARunApplyAlike) {
    auto edit = [](SettingsDialogModel& m) {
        m.setChecked(kCtlKeepList, false);
        m.chooseRadio(kCtlBankFirst + 2);
        m.chooseRadio(kCtlResetFirst + 3);
    };
    for (int id : {kDlgOk, kDlgCancel, kCtlShuffleNow}) {
        p.settings = Settings{};
        EXPECT_EQ(press(id, edit), DialogOutcome::Close) << id;
        EXPECT_FALSE(p.settings.keepListAfterEnd) << id;
        EXPECT_EQ(p.settings.bankMode, 2) << id;
        EXPECT_EQ(p.settings.resetType, 3) << id;
    }
    EXPECT_TRUE(device.sent.empty());
    EXPECT_EQ(press(kCtlKeepList), DialogOutcome::NotHandled);
}

TEST_F(SettingsDialog, ChangedKeyShiftChannelsSendAllNotesOffOnce) {
    // The mask at opening: every channel but 10, channel 1 on top.
    EXPECT_EQ(openSettingsDialog(p).keyShiftMaskAtOpening, 0xFFBF);
    press(kDlgOk, [](SettingsDialogModel& m) { m.setChecked(kCtlKeyShiftFirst + 9, true); });
    EXPECT_TRUE(p.settings.keyShiftChannels[9]);
    ASSERT_EQ(device.sent.size(), 16u);
    for (uint8_t ch = 0; ch < 16; ++ch)
        EXPECT_EQ(device.sent[ch].bytes, (std::vector<uint8_t>{uint8_t(0xB0 | ch), 123, 0}));
    device.sent.clear();
    // Unchanged, or changed and changed back: nothing.
    press(kDlgOk);
    press(kDlgCancel, [](SettingsDialogModel& m) {
        m.setChecked(kCtlKeyShiftFirst, false);
        m.setChecked(kCtlKeyShiftFirst, true);
    });
    EXPECT_TRUE(device.sent.empty());
}

TEST_F(SettingsDialog, AResetTypeWithoutAButtonShowsNoneAndStays) {
    p.settings.resetType = 4;
    const SettingsDialogModel m = openSettingsDialog(p);
    for (int k = 0; k < kResetButtons; ++k) EXPECT_FALSE(m.checked(kCtlResetFirst + k));
    press(kDlgOk);
    EXPECT_EQ(p.settings.resetType, 4);
    // "今すぐ送出" with no button sends nothing: type 4 has no message.
    EXPECT_EQ(press(kCtlSendResetNow), DialogOutcome::StayOpen);
    EXPECT_TRUE(device.sent.empty());
    press(kDlgOk, [](SettingsDialogModel& m) { m.chooseRadio(kCtlResetFirst + 1); });
    EXPECT_EQ(p.settings.resetType, 1);
}

TEST_F(SettingsDialog, SendResetNowSendsTheChosenTypeAndAppliesNothingElse) {
    EXPECT_EQ(press(kCtlSendResetNow, [](SettingsDialogModel& m) {
                  m.chooseRadio(kCtlResetFirst + 1);
                  m.setChecked(kCtlKeepList, false);
              }),
              DialogOutcome::StayOpen);
    EXPECT_EQ(p.settings.resetType, 1);
    EXPECT_TRUE(p.settings.keepListAfterEnd);
    ASSERT_EQ(device.sent.size(), 1u);
    EXPECT_TRUE(isGmReset(device.sent[0])) << hexBytes(device.sent[0].bytes);
    // Never into a playing song's messages.
    playLongSong();
    press(kCtlSendResetNow, [](SettingsDialogModel& m) { m.chooseRadio(kCtlResetFirst); });
    EXPECT_TRUE(device.sent.empty());
}

TEST_F(SettingsDialog, ShuffleNowInADropRunOnlyApplies) {
    playLongSong();
    p.flags.autoplayActive = true;
    p.flags.dropListMode = true;
    p.playList.playPos = 2;
    press(kCtlShuffleNow, [](SettingsDialogModel& m) { m.setChecked(kCtlBarFollows, false); });
    EXPECT_FALSE(p.settings.barFollowsSong);
    EXPECT_TRUE(p.seq->playing);
    EXPECT_EQ(p.playList.playPos, 2);
    EXPECT_FALSE(p.flags.advanceRequested);
    EXPECT_TRUE(device.sent.empty());
    p.flags.autoplayActive = false;
    p.flags.dropListMode = false;
}

TEST_F(SettingsDialog, ShuffleNowInAFolderRunRestartsTheShuffledListWithTheOldReset) {
    const char* names[] = {"A.MID", "B.MID", "C.MID", "D.MID", "E.MID"};
    PlayList expected;
    for (int i = 0; i < 5; ++i) {
        for (PlayList* list : {&p.playList, &expected}) {
            auto* entry = new PlayListEntry;
            std::strcpy(entry->path, names[i]);
            entry->listed = 1;
            putEntry(*list, i, entry);
            list->listCount = i + 1;
        }
    }
    uint32_t seed = p.randomSeed = 7;
    shuffleList(expected, seed);
    playLongSong();
    p.flags.autoplayActive = true;
    p.playList.playPos = 3;
    // The reset chosen in the dialog is GM; the panic still resets the GS the song had.
    press(kCtlShuffleNow, [](SettingsDialogModel& m) { m.chooseRadio(kCtlResetFirst + 1); });
    for (int i = 0; i < 5; ++i) EXPECT_STREQ(slotEntry(p.playList, i)->path, slotEntry(expected, i)->path) << i;
    EXPECT_EQ(p.randomSeed, seed);
    EXPECT_EQ(p.playList.playPos, 0);
    EXPECT_TRUE(p.flags.advanceRequested);
    EXPECT_FALSE(p.seq->playing);
    EXPECT_FALSE(p.flags.playbackThreadRunning);
    ASSERT_FALSE(device.sent.empty());
    EXPECT_TRUE(isGsReset(device.sent.back())) << hexBytes(device.sent.back().bytes);
    EXPECT_EQ(p.settings.resetType, 1);
    p.flags.autoplayActive = false;
}

}  // namespace
