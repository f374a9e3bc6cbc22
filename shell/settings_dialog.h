#pragma once
// The settings dialog as a record of its controls: what it shows when it opens, and what
// its buttons do to the program. The Win32 dialog only copies the check marks between
// this record and its controls, so the rules are the same on every front end and are
// tested without a window.
#include <cstdint>

struct Program;

// Control ids; the .rc script has the same numbers.
enum SettingsControlId : int {
    kDlgOk = 1,
    kDlgCancel = 2,  // Esc and the close box
    kCtlStartBeforeSearchEnd = 1009,  // checked when waitForSearchEnd is false
    kCtlShuffleAfterSearch = 1010,
    kCtlKeepList = 1011,
    kCtlBarFollows = 1012,
    kCtlShuffleNow = 1013,
    kCtlHistoryForDrops = 1014,
    kCtlResetFirst = 1018,  // GS, GM, XG, GM2: resetType 0..3
    kCtlSendResetNow = 1023,
    kCtlBankFirst = 1024,   // bankMode 0..4
    kCtlResetAtPlayStart = 1029,
    kCtlIgnoreSysEx = 1030,  // always disabled, never read or set
    kCtlKeyShiftFirst = 1034,  // channels 1..16
    kCtlShowText = 1050,
    kCtlShowRights = 1051,
    kCtlShowTrackName = 1052,
    kCtlShowLyric = 1053,
    kCtlShowNonStandard = 1054,  // always disabled
    kCtlShowSysEx = 1055,        // always disabled
    kCtlShowFullPath = 1056,
    kCtlGhostNameFilter = 1057,
};

constexpr int kResetButtons = 4;
constexpr int kBankButtons = 5;

struct DialogControl {
    bool checked = false;
    bool enabled = true;
};

struct SettingsDialogModel {
    static constexpr int kFirstId = 1009;
    static constexpr int kLastId = 1057;

    // Ids between the first and the last that name no control read as unchecked and
    // ignore writes.
    bool checked(int id) const;
    void setChecked(int id, bool checked);
    bool enabled(int id) const;
    void setEnabled(int id, bool enabled);
    // Checks a radio button and clears the others of its own group, as a click does.
    void chooseRadio(int id);

    DialogControl controls[kLastId - kFirstId + 1];
    // The key-shift channels as they were when the dialog opened.
    uint16_t keyShiftMaskAtOpening = 0;
};

// Every control the model keeps, in the order of the dialog: the check boxes, the radio
// buttons and the two action buttons.
extern const int kSettingsControlIds[];
extern const int kSettingsControlCount;

// The key-shift channels as a 16-bit mask, channel 1 in the most significant bit.
uint16_t keyShiftChannelMask(const SettingsDialogModel& m);

// The dialog as it opens over the program's settings and state.
SettingsDialogModel openSettingsDialog(const Program& p);

// OK, Esc, the close box and "今すぐシャッフル" all apply the dialog; only the last
// also shuffles, and only during a folder run.
void applySettingsDialog(Program& p, const SettingsDialogModel& m, bool shuffleNow);

// "今すぐ送出": the reset type of the chosen radio button, sent at once; nothing else is
// applied. Refused while a song's thread runs, whose own messages it must not cut into.
void sendResetNow(Program& p, const SettingsDialogModel& m);

enum class DialogOutcome { Close, StayOpen, NotHandled };

// A command of the dialog, with the model holding what its controls show now.
DialogOutcome settingsDialogCommand(Program& p, const SettingsDialogModel& m, int id);
