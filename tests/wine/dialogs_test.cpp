// The settings dialog and the About box of the real Orvanel.exe under Wine: opened by their
// command and keys, read and clicked from outside, closed by Esc and the close box, and
// what the settings files hold afterwards.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/wine/gui_driver.h"

namespace {

using namespace gui;

HWND waitForDialog(const Process& p) {
    HWND d = nullptr;
    waitUntil(kStartTimeoutMs, [&] { return (d = dialogOf(p.id())) != nullptr; });
    return d;
}

bool waitGone(HWND dialog) { return waitUntil(kExitTimeoutMs, [&] { return !IsWindow(dialog); }); }

bool isChecked(HWND dialog, int id) {
    DWORD_PTR state = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0, SMTO_NORMAL, 5000, &state);
    return state == BST_CHECKED;
}

// A click as the user makes it: the button's own handling (auto check, radio group) runs.
void click(HWND dialog, int id) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, id), BM_CLICK, 0, 0, SMTO_NORMAL, 5000, &ignored);
}

// "設定" and "ﾊﾞｰｼﾞｮﾝ情報" in Shift_JIS.
const char kSettingsTitle[] = "\x90\xDD\x92\xE8";
const char kAboutTitle[] = "\xCA\xDE\xB0\xBC\xDE\xAE\xDD\x8F\xEE\x95\xF1";

class Dialogs : public PlayerTest {
protected:
    HWND startWithSwitches(Process& p, const std::string& switches) {
        if (!switches.empty()) writeFile(settingsFile("switch.txt"), switches);
        if (!startPlayer(p)) return nullptr;
        return waitForPlayerWindow(p);
    }
    HWND openSettings(Process& p, HWND w) {
        PostMessageA(w, WM_COMMAND, 8, 0);
        HWND d = waitForDialog(p);
        if (d) {
            EXPECT_EQ(windowText(d), kSettingsTitle);
        }
        return d;
    }
    std::string switchesAfterClose(Process& p, HWND w) {
        DWORD code = 1, ms = 0;
        EXPECT_TRUE(closePlayer(p, w, code, ms));
        EXPECT_EQ(code, 0u);
        std::string bytes;
        readFile(settingsFile("switch.txt"), bytes);
        return printable(bytes);
    }
};

TEST_F(Dialogs, SettingsOpenWithTheSwitchesAndEscAndTheCloseBoxApply) {
    Process p;
    // Not waiting for the search, keep the list, reset at play start, XG.
    HWND w = startWithSwitches(p, "babaabc");
    ASSERT_NE(w, nullptr);
    HWND d = openSettings(p, w);
    ASSERT_NE(d, nullptr);
    struct Shown { int id; bool checked, enabled; };
    const Shown shown[] = {{1009, true, true},  {1010, false, true},  {1011, true, true},   {1012, false, true},
                           {1029, true, true},  {1020, true, true},   {1024, true, true},   {1043, false, true},
                           {1034, true, true},  {1013, false, false}, {1023, false, true}, {1055, false, false}};
    for (const Shown& s : shown) {
        EXPECT_EQ(isChecked(d, s.id), s.checked) << s.id;
        EXPECT_EQ(bool(IsWindowEnabled(GetDlgItem(d, s.id))), s.enabled) << s.id;
    }
    click(d, 1010);  // shuffle after the search: the first song must then wait for it
    click(d, 1019);  // GM clears XG, not the bank group's button
    click(d, 1057);
    EXPECT_FALSE(isChecked(d, 1020));
    EXPECT_TRUE(isChecked(d, 1024));
    PostMessageA(d, WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(waitGone(d)) << "Esc did not close the dialog";

    d = openSettings(p, w);
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(isChecked(d, 1009));
    EXPECT_TRUE(isChecked(d, 1010));
    EXPECT_TRUE(isChecked(d, 1019));
    EXPECT_TRUE(isChecked(d, 1057));
    click(d, 1029);
    PostMessageA(d, WM_CLOSE, 0, 0);
    ASSERT_TRUE(waitGone(d)) << "the close box did not close the dialog";

    // wait, shuffle, keep, no bar, no drops, no reset at start, GM, filter, the filler.
    EXPECT_EQ(switchesAfterClose(p, w), "abbaaabbaaaaa");
}

TEST_F(Dialogs, TheSettingsDialogHasEveryControlInItsPlace) {
    Process p;
    HWND w = startWithSwitches(p, "");
    ASSERT_NE(w, nullptr);
    HWND d = openSettings(p, w);
    ASSERT_NE(d, nullptr);

    // The dialog's units in pixels, from its client area of 309 x 260 units.
    RECT client;
    ASSERT_TRUE(GetClientRect(d, &client));
    int bx = 0, by = 0;
    for (int x = 1; x < 64 && !bx; ++x) if (MulDiv(309, x, 4) == client.right) bx = x;
    for (int y = 1; y < 64 && !by; ++y) if (MulDiv(260, y, 8) == client.bottom) by = y;
    ASSERT_TRUE(bx && by) << "client area " << client.right << " x " << client.bottom;

    enum Kind { Group, Check, Radio, FirstRadio, Push, DefaultPush };
    struct Row { Kind kind; int id; const char* text; int x, y, w, h; };
    std::vector<Row> rows = {
        {Group, -1, "autoplay\x8A\xD6\x8C\x57", 5, 5, 125, 100},  // autoplay関係
        // 検索終了を待たずに演奏を開始, 検索終了後にシャッフル, 全曲終了後リストを保持, 演奏中の曲をバーが追随
        {Check, 1009, "\x8C\x9F\x8D\xF5\x8F\x49\x97\xB9\x82\xF0\x91\xD2\x82\xBD\x82\xB8\x82\xC9\x89\x89\x91\x74\x82\xF0\x8A\x4A\x8E\x6E", 10, 20, 105, 10},
        {Check, 1010, "\x8C\x9F\x8D\xF5\x8F\x49\x97\xB9\x8C\xE3\x82\xC9\x83\x56\x83\x83\x83\x62\x83\x74\x83\x8B", 10, 35, 95, 10},
        {Check, 1011, "\x91\x53\x8B\xC8\x8F\x49\x97\xB9\x8C\xE3\x83\x8A\x83\x58\x83\x67\x82\xF0\x95\xDB\x8E\x9D", 10, 50, 100, 10},
        {Check, 1012, "\x89\x89\x91\x74\x92\x86\x82\xCC\x8B\xC8\x82\xF0\x83\x6F\x81\x5B\x82\xAA\x92\xC7\x90\x8F", 10, 65, 85, 10},
        {Push, 1013, "\x8D\xA1\x82\xB7\x82\xAE\x83\x56\x83\x83\x83\x62\x83\x74\x83\x8B", 10, 80, 55, 15},  // 今すぐシャッフル
        {Group, -1, "\x89\x89\x91\x74", 5, 110, 125, 90},  // 演奏
        // そのまま演奏, CC0,CC32を完全遮断, CC0=126,127の配列を変換, MT-32の音色をGMに変換, CM-64の音色をGMに変換
        {FirstRadio, 1024, "\x82\xBB\x82\xCC\x82\xDC\x82\xDC\x89\x89\x91\x74", 10, 125, 95, 8},
        {Radio, 1025, "CC0,CC32\x82\xF0\x8A\xAE\x91\x53\x8E\xD5\x92\x66", 10, 140, 95, 8},
        {Radio, 1026, "CC0=126,127\x82\xCC\x94\x7A\x97\xF1\x82\xF0\x95\xCF\x8A\xB7", 10, 155, 100, 8},
        {Radio, 1027, "MT-32\x82\xCC\x89\xB9\x90\x46\x82\xF0GM\x82\xC9\x95\xCF\x8A\xB7", 10, 170, 100, 8},
        {Radio, 1028, "CM-64\x82\xCC\x89\xB9\x90\x46\x82\xF0GM\x82\xC9\x95\xCF\x8A\xB7", 10, 185, 100, 8},
        {Group, -1, "\x82\xBB\x82\xCC\x91\xBC", 5, 205, 125, 25},  // その他
        // ドラッグしたファイルも経歴に入れる
        {Check, 1014, "\x83\x68\x83\x89\x83\x62\x83\x4F\x82\xB5\x82\xBD\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xE0\x8C\x6F\x97\xF0\x82\xC9\x93\xFC\x82\xEA\x82\xE9", 10, 215, 115, 10},
        {Group, -1, "\x89\xB9\x8C\xB9\x83\x8A\x83\x5A\x83\x62\x83\x67\x82\xCC\x8E\xED\x97\xDE", 136, 5, 99, 125},  // 音源リセットの種類
        {FirstRadio, 1018, "GS", 145, 20, 35, 10}, {Radio, 1019, "GM", 145, 35, 35, 10},
        {Radio, 1020, "XG", 145, 50, 35, 10},      {Radio, 1021, "GM2", 145, 65, 35, 10},
        {Push, 1023, "\x8D\xA1\x82\xB7\x82\xAE\x91\x97\x8F\x6F", 145, 80, 65, 14},  // 今すぐ送出
        {Check, 1029, "\x89\x89\x91\x74\x8A\x4A\x8E\x6E\x8E\x9E\x82\xC9\x91\x97\x8F\x6F", 145, 100, 65, 10},  // 演奏開始時に送出
        {Check, 1030, "SysEx\x96\xB3\x8E\x8B", 145, 115, 65, 8},  // SysEx無視
        {Group, -1, "\x83\x4C\x81\x5B\x83\x56\x83\x74\x83\x67\x93\x4B\x97\x70" "ch", 135, 135, 105, 95},  // キーシフト適用ch
        {Group, -1, "\x8B\xC8\x8F\xEE\x95\xF1\x82\xCC\x95\x5C\x8E\xA6", 240, 5, 65, 125},  // 曲情報の表示
        {Check, 1056, "\x83\x74\x83\x8B\x83\x70\x83\x58", 245, 20, 50, 10},  // フルパス
        {Check, 1050, "01:\x83\x52\x83\x81\x83\x93\x83\x67", 245, 35, 50, 10},  // 01:コメント
        {Check, 1051, "02:\x92\x98\x8D\xEC\x8C\xA0", 245, 51, 50, 10},  // 02:著作権
        {Check, 1052, "03:\x8B\xC8\x96\xBC", 245, 65, 50, 10},  // 03:曲名
        {Check, 1053, "05:\x89\xCC\x8E\x8C", 245, 80, 50, 10},  // 05:歌詞
        {Check, 1054, "\x8B\x4B\x8A\x69\x8A\x4F\x82\xCC\x8F\xEE\x95\xF1", 245, 95, 55, 10},  // 規格外の情報
        {Check, 1055, "SysEx", 245, 111, 50, 10},
        {Group, -1, "DirectSSTP", 245, 135, 60, 35},
        {Check, 1057, "Orva", 250, 150, 50, 10},
        {DefaultPush, 1, "OK", 5, 240, 55, 14},
    };
    static const char* const kChannels[] = {"1", "2",  "3",  "4",  "5",  "6",  "7",  "8",
                                            "9", "10", "11", "12", "13", "14", "15", "16"};
    const int columns[] = {140, 165, 190, 215}, lines[] = {150, 166, 180, 195};
    for (int ch = 0; ch < 16; ++ch)
        rows.push_back({Check, 1034 + ch, kChannels[ch], columns[ch % 4], lines[ch / 4], ch < 9 ? 15 : 20, 10});

    const std::vector<Control> controls = childControls(d);
    EXPECT_EQ(controls.size(), rows.size());
    for (const Row& r : rows) {
        const Control* c = nullptr;
        for (const Control& k : controls)
            if (r.id >= 0 ? k.id == r.id : k.text == r.text) c = &k;
        ASSERT_NE(c, nullptr) << "control " << r.id << " \"" << printable(r.text) << "\" is missing";
        const std::string what = std::to_string(r.id) + " " + printable(r.text);
        EXPECT_EQ(_stricmp(c->className.c_str(), "Button"), 0) << what;
        EXPECT_EQ(printable(c->text), printable(r.text)) << what;
        const int left = MulDiv(r.x, bx, 4), top = MulDiv(r.y, by, 8);
        const RECT expected = {left, top, left + MulDiv(r.w, bx, 4), top + MulDiv(r.h, by, 8)};
        EXPECT_TRUE(EqualRect(&c->rect, &expected)) << what << ": at " << c->rect.left << "," << c->rect.top << " to "
                                                    << c->rect.right << "," << c->rect.bottom;
        const LONG style = GetWindowLongA(c->hwnd, GWL_STYLE);
        const LONG types[] = {BS_GROUPBOX, BS_AUTOCHECKBOX, BS_AUTORADIOBUTTON, BS_AUTORADIOBUTTON, BS_PUSHBUTTON,
                              BS_DEFPUSHBUTTON};
        EXPECT_EQ(style & BS_TYPEMASK, types[r.kind]) << what;
        // Radio buttons are no tab stops, except that the system makes the checked one of
        // a group its stop.
        const bool radio = r.kind == Radio || r.kind == FirstRadio;
        const bool tabStop = radio ? isChecked(d, r.id) : r.kind != Group;
        EXPECT_EQ(bool(style & WS_TABSTOP), tabStop) << what;
        if (radio) {
            EXPECT_EQ(bool(style & WS_GROUP), r.kind == FirstRadio) << what;
        }
    }
    PostMessageA(d, WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(waitGone(d));
    // Nothing changed: the first run's defaults.
    EXPECT_EQ(switchesAfterClose(p, w), "aabbbaa");
}

TEST_F(Dialogs, TheAboutBoxOpensOnQuestionMarkAndSlashAndChangesNothing) {
    Process p;
    HWND w = startWithSwitches(p, "");
    ASSERT_NE(w, nullptr);
    for (char key : {'?', '/'}) {
        // Typed characters reach the window's accelerators through the message loop.
        PostMessageA(w, WM_CHAR, key, 1);
        HWND d = waitForDialog(p);
        ASSERT_NE(d, nullptr) << "no About box on " << key;
        EXPECT_EQ(windowText(d), kAboutTitle);
        EXPECT_EQ(windowText(GetDlgItem(d, 1000)), "Orvanel Version 1.6b");
        HWND ok = GetDlgItem(d, IDOK);
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(GetWindowLongA(ok, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
        bool icon = false;
        for (const Control& c : childControls(d))
            icon = icon || (_stricmp(c.className.c_str(), "Static") == 0 &&
                            (GetWindowLongA(c.hwnd, GWL_STYLE) & SS_TYPEMASK) == SS_ICON);
        EXPECT_TRUE(icon) << "no icon";
        if (key == '?')
            click(d, IDOK);
        else
            PostMessageA(d, WM_KEYDOWN, VK_ESCAPE, 0);
        ASSERT_TRUE(waitGone(d)) << "the About box opened on " << key << " did not close";
    }
    EXPECT_EQ(switchesAfterClose(p, w), "aabbbaa");
    // The version resource carries the version the About box shows.
    DWORD ignored = 0;
    std::vector<char> info(GetFileVersionInfoSizeA(exe_.c_str(), &ignored));
    char* version = nullptr;
    UINT length = 0;
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoA(exe_.c_str(), 0, DWORD(info.size()), info.data()));
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\StringFileInfo\\041104b0\\ProductVersion",
                               reinterpret_cast<void**>(&version), &length));
    EXPECT_EQ("Orvanel Version " + std::string(version), "Orvanel Version 1.6b");
}

}  // namespace
