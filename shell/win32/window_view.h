#pragma once
// The main window as the portable commands see it (captions, title, message boxes,
// choosers, history menu), the list scroll bar as the list view sees it, and a dropped
// set of files over its HDROP.
#include <windows.h>

#include "display/list_view.h"
#include "platform/drops.h"
#include "platform/relaxed.h"
#include "shell/shell_view.h"

struct App;

class WindowShellView final : public ShellView {
public:
    explicit WindowShellView(App& a) : app_(a) {}
    void setCaption(Button button, const char* caption) override;
    void setTitle(const char* title) override;
    void messageBox(const char* text, bool owned) override;
    bool chooseFile(const FileDialogSpec& spec, char* path, size_t size) override;
    FolderChoice chooseFolder(char* out, size_t size) override;
    void showHistoryMenu(const History& history) override;
    void openDocument(const char* path) override;
    void closeWindow() override;
    void acceptDrops(bool accept) override;
    bool setCurrentFolder(const char* folder) override;
    void* loadSkinBitmap(const char* path) override;
    void installSkin(void* bitmap) override;
    void showSettingsDialog() override;
    void showAboutBox() override;

private:
    App& app_;
};

// The search thread changes the list scroll bar too: every change is posted to the
// window, so no thread ever waits for the user-interface thread. The range grows with
// every song found, tens of thousands of times: only the latest one is kept and at most
// one post of it waits in the queue, which could not hold them all.
class WindowListScrollBar final : public ListScrollBar {
public:
    explicit WindowListScrollBar(App& a) : app_(a) {}
    void setRange(int32_t maximum) override;
    void setPosition(int32_t position) override;
    void disable() override;
    void show(bool shown) override;
    // On the user-interface thread, for the posted range message: the latest range
    // (PostedValue::kNone when there is none).
    int32_t takeRange() { return range_.take(); }

private:
    App& app_;
    PostedValue range_;
};

class HdropSource final : public DropSource {
public:
    explicit HdropSource(HDROP drop) : drop_(drop) {}
    ~HdropSource() override { finish(); }
    uint32_t count() override;
    size_t path(uint32_t index, char* out, size_t size) override;
    void finish() override;

private:
    HDROP drop_;
};

// Handles the messages the views post; false for any other message.
bool handlePostedViewMessage(App& a, UINT message, WPARAM wParam, LPARAM lParam);
