#include "shell/win32/window_view.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

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
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = app_.window;
    ofn.lpstrFilter = spec.filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = path;
    ofn.nMaxFile = static_cast<DWORD>(size);
    ofn.lpstrFileTitle = spec.fileTitle;
    ofn.nMaxFileTitle = static_cast<DWORD>(spec.fileTitleSize);
    ofn.lpstrInitialDir = spec.initialFolder;
    ofn.lpstrTitle = spec.title;
    ofn.lpstrDefExt = spec.defaultExtension;
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    return GetOpenFileNameA(&ofn) != 0;
}

void WindowShellView::chooseFolder(char* out, size_t size) {
    if (size < MAX_PATH) return;
    IMalloc* shellAllocator = nullptr;
    if (SHGetMalloc(&shellAllocator) != NOERROR || !shellAllocator) return;
    BROWSEINFOA info{};
    info.hwndOwner = app_.window;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
    if (chosen) {
        if (!SHGetPathFromIDListA(chosen, out)) out[0] = '\0';
        shellAllocator->Free(chosen);
    }
    shellAllocator->Release();
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
    if (size == 0) return 0;
    out[0] = '\0';
    if (!drop_) return 0;
    const UINT length = DragQueryFileA(drop_, index, nullptr, 0);
    DragQueryFileA(drop_, index, out, static_cast<UINT>(size));
    return length;
}

void HdropSource::finish() {
    if (drop_) DragFinish(drop_);
    drop_ = nullptr;
}
