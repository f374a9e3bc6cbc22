// The settings dialog and the About box: modal dialogs from the resources over the main
// window. The settings dialog copies check marks between its controls and the portable
// model, which holds every rule.
#include "resources/resource.h"
#include "shell/settings_dialog.h"
#include "shell/win32/app.h"

static_assert(IDC_START_BEFORE_SEARCH_END == kCtlStartBeforeSearchEnd && IDC_SHUFFLE_NOW == kCtlShuffleNow &&
                  IDC_HISTORY_FOR_DROPS == kCtlHistoryForDrops && IDC_RESET_GS == kCtlResetFirst &&
                  IDC_SEND_RESET_NOW == kCtlSendResetNow && IDC_BANK_AS_IS == kCtlBankFirst &&
                  IDC_RESET_AT_PLAY_START == kCtlResetAtPlayStart && IDC_KEYSHIFT_CH1 == kCtlKeyShiftFirst &&
                  IDC_SHOW_TEXT == kCtlShowText && IDC_GHOST_NAME_FILTER == kCtlGhostNameFilter,
              "the dialog resource and the model number the controls alike");

namespace {

struct SettingsDialogState {
    Program* program;
    SettingsDialogModel model;
};

void showModel(HWND dialog, const SettingsDialogModel& m) {
    for (int i = 0; i < kSettingsControlCount; ++i) {
        const int id = kSettingsControlIds[i];
        CheckDlgButton(dialog, id, m.checked(id) ? BST_CHECKED : BST_UNCHECKED);
        EnableWindow(GetDlgItem(dialog, id), m.enabled(id));
    }
}

void readModel(HWND dialog, SettingsDialogModel& m) {
    for (int i = 0; i < kSettingsControlCount; ++i) {
        const int id = kSettingsControlIds[i];
        m.setChecked(id, IsDlgButtonChecked(dialog, id) == BST_CHECKED);
    }
}

INT_PTR CALLBACK settingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<SettingsDialogState*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        state = reinterpret_cast<SettingsDialogState*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        state->model = openSettingsDialog(*state->program);
        showModel(dialog, state->model);
        return TRUE;
    case WM_COMMAND: {
        if (!state) return FALSE;
        const int id = LOWORD(wParam);
        readModel(dialog, state->model);
        switch (settingsDialogCommand(*state->program, state->model, id)) {
        case DialogOutcome::Close: EndDialog(dialog, id); return TRUE;
        case DialogOutcome::StayOpen: return TRUE;
        case DialogOutcome::NotHandled: return FALSE;
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK aboutBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

void runSettingsDialog(App& a) {
    SettingsDialogState state{&a.program, SettingsDialogModel{}};
    DialogBoxParamA(a.instance, MAKEINTRESOURCEA(IDD_SETTINGS), a.window, settingsDialogProc,
                    reinterpret_cast<LPARAM>(&state));
}

void runAboutBox(App& a) {
    DialogBoxParamA(a.instance, MAKEINTRESOURCEA(IDD_ABOUTBOX), a.window, aboutBoxProc, 0);
}
