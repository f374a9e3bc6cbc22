#include "shell/settings_dialog.h"

#include <mutex>

#include "autoplay/play_list.h"
#include "shell/commands.h"
#include "shell/program.h"

namespace {

bool isControl(int id) {
    for (int i = 0; i < kSettingsControlCount; ++i)
        if (kSettingsControlIds[i] == id) return true;
    return false;
}

// The show fields, in the order of their boxes 1050..1056.
template <class S>
auto showField(S& s, int index) {
    decltype(&s.showText) fields[] = {&s.showText,        &s.showRightsNotice, &s.showTrackName, &s.showLyric,
                                      &s.showNonStandard, &s.showSysEx,        &s.showFullPath};
    return fields[index];
}

constexpr int kShowFieldCount = 7;

// The number of the last checked button of a radio group, or -1 when none is.
int checkedRadio(const SettingsDialogModel& m, int first, int count) {
    int chosen = -1;
    for (int k = 0; k < count; ++k)
        if (m.checked(first + k)) chosen = k;
    return chosen;
}

}  // namespace

const int kSettingsControlIds[] = {
    kCtlStartBeforeSearchEnd, kCtlShuffleAfterSearch, kCtlKeepList, kCtlBarFollows, kCtlShuffleNow,
    kCtlBankFirst, kCtlBankFirst + 1, kCtlBankFirst + 2, kCtlBankFirst + 3, kCtlBankFirst + 4,
    kCtlHistoryForDrops,
    kCtlResetFirst, kCtlResetFirst + 1, kCtlResetFirst + 2, kCtlResetFirst + 3, kCtlSendResetNow,
    kCtlResetAtPlayStart, kCtlIgnoreSysEx,
    1034, 1035, 1036, 1037, 1038, 1039, 1040, 1041, 1042, 1043, 1044, 1045, 1046, 1047, 1048, 1049,
    kCtlShowFullPath, kCtlShowText, kCtlShowRights, kCtlShowTrackName, kCtlShowLyric,
    kCtlShowNonStandard, kCtlShowSysEx,
    kCtlGhostNameFilter,
};
const int kSettingsControlCount = sizeof kSettingsControlIds / sizeof kSettingsControlIds[0];

bool SettingsDialogModel::checked(int id) const {
    return isControl(id) && controls[id - kFirstId].checked;
}

void SettingsDialogModel::setChecked(int id, bool value) {
    if (isControl(id)) controls[id - kFirstId].checked = value;
}

bool SettingsDialogModel::enabled(int id) const {
    return isControl(id) && controls[id - kFirstId].enabled;
}

void SettingsDialogModel::setEnabled(int id, bool value) {
    if (isControl(id)) controls[id - kFirstId].enabled = value;
}

void SettingsDialogModel::chooseRadio(int id) {
    int first = 0, count = 0;
    if (id >= kCtlBankFirst && id < kCtlBankFirst + kBankButtons) {
        first = kCtlBankFirst;
        count = kBankButtons;
    } else if (id >= kCtlResetFirst && id < kCtlResetFirst + kResetButtons) {
        first = kCtlResetFirst;
        count = kResetButtons;
    } else {
        return;
    }
    for (int k = 0; k < count; ++k) setChecked(first + k, first + k == id);
}

uint16_t keyShiftChannelMask(const SettingsDialogModel& m) {
    uint16_t mask = 0;
    for (int ch = 0; ch < 16; ++ch)
        if (m.checked(kCtlKeyShiftFirst + ch)) mask |= static_cast<uint16_t>(0x8000u >> ch);
    return mask;
}

SettingsDialogModel openSettingsDialog(const Program& p) {
    const Settings& s = p.settings;
    SettingsDialogModel m;
    m.setChecked(kCtlStartBeforeSearchEnd, !s.waitForSearchEnd);
    m.setChecked(kCtlShuffleAfterSearch, s.shuffleAfterSearch);
    m.setChecked(kCtlKeepList, s.keepListAfterEnd);
    m.setChecked(kCtlBarFollows, s.barFollowsSong);
    m.setChecked(kCtlHistoryForDrops, s.historyForDrops);

    // Shuffling needs a run's list; a reset of our own must not cut into a song's messages.
    if (p.flags.autoplayActive) {
        m.setEnabled(kCtlSendResetNow, false);
    } else {
        m.setEnabled(kCtlShuffleNow, false);
        if (p.flags.playbackThreadRunning) m.setEnabled(kCtlSendResetNow, false);
    }
    m.setEnabled(kCtlIgnoreSysEx, false);
    m.setEnabled(kCtlShowNonStandard, false);
    m.setEnabled(kCtlShowSysEx, false);

    if (s.bankMode < kBankButtons) m.setChecked(kCtlBankFirst + s.bankMode, true);
    // A reset type without a button (possible from switch.txt) shows none.
    if (s.resetType < kResetButtons) m.setChecked(kCtlResetFirst + s.resetType, true);
    m.setChecked(kCtlResetAtPlayStart, s.resetAtPlayStart);

    for (int ch = 0; ch < 16; ++ch) m.setChecked(kCtlKeyShiftFirst + ch, s.keyShiftChannels[ch]);
    m.keyShiftMaskAtOpening = keyShiftChannelMask(m);

    for (int k = 0; k < kShowFieldCount; ++k) m.setChecked(kCtlShowText + k, *showField(s, k));
    m.setChecked(kCtlGhostNameFilter, s.ghostNameFilter);
    return m;
}

void applySettingsDialog(Program& p, const SettingsDialogModel& m, bool shuffleNow) {
    Settings& s = p.settings;
    s.waitForSearchEnd = !m.checked(kCtlStartBeforeSearchEnd);
    s.shuffleAfterSearch = m.checked(kCtlShuffleAfterSearch);
    s.keepListAfterEnd = m.checked(kCtlKeepList);
    s.barFollowsSong = m.checked(kCtlBarFollows);
    s.historyForDrops = m.checked(kCtlHistoryForDrops);
    // A shuffle after the search needs the whole list, so the first song waits for it.
    if (!s.waitForSearchEnd && s.shuffleAfterSearch) s.waitForSearchEnd = true;

    const int bank = checkedRadio(m, kCtlBankFirst, kBankButtons);
    s.bankMode = static_cast<uint8_t>(bank < 0 ? 0 : bank);
    s.resetAtPlayStart = m.checked(kCtlResetAtPlayStart);

    // Before the reset type changes: the panic resets the module the song was played for.
    if (shuffleNow && p.flags.autoplayActive && !p.flags.dropListMode) {
        shuffleList(p.playList, p.randomSeed);
        p.playList.playPos = 0;
        advance(p);
    }

    const int reset = checkedRadio(m, kCtlResetFirst, kResetButtons);
    if (reset >= 0) s.resetType = static_cast<uint8_t>(reset);

    for (int k = 0; k < kShowFieldCount; ++k) *showField(s, k) = m.checked(kCtlShowText + k);

    for (int ch = 0; ch < 16; ++ch) s.keyShiftChannels[ch] = m.checked(kCtlKeyShiftFirst + ch);
    // A note shifted on a channel that no longer shifts would never get its note off.
    if (keyShiftChannelMask(m) != m.keyShiftMaskAtOpening) allNotesOffSong(*p.seq);
    s.ghostNameFilter = m.checked(kCtlGhostNameFilter);
}

void sendResetNow(Program& p, const SettingsDialogModel& m) {
    if (p.flags.playbackThreadRunning) return;
    const int reset = checkedRadio(m, kCtlResetFirst, kResetButtons);
    if (reset >= 0) p.settings.resetType = static_cast<uint8_t>(reset);
    std::lock_guard<std::mutex> hold(p.seq->stepLock);
    p.seq->port.sendReset(p.settings.resetType);
}

DialogOutcome settingsDialogCommand(Program& p, const SettingsDialogModel& m, int id) {
    switch (id) {
    case kDlgOk:
    case kDlgCancel:
    case kCtlShuffleNow:
        applySettingsDialog(p, m, id == kCtlShuffleNow);
        return DialogOutcome::Close;
    case kCtlSendResetNow:
        sendResetNow(p, m);
        return DialogOutcome::StayOpen;
    default:
        return DialogOutcome::NotHandled;
    }
}
