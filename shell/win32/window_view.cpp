#include "shell/win32/window_view.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

#include "platform/win32/ansi_path.h"
#include "shell/win32/app.h"

namespace {

enum : UINT {
    kListRangeMessage = WM_APP + 20,
    kListPositionMessage,
    kListDisableMessage,
    kListShowMessage,
};

// The history items follow the separator of the first menu: from position 6 on.
constexpr int kHistoryMenuPosition = 6;

}  // namespace

void WindowShellView::setCaption(Button button, const char* caption) {
    SetWindowTextA(controlOf(app_, button), caption);
}

void WindowShellView::setTitle(const char* title) { SetWindowTextA(app_.window, title); }

void WindowShellView::messageBox(const char* text, bool owned) {
    MessageBoxA(owned ? app_.window : nullptr, text, app_.program.productName, MB_OK);
}

bool WindowShellView::chooseFile(const FileDialogSpec& spec, char* path, size_t size) {
    // The wide dialog, so that a file the code page cannot spell still comes back by a name
    // that opens it (its short one).
    wchar_t filter[128], title[64], folder[1024], extension[8], file[MAX_PATH], fileTitle[64] = {};
    if (!MultiByteToWideChar(CP_ACP, 0, spec.filter, static_cast<int>(spec.filterSize), filter, 128) ||
        !MultiByteToWideChar(CP_ACP, 0, spec.title, -1, title, 64) ||
        !MultiByteToWideChar(CP_ACP, 0, spec.initialFolder, -1, folder, 1024) ||
        !MultiByteToWideChar(CP_ACP, 0, spec.defaultExtension, -1, extension, 8))
        return false;
    // The offered name is kept only when it fits the dialog's buffer.
    if (!MultiByteToWideChar(CP_ACP, 0, path, -1, file, MAX_PATH)) file[0] = L'\0';
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = app_.window;
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrFileTitle = spec.fileTitle ? fileTitle : nullptr;
    ofn.nMaxFileTitle = 64;
    ofn.lpstrInitialDir = folder;
    ofn.lpstrTitle = title;
    ofn.lpstrDefExt = extension;
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameW(&ofn)) return false;
    // A path longer than the buffer once in the code page is not cut into another one.
    char chosen[kDropPathSize];
    if (ansiPathOf(ansiCodePage(), file, chosen, sizeof chosen) >= size) return false;
    std::memcpy(path, chosen, std::strlen(chosen) + 1);
    if (spec.fileTitle) toAnsi(ansiCodePage(), fileTitle, spec.fileTitle, spec.fileTitleSize);
    return true;
}

namespace {

// The browser opens on the current directory: the folder of the last autoplay.
int CALLBACK selectCurrentFolder(HWND browser, UINT message, LPARAM, LPARAM) {
    if (message != BFFM_INITIALIZED) return 0;
    wchar_t folder[MAX_PATH];
    const DWORD length = GetCurrentDirectoryW(MAX_PATH, folder);
    if (length > 0 && length < MAX_PATH)
        SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(folder));
    return 0;
}

}  // namespace

FolderChoice WindowShellView::chooseFolder(char* out, size_t size) {
    if (size > 0) out[0] = '\0';
    IMalloc* shellAllocator = nullptr;
    if (SHGetMalloc(&shellAllocator) != NOERROR || !shellAllocator) return FolderChoice::Taken;
    BROWSEINFOW info{};
    info.hwndOwner = app_.window;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = selectCurrentFolder;
    LPITEMIDLIST chosen = SHBrowseForFolderW(&info);
    FolderChoice choice = FolderChoice::Taken;
    if (chosen) {
        // The browser writes up to MAX_PATH characters, whatever the caller's buffer holds.
        wchar_t folder[MAX_PATH];
        bool exact = true;
        if (SHGetPathFromIDListW(chosen, folder) && ansiPathOf(ansiCodePage(), folder, out, size, &exact) >= size)
            choice = FolderChoice::TooLong;
        else if (!exact)
            choice = FolderChoice::Unspellable;
        shellAllocator->Free(chosen);
    }
    shellAllocator->Release();
    if (choice != FolderChoice::Taken && size > 0) out[0] = '\0';
    return choice;
}

void WindowShellView::showHistoryMenu(const History& history) {
    HMENU menu = GetSubMenu(GetMenu(app_.window), 0);
    if (!menu) return;
    while (DeleteMenu(menu, kHistoryMenuPosition, MF_BYPOSITION)) {
    }
    // Each item goes in at the same position, so the newest ends up on top.
    for (int k = 0; k < History::kSlots; ++k) {
        if (history.slots[k][0] == '\0') continue;
        InsertMenuA(menu, kHistoryMenuPosition, MF_BYPOSITION | MF_STRING, 5963 + k, history.slots[k]);
    }
    DrawMenuBar(app_.window);
}

void WindowShellView::openDocument(const char* path) {
    ShellExecuteA(app_.window, "open", path, nullptr, nullptr, SW_SHOWNORMAL);
}

void WindowShellView::closeWindow() { DestroyWindow(app_.window); }

void WindowShellView::acceptDrops(bool accept) { DragAcceptFiles(app_.window, accept ? TRUE : FALSE); }

bool WindowShellView::setCurrentFolder(const char* folder) { return SetCurrentDirectoryA(folder) != 0; }

void* WindowShellView::loadSkinBitmap(const char* path) { return ::loadSkinBitmap(path); }

void WindowShellView::installSkin(void* bitmap) { installSkinBitmap(app_, static_cast<HBITMAP>(bitmap)); }

void WindowShellView::showSettingsDialog() { runSettingsDialog(app_); }

void WindowShellView::showAboutBox() { runAboutBox(app_); }

void WindowListScrollBar::setRange(int32_t maximum) {
    if (range_.offer(maximum)) PostMessageA(app_.window, kListRangeMessage, 0, 0);
}

void WindowListScrollBar::setPosition(int32_t position) {
    PostMessageA(app_.window, kListPositionMessage, static_cast<WPARAM>(position), 0);
}

void WindowListScrollBar::disable() { PostMessageA(app_.window, kListDisableMessage, 0, 0); }

void WindowListScrollBar::show(bool shown) { PostMessageA(app_.window, kListShowMessage, shown ? 1 : 0, 0); }

bool handlePostedViewMessage(App& a, UINT message, WPARAM wParam, LPARAM) {
    HWND bar = a.controls[kListScrollBar];
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    switch (message) {
    case kListRangeMessage:
        info.nMax = a.listScrollBar->takeRange();
        if (info.nMax == PostedValue::kNone) return true;
        EnableWindow(bar, TRUE);
        info.fMask = SIF_RANGE | SIF_PAGE;
        info.nMin = 0;
        info.nPage = 7;
        SetScrollInfo(bar, SB_CTL, &info, TRUE);
        return true;
    case kListPositionMessage:
        info.fMask = SIF_POS;
        info.nPos = static_cast<int>(wParam);
        SetScrollInfo(bar, SB_CTL, &info, TRUE);
        return true;
    case kListDisableMessage:
        EnableWindow(bar, FALSE);
        info.fMask = SIF_POS;
        info.nPos = 0;
        SetScrollInfo(bar, SB_CTL, &info, TRUE);
        return true;
    case kListShowMessage:
        ShowScrollBar(bar, SB_CTL, wParam ? TRUE : FALSE);
        return true;
    default:
        return false;
    }
}

uint32_t HdropSource::count() {
    return drop_ ? DragQueryFileA(drop_, 0xFFFFFFFF, nullptr, 0) : 0;
}

size_t HdropSource::path(uint32_t index, char* out, size_t size) {
    if (size > 0) out[0] = '\0';
    wchar_t path[kDropPathSize];
    if (!drop_ || DragQueryFileW(drop_, index, nullptr, 0) >= kDropPathSize) return size;
    DragQueryFileW(drop_, index, path, kDropPathSize);
    return ansiPathOf(ansiCodePage(), path, out, size);
}

void HdropSource::finish() {
    if (drop_) DragFinish(drop_);
    drop_ = nullptr;
}
