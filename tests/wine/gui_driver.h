#pragma once
// Drives the real Orvanel.exe from a GUI test: starts it beside this test program, finds its
// window, sends it commands and keys, reads captions and pixels from outside as a user
// would see them (against pictures of the panel, list and indicators drawn here), measures
// how fast it answers, closes it, and keeps the settings files of the temporary directory
// as they were before the test. Inline so that every *_test.cpp of this folder (and a
// helper program) can use it; a plain .cpp here would be built as a helper of its own.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/smf_builder.h"

namespace gui {

// Wine starts are slow, the first one especially; polls end as soon as their condition holds.
constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kExitTimeoutMs = 15000;
constexpr DWORD kPollMs = 20;

// Folder of this test program, with its trailing backslash: Orvanel.exe and the helper
// programs are built beside it.
inline std::string programFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    char* slash = std::strrchr(path, '\\');
    if (slash) slash[1] = '\0';
    return path;
}

// The temporary directory as the player queries it, with its trailing backslash.
inline std::string tempFolder() {
    char path[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, path);
    return path;
}

// Code-page text as UTF-16, and back (what the code page cannot spell becomes "?").
inline std::wstring wideOf(const std::string& text) {
    std::wstring wide(text.size() + 1, L'\0');
    wide.resize(size_t(MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], int(wide.size())) - 1));
    return wide;
}
inline std::string ansiOf(const std::wstring& wide) {
    std::string text(wide.size() * 2 + 1, '\0');
    text.resize(size_t(WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, &text[0],
                                           int(text.size()), nullptr, nullptr) - 1));
    return text;
}

inline bool fileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline bool readFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    char buffer[4096];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(f, buffer, sizeof buffer, &got, nullptr)) && got > 0) bytes.append(buffer, got);
    CloseHandle(f);
    return ok;
}

inline bool writeFile(const std::string& path, const std::string& bytes) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(f, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
    return CloseHandle(f) && ok;
}

inline bool lastWriteTime(const std::string& path, FILETIME& time) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
    time = data.ftLastWriteTime;
    return true;
}

// Bytes as C escapes, so a failed comparison shows zero bytes and line ends.
inline std::string printable(const std::string& bytes) {
    std::string text;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            text += char(c);
        } else {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\x%02X", c);
            text += esc;
        }
    }
    return text;
}

// The settings files of the temporary directory. The tests need them absent or written by
// themselves; whatever was there before is put back afterwards.
class SettingsFilesKeeper {
public:
    static constexpr const char* kNames[] = {"switch.txt", "history.txt", "kivopath.txt", "helpdir.txt",
                                             "kivo.txt"};

    SettingsFilesKeeper() {
        for (int i = 0; i < kCount; ++i) {
            const std::string path = tempFolder() + kNames[i];
            had_[i] = readFile(path, saved_[i]);
            DeleteFileA(path.c_str());
        }
    }
    ~SettingsFilesKeeper() {
        for (int i = 0; i < kCount; ++i) {
            const std::string path = tempFolder() + kNames[i];
            if (had_[i]) writeFile(path, saved_[i]);
            else DeleteFileA(path.c_str());
        }
    }
    SettingsFilesKeeper(const SettingsFilesKeeper&) = delete;
    SettingsFilesKeeper& operator=(const SettingsFilesKeeper&) = delete;

private:
    static constexpr int kCount = 5;
    bool had_[kCount] = {};
    std::string saved_[kCount];
};

inline std::string settingsFile(const char* name) { return tempFolder() + name; }

// One started program. A program still running when the test ends is ended here, so a
// failed test does not leave a window behind for the next one.
class Process {
public:
    Process() = default;
    ~Process() {
        if (pi_.hProcess) {
            if (running()) {
                TerminateProcess(pi_.hProcess, 99);
                WaitForSingleObject(pi_.hProcess, 5000);
            }
            CloseHandle(pi_.hProcess);
            CloseHandle(pi_.hThread);
        }
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // arguments: the text after the program's name, passed unchanged ("" for none).
    // showCommand: how the program is asked to show its window (as a shortcut's "Run"
    // setting asks), or -1 for the default.
    bool start(const std::string& exe, const std::string& arguments, const std::string& folder,
               int showCommand = -1) {
        std::string commandLine = "\"" + exe + "\"";
        if (!arguments.empty()) commandLine += " " + arguments;
        std::vector<char> line(commandLine.begin(), commandLine.end());
        line.push_back('\0');
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        if (showCommand >= 0) {
            si.dwFlags = STARTF_USESHOWWINDOW;
            si.wShowWindow = WORD(showCommand);
        }
        return CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              folder.empty() ? nullptr : folder.c_str(), &si, &pi_) != 0;
    }

    // As start, with the arguments in UTF-16: names the code page cannot spell.
    bool startWide(const std::string& exe, const std::wstring& arguments, const std::wstring& folder) {
        std::wstring commandLine = L"\"" + wideOf(exe) + L"\" " + arguments;
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        return CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si,
                              &pi_) != 0;
    }

    bool running() const { return pi_.hProcess && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT; }

    // True when the program ended within timeoutMs; exitCode is then its exit code.
    bool waitExit(DWORD timeoutMs, DWORD& exitCode) {
        if (!pi_.hProcess || WaitForSingleObject(pi_.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
        return GetExitCodeProcess(pi_.hProcess, &exitCode) != 0;
    }

    DWORD id() const { return pi_.dwProcessId; }
    HANDLE handle() const { return pi_.hProcess; }

private:
    PROCESS_INFORMATION pi_ = {};
};

// Polls until condition holds or timeoutMs has passed; returns whether it held.
template <typename Condition>
bool waitUntil(DWORD timeoutMs, Condition condition) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start >= timeoutMs) return condition();
        Sleep(kPollMs);
    }
}

// A visible dialog (class "#32770") of process pid, or nullptr.
inline HWND dialogOf(DWORD pid) {
    HWND w = nullptr;
    while ((w = FindWindowExA(nullptr, w, "#32770", nullptr)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid && IsWindowVisible(w)) return w;
    }
    return nullptr;
}

inline std::string windowText(HWND hwnd) {
    char text[1024] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

// Every top-level window of the player's class, of any process.
inline std::vector<HWND> playerWindows() {
    std::vector<HWND> found;
    HWND w = nullptr;
    while ((w = FindWindowExA(nullptr, w, "VELTRAN", nullptr)) != nullptr) found.push_back(w);
    return found;
}

// The visible player window that belongs to process pid, or nullptr.
inline HWND playerWindowOf(DWORD pid) {
    for (HWND w : playerWindows()) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid && IsWindowVisible(w)) return w;
    }
    return nullptr;
}

// Waits until the player's window is shown and its message loop runs (the program waits
// for input), so the start-up has finished. nullptr when that does not happen in time.
inline HWND waitForPlayerWindow(const Process& p, DWORD timeoutMs = kStartTimeoutMs) {
    HWND w = nullptr;
    if (!waitUntil(timeoutMs, [&] { return (w = playerWindowOf(p.id())) != nullptr || !p.running(); })) return nullptr;
    if (w == nullptr) return nullptr;
    // A message answered by the window's thread: its message loop runs. (WaitForInputIdle
    // does not tell under Wine for a loop that peeks and sleeps.)
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &answer)) return nullptr;
    return w;
}

// Closes the window as its close box would and waits for the program's end. Returns whether
// it ended in time; exitCode and elapsedMs tell how.
inline bool closePlayer(Process& p, HWND window, DWORD& exitCode, DWORD& elapsedMs,
                        DWORD timeoutMs = kExitTimeoutMs) {
    const DWORD start = GetTickCount();
    PostMessageA(window, WM_CLOSE, 0, 0);
    const bool ended = p.waitExit(timeoutMs, exitCode);
    elapsedMs = GetTickCount() - start;
    return ended;
}

struct Control {
    HWND hwnd;
    std::string className;
    std::string text;
    int id;
    RECT rect;  // in the parent's client coordinates
};

inline BOOL CALLBACK collectControl(HWND hwnd, LPARAM lParam) {
    auto* list = reinterpret_cast<std::vector<Control>*>(lParam);
    HWND parent = GetParent(hwnd);
    Control c;
    c.hwnd = hwnd;
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    c.className = cls;
    c.text = windowText(hwnd);
    c.id = GetDlgCtrlID(hwnd);
    GetWindowRect(hwnd, &c.rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&c.rect), 2);
    list->push_back(c);
    return TRUE;
}

inline std::vector<Control> childControls(HWND parent) {
    std::vector<Control> list;
    EnumChildWindows(parent, collectControl, reinterpret_cast<LPARAM>(&list));
    return list;
}

// The child button with command id, or nullptr.
inline HWND buttonWithId(HWND parent, int id) {
    for (const Control& c : childControls(parent))
        if (_stricmp(c.className.c_str(), "Button") == 0 && c.id == id) return c.hwnd;
    return nullptr;
}

inline std::string buttonCaption(HWND parent, int id) {
    HWND b = buttonWithId(parent, id);
    return b ? windowText(b) : std::string("<no button ") + std::to_string(id) + ">";
}

// Presses a button as a click would: its command reaches the main window.
inline void pressButton(HWND parent, int id) {
    PostMessageA(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(buttonWithId(parent, id)));
}

// The play, autoplay, open and close buttons' captions, as "play|autoplay|open|close".
inline std::string runCaptions(HWND window) {
    return buttonCaption(window, 1) + "|" + buttonCaption(window, 5) + "|" + buttonCaption(window, 0) + "|" +
           buttonCaption(window, 2);
}
constexpr const char* kIdleCaptions = "play|autoplay|open|close";
constexpr const char* kAutoplayCaptions = "next|cancel| | ";

// The child control of class className whose rectangle starts at x, y, or nullptr.
inline HWND controlAt(HWND parent, const char* className, int x, int y) {
    for (const Control& c : childControls(parent))
        if (_stricmp(c.className.c_str(), className) == 0 && c.rect.left == x && c.rect.top == y) return c.hwnd;
    return nullptr;
}

// The visible popup menu window of process pid, or nullptr.
inline HWND popupMenuOf(DWORD pid) {
    HWND w = nullptr;
    while ((w = FindWindowExA(nullptr, w, "#32768", nullptr)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid && IsWindowVisible(w)) return w;
    }
    return nullptr;
}

// Chooses the item-th history item (0: the top one) of the first menu with the keyboard, as
// a user would: Alt+N opens the pull-down on its first item, and the history follows the five
// commands and the separator, which the arrow keys pass over. (Under Wine no other process
// can read a window's menu items, so tests learn the order from what the items do.)
inline bool chooseHistoryMenuItem(HWND window, int item) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    PostMessageA(window, WM_SYSCOMMAND, SC_KEYMENU, 'n');
    if (!waitUntil(kStartTimeoutMs, [&] { return popupMenuOf(pid) != nullptr; })) return false;
    for (int i = 0; i < 5 + item; ++i) PostMessageA(window, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(window, WM_KEYDOWN, VK_RETURN, 0);
    return waitUntil(kStartTimeoutMs, [&] { return popupMenuOf(pid) == nullptr; });
}

struct MessageBoxSearch {
    HWND owner;
    std::string text;
    HWND found;
};

inline BOOL CALLBACK findStaticText(HWND child, LPARAM lParam) {
    auto* search = reinterpret_cast<MessageBoxSearch*>(lParam);
    char cls[64] = {};
    GetClassNameA(child, cls, sizeof cls);
    if (_stricmp(cls, "Static") == 0 && windowText(child) == search->text) {
        search->found = GetParent(child);
        return FALSE;
    }
    return TRUE;
}

inline BOOL CALLBACK findMessageBox(HWND w, LPARAM lParam) {
    auto* search = reinterpret_cast<MessageBoxSearch*>(lParam);
    char cls[64] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") != 0 || GetWindow(w, GW_OWNER) != search->owner || !IsWindowVisible(w)) return TRUE;
    EnumChildWindows(w, findStaticText, lParam);
    return search->found == nullptr;
}

// The visible message box owned by owner that says text, or nullptr.
inline HWND messageBoxSaying(HWND owner, const std::string& text) {
    MessageBoxSearch search = {owner, text, nullptr};
    EnumWindows(findMessageBox, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Answers the open-file dialog of process pid: types path as the file name and presses
// its OK button. False when no dialog comes, or it does not close on it.
inline bool chooseInFileDialog(DWORD pid, const std::wstring& path) {
    HWND dialog = nullptr;
    if (!waitUntil(kStartTimeoutMs, [&] { return (dialog = dialogOf(pid)) != nullptr; })) return false;
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, kStartTimeoutMs, &answer);
    // The file name box is the dialog's one edit control (inside a combo box on some systems).
    for (const Control& c : childControls(dialog)) {
        if (_stricmp(c.className.c_str(), "Edit") != 0) continue;
        SendMessageTimeoutW(c.hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()), SMTO_NORMAL, 5000, &answer);
        break;
    }
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return waitUntil(kExitTimeoutMs, [&] { return !IsWindow(dialog); });
}
inline bool chooseInFileDialog(DWORD pid, const std::string& path) { return chooseInFileDialog(pid, wideOf(path)); }

// Drops files on window as the shell does: a DROPFILES block of UTF-16 paths, made in the
// window's own process, goes with WM_DROPFILES.
inline bool dropOn(HWND window, const std::vector<std::wstring>& paths) {
    std::wstring names;
    for (const std::wstring& path : paths) names += path + L'\0';
    names += L'\0';
    std::string block(sizeof(DROPFILES) + names.size() * sizeof(wchar_t), '\0');
    DROPFILES header = {};
    header.pFiles = sizeof header;
    header.fWide = TRUE;
    std::memcpy(&block[0], &header, sizeof header);
    std::memcpy(&block[sizeof header], names.data(), names.size() * sizeof(wchar_t));
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) return false;
    void* remote = VirtualAllocEx(process, nullptr, block.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    const bool written = remote && WriteProcessMemory(process, remote, block.data(), block.size(), nullptr);
    CloseHandle(process);
    return written && PostMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0);
}

// Presses a message box's OK button.
inline void pressMessageBoxOk(HWND box) { PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }

// How long a window takes to answer a message: each ping sends it WM_NULL and waits.
class AnswerMeter {
public:
    explicit AnswerMeter(HWND window) : window_(window) {}
    // Returns the milliseconds taken; a window that does not answer within 10 s counts 10 s.
    DWORD ping() {
        const DWORD start = GetTickCount();
        DWORD_PTR answer = 0;
        if (!SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer)) ++unanswered_;
        const DWORD ms = GetTickCount() - start;
        if (ms > worst_) worst_ = ms;
        ++pings_;
        return ms;
    }
    // Pings every 10 ms until condition holds or timeoutMs has passed.
    template <typename Condition>
    bool pingUntil(DWORD timeoutMs, Condition condition) {
        const DWORD start = GetTickCount();
        for (;;) {
            ping();
            if (condition()) return true;
            if (GetTickCount() - start >= timeoutMs) return false;
            Sleep(10);
        }
    }
    DWORD worst() const { return worst_; }
    int pings() const { return pings_; }
    int unanswered() const { return unanswered_; }

private:
    HWND window_;
    DWORD worst_ = 0;
    int pings_ = 0;
    int unanswered_ = 0;
};

// --- pixels ----------------------------------------------------------------------------

// A 32-bit picture, top row first, 0x00RRGGBB.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> p;

    uint32_t at(int x, int y) const { return p[size_t(y) * width + x]; }
    bool operator==(const Pixels& o) const { return width == o.width && height == o.height && p == o.p; }
    bool operator!=(const Pixels& o) const { return !(*this == o); }
};

// Copies width x height from (x, y) of dc into a Pixels.
inline Pixels grab(HDC dc, int x, int y, int width, int height) {
    Pixels out;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP dib = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (mem && dib) {
        HGDIOBJ old = SelectObject(mem, dib);
        BitBlt(mem, 0, 0, width, height, dc, x, y, SRCCOPY);
        GdiFlush();
        out.width = width;
        out.height = height;
        out.p.assign(static_cast<uint32_t*>(bits), static_cast<uint32_t*>(bits) + size_t(width) * height);
        for (uint32_t& v : out.p) v &= 0xFFFFFF;
        SelectObject(mem, old);
    }
    if (dib) DeleteObject(dib);
    if (mem) DeleteDC(mem);
    return out;
}

// What the screen shows of window's client rectangle (x, y, width, height): read from the
// screen, as the user sees it, not from the program's own surfaces.
inline Pixels captureClient(HWND window, int x, int y, int width, int height) {
    POINT origin = {x, y};
    ClientToScreen(window, &origin);
    HDC screen = GetDC(nullptr);
    Pixels out = grab(screen, origin.x, origin.y, width, height);
    ReleaseDC(nullptr, screen);
    return out;
}

// A rectangle of a bitmap file as the system loads it (LoadImageA, as the player does).
inline Pixels bitmapFileRect(const std::string& path, int x, int y, int width, int height) {
    Pixels out;
    HBITMAP bmp = static_cast<HBITMAP>(
        LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    if (!bmp) return out;
    HDC screen = GetDC(nullptr);
    HDC src = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(src, bmp);
    out = grab(src, x, y, width, height);
    SelectObject(src, old);
    DeleteDC(src);
    ReleaseDC(nullptr, screen);
    DeleteObject(bmp);
    return out;
}

// Frame k of a skin bitmap: the 80 x 80 square at x = 80 k.
inline Pixels skinFrame(const std::string& path, int k) { return bitmapFileRect(path, 80 * k, 0, 80, 80); }

// The index of the frame equal to shown, or -1.
inline int matchingFrame(const Pixels& shown, const std::vector<Pixels>& frames) {
    for (size_t k = 0; k < frames.size(); ++k)
        if (frames[k] == shown) return int(k);
    return -1;
}

inline int differingPixels(const Pixels& a, const Pixels& b) {
    if (a.width != b.width || a.height != b.height) return -1;
    int n = 0;
    for (size_t i = 0; i < a.p.size(); ++i) n += a.p[i] != b.p[i];
    return n;
}

// Rows of the picture that hold a pixel other than white.
inline std::string inkedRows(const Pixels& a) {
    std::string rows;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            if (a.at(x, y) != 0xFFFFFF) {
                rows += std::to_string(y) + " ";
                break;
            }
        }
    }
    return rows.empty() ? "none" : rows;
}

// Writes a picture as a 24-bit BMP, to look at after a failure.
inline bool saveBmp(const std::string& path, const Pixels& a) {
    const int stride = (a.width * 3 + 3) & ~3;
    std::string file(54 + size_t(stride) * a.height, '\0');
    auto put32 = [&](size_t at, uint32_t v) {
        for (int b = 0; b < 4; ++b) file[at + b] = char((v >> (8 * b)) & 0xFF);
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, uint32_t(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, uint32_t(a.width));
    put32(22, uint32_t(a.height));
    file[26] = 1;
    file[28] = 24;
    for (int y = 0; y < a.height; ++y) {
        size_t row = 54 + size_t(a.height - 1 - y) * stride;
        for (int x = 0; x < a.width; ++x) {
            const uint32_t v = a.at(x, y);
            file[row + 3 * x] = char(v & 0xFF);
            file[row + 3 * x + 1] = char((v >> 8) & 0xFF);
            file[row + 3 * x + 2] = char((v >> 16) & 0xFF);
        }
    }
    return writeFile(path, file);
}

// The player's font face "ＭＳ ゴシック" (its Shift_JIS bytes), Shift_JIS character set, the
// given height (12: the panel and indicators, 10: the list rows), every other attribute zero.
inline HFONT createPanelFont(int height) {
    LOGFONTA lf = {};
    lf.lfHeight = height;
    lf.lfCharSet = SHIFTJIS_CHARSET;
    std::strcpy(lf.lfFaceName, "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E");
    return CreateFontIndirectA(&lf);
}

// A picture of width x height drawn here with GDI as the player draws its surfaces: draw(dc)
// gets a white memory context with the 12-pixel font selected, black text on opaque white,
// the default black pen and white brush.
template <typename Draw>
Pixels drawnPicture(int width, int height, Draw draw) {
    Pixels out;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, width, height);
    HFONT font = createPanelFont(12);
    if (mem && bmp && font) {
        HGDIOBJ oldBmp = SelectObject(mem, bmp);
        HGDIOBJ oldFont = SelectObject(mem, font);
        BitBlt(mem, 0, 0, width, height, nullptr, 0, 0, WHITENESS);
        draw(mem);
        out = grab(mem, 0, 0, width, height);
        SelectObject(mem, oldFont);
        SelectObject(mem, oldBmp);
    }
    if (font) DeleteObject(font);
    if (bmp) DeleteObject(bmp);
    if (mem) DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return out;
}

inline Pixels crop(const Pixels& a, int x, int y, int width, int height) {
    Pixels out;
    out.width = width;
    out.height = height;
    for (int row = y; row < y + height; ++row)
        for (int col = x; col < x + width; ++col) out.p.push_back(a.at(col, row));
    return out;
}

// Whether a Shift_JIS character starts with byte c: the code page's own rule.
inline bool leadByte(char c) { return IsDBCSLeadByteEx(932, static_cast<BYTE>(c)) != 0; }

// The message panel (210 x 250) after the given messages were printed on a white panel, the
// last one at the bottom: each message scrolls the panel up a line of 14 pixels and is drawn
// at x = 2, y = 237 in the 12-pixel font; one of more than 33 bytes fills whole lines of 33
// cells of 6 pixels first (a double-byte character two cells, never split), drawn a
// character at a time.
inline Pixels expectedPanel(const std::vector<std::string>& messages) {
    return drawnPicture(210, 250, [&](HDC dc) {
        auto scroll = [&] {
            BitBlt(dc, 0, 0, 210, 236, dc, 0, 14, SRCCOPY);
            BitBlt(dc, 0, 236, 210, 14, nullptr, 0, 0, WHITENESS);
        };
        for (const std::string& text : messages) {
            size_t at = 0;
            while (text.size() - at > 33) {
                scroll();
                for (int x = 2; x < 200;) {
                    const int bytes = at + 1 < text.size() && leadByte(text[at]) ? 2 : 1;
                    TextOutA(dc, x, 237, text.data() + at, bytes);
                    x += 6 * bytes;
                    at += bytes;
                }
            }
            scroll();
            TextOutA(dc, 2, 237, text.data() + at, int(text.size() - at));
        }
    });
}

// The play list view (194 x 250) showing entries from index top, the entry at playing (-1:
// none) white: rows of 35 pixels, each a box from 1, y + 1 to 193, y + 32 (grey C8C8C8 or
// white, black outline) holding "%d %s" in the 10-pixel font on the box. A text of 71 bytes
// or more keeps its first 31 and last 35 bytes around " .... "; one of more than 36 bytes
// takes a first line of 36 columns of 5 pixels from x = 5, a character at a time, and the
// rest at x = 4 twelve pixels lower.
inline Pixels expectedListView(const std::vector<std::string>& entries, int top, int playing) {
    return drawnPicture(194, 250, [&](HDC dc) {
        HFONT small = createPanelFont(10);
        HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
        HBRUSH grey = CreateSolidBrush(RGB(200, 200, 200));
        HGDIOBJ oldFont = SelectObject(dc, small);
        HGDIOBJ oldBrush = SelectObject(dc, grey);
        SetBkMode(dc, TRANSPARENT);
        for (int r = 0; r < 7 && top + r < int(entries.size()); ++r) {
            const int index = top + r, y = 35 * r;
            SelectObject(dc, index == playing ? white : grey);
            Rectangle(dc, 1, y + 1, 193, y + 32);
            std::string text = std::to_string(index) + " " + entries[size_t(index)];
            if (text.size() >= 71) text = text.substr(0, 31) + " .... " + text.substr(text.size() - 35);
            if (text.size() <= 36) {
                TextOutA(dc, 4, y + 4, text.data(), int(text.size()));
                continue;
            }
            size_t used = 0;
            for (int x = 5; used < 36;) {
                const int bytes = used + 1 < text.size() && leadByte(text[used]) ? 2 : 1;
                TextOutA(dc, x, y + 4, text.data() + used, bytes);
                x += 5 * bytes;
                used += size_t(bytes);
            }
            if (used < text.size()) TextOutA(dc, 4, y + 16, text.data() + used, int(text.size() - used));
        }
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldFont);
        DeleteObject(white);
        DeleteObject(grey);
        DeleteObject(small);
    });
}

// Where the indicators show on the window (client pixels, to the client's bottom edge).
struct IndicatorPlace {
    int textX;    // where the text is drawn in the player's back surface, at y = 255
    int sourceX;  // the rectangle taken from there ...
    int windowX;  // ... and where it is put on the window, at y = 252
    int width;
};
constexpr IndicatorPlace kSpeedIndicator = {169, 169, 169, 23};
constexpr IndicatorPlace kKeyShiftIndicator = {134, 132, 134, 16};

// An indicator reading text, as the window shows it.
inline Pixels expectedIndicator(const IndicatorPlace& place, const std::string& text) {
    const Pixels back =
        drawnPicture(290, 268, [&](HDC dc) { TextOutA(dc, place.textX, 255, text.data(), int(text.size())); });
    return crop(back, place.sourceX, 252, place.width, 16);
}

// The pause box, 100 x 60 at 50, 90: a white box with a black outline and "BREAK".
inline Pixels expectedPauseBox() {
    const Pixels client = drawnPicture(290, 268, [](HDC dc) {
        Rectangle(dc, 50, 90, 150, 150);
        TextOutA(dc, 86, 115, "BREAK", 5);
    });
    return crop(client, 50, 90, 100, 60);
}

inline Pixels shownPauseBoxPlace(HWND window) { return captureClient(window, 50, 90, 100, 60); }

// Polls until the window's rectangle x, y, expected.width x expected.height shows expected.
// On failure both pictures are left as picturesBase-shown.bmp and -expected.bmp.
inline ::testing::AssertionResult windowShows(HWND window, int x, int y, const Pixels& expected,
                                              const std::string& picturesBase, DWORD timeoutMs = 10000) {
    Pixels shown;
    auto shows = [&] { return (shown = captureClient(window, x, y, expected.width, expected.height)) == expected; };
    if (waitUntil(timeoutMs, shows)) return ::testing::AssertionSuccess();
    saveBmp(picturesBase + "-shown.bmp", shown);
    saveBmp(picturesBase + "-expected.bmp", expected);
    return ::testing::AssertionFailure() << differingPixels(shown, expected) << " pixels differ at " << x << ","
                                         << y << "; rows with ink shown: " << inkedRows(shown)
                                         << "; expected: " << inkedRows(expected) << " (pictures: " << picturesBase
                                         << "-*.bmp)";
}

// The panel shows exactly the given messages (the last at the bottom).
inline ::testing::AssertionResult panelShows(HWND window, const std::vector<std::string>& messages,
                                             const std::string& picturesBase, DWORD timeoutMs = 10000) {
    return windowShows(window, 0, 0, expectedPanel(messages), picturesBase, timeoutMs);
}

// The panel's bottom lines: a picture of the given one-line messages as the last lines,
// to compare quickly and often with what the window shows, whatever stands above them.
class PanelBottom {
public:
    explicit PanelBottom(const std::vector<std::string>& lines)
        : top_(236 - 14 * (int(lines.size()) - 1)), expected_(crop(expectedPanel(lines), 0, top_, 210, 250 - top_)) {}
    bool shownOn(HWND window) const { return captureClient(window, 0, top_, 210, 250 - top_) == expected_; }

private:
    int top_;
    Pixels expected_;
};

// --- test material ---------------------------------------------------------------------

// A skin bitmap of width x 80 whose every pixel tells its frame, column and row apart, so a
// frame shown from the wrong place, shifted or upside down cannot pass for the right one.
inline uint32_t skinPixel(int x, int y) {
    const int k = x / 80, cx = x % 80;
    const uint32_t r = uint32_t(k * 9 + cx * 3) & 0xFF;
    const uint32_t g = uint32_t(y * 3 + k * 5 + 40) & 0xFF;
    const uint32_t b = uint32_t(cx ^ y ^ (k * 11)) & 0xFF;
    return (r << 16) | (g << 8) | b;
}

inline bool writeSkin(const std::string& path, int width = 2080, int height = 80) {
    Pixels a;
    a.width = width;
    a.height = height;
    a.p.resize(size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) a.p[size_t(y) * width + x] = skinPixel(x, y);
    return saveBmp(path, a);
}

// A song of about ms milliseconds: one note held that long at 120 beats per minute.
inline Bytes songOfMs(uint32_t ms) {
    Track t;
    t.tempo(0, 500000);
    t.ev(0, {0x90, 60, 1});
    t.ev(ms * 960 / 1000, {0x80, 60, 0});
    t.end(0);
    return buildSmf(480, {t});
}

inline std::string upperCase(std::string text) {
    CharUpperA(&text[0]);
    return text;
}

// history.txt holding the given entries, the oldest first.
inline bool writeHistory(const std::vector<std::string>& entries) {
    std::string text;
    for (const std::string& e : entries) text += e + "\r\n";
    return writeFile(settingsFile("history.txt"), text);
}

// Deletes folder and everything below it (small trees).
// (By the UTF-16 names, so names outside the code page go too.)
inline void removeTree(const std::wstring& folder) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) removeTree(folder + L"\\" + name);
            else DeleteFileW((folder + L"\\" + name).c_str());
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(folder.c_str());
}
inline void removeTree(const std::string& folder) { removeTree(wideOf(folder)); }

// The songs below folder, upper case, in the order a depth-first walk over the system's own
// enumeration meets them: a folder's contents stand where the folder stands among its
// siblings. That order is the file system's, so tests take it from here.
inline void songsBelow(const std::string& folder, std::vector<std::string>& songs) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*.*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = fd.cFileName;
        const std::string path = folder + "\\" + name;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (name != "." && name != "..") songsBelow(path, songs);
            continue;
        }
        const std::string upper = upperCase(path);
        auto endsWith = [&](const char* tail) {
            const size_t n = std::strlen(tail);
            return upper.size() >= n && upper.compare(upper.size() - n, n, tail) == 0;
        };
        if (endsWith("MID") || endsWith("MIDI") || endsWith("RMI")) songs.push_back(upper);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}

// Hex digits of bytes: how fake_mascot.exe takes a name.
inline std::string hexOf(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

inline std::string bytesOfHex(const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += char(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

// The common ground of the tests that run the player: the settings files are kept aside,
// and a working folder holds a copy of the program and a skin of the test's own at
// kivo\default.bmp, so every frame the window shows can be told apart. The copy runs with
// the working folder as its current directory. (It is a copy because Wine's LoadImageA
// looks for a relative path in the program's folder before the current directory, where
// the shipped skin lies.)
class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        built_ = programFolder() + "Orvanel.exe";
        if (!fileExists(built_)) GTEST_SKIP() << "Orvanel.exe is not built beside the tests: " << built_;
        keeper_ = std::make_unique<SettingsFilesKeeper>();
        work_ = tempFolder() + "orvanel_gui";
        CreateDirectoryA(work_.c_str(), nullptr);
        CreateDirectoryA((work_ + "\\kivo").c_str(), nullptr);
        exe_ = work_ + "\\Orvanel.exe";
        ASSERT_TRUE(CopyFileA(built_.c_str(), exe_.c_str(), FALSE)) << exe_;
        skin_ = work_ + "\\kivo\\default.bmp";
        ASSERT_TRUE(writeSkin(skin_)) << skin_;
    }
    void TearDown() override { keeper_.reset(); }

    // Starts the player in the working folder with the given command line.
    bool startPlayer(Process& p, const std::string& arguments = "", int showCommand = -1) {
        return p.start(exe_, arguments, work_, showCommand);
    }

    // An empty folder of that name in the working folder; its path.
    std::string freshFolder(const std::string& name) {
        const std::string folder = work_ + "\\" + name;
        removeTree(folder);
        EXPECT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
        return folder;
    }

    // Closes the player as its close box would; it must end with exit code 0.
    void closeCleanly(Process& p, HWND w) {
        DWORD code = 1, ms = 0;
        ASSERT_TRUE(closePlayer(p, w, code, ms));
        EXPECT_EQ(code, 0u);
    }

    std::vector<Pixels> skinFrames() const {
        std::vector<Pixels> frames;
        for (int k = 0; k < 26; ++k) frames.push_back(skinFrame(skin_, k));
        return frames;
    }

    std::string built_;  // the program as built
    std::string exe_;    // its copy in the working folder
    std::string work_;
    std::string skin_;
    std::unique_ptr<SettingsFilesKeeper> keeper_;
};

}  // namespace gui
