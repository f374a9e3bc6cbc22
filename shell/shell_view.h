#pragma once
// What the window commands change on the screen and ask of the user: captions, the
// title, message boxes, the choosers, the history menu, the dialogs. The Win32 window
// implements it; tests record the calls; the terminal player prints what matters.
#include <cstddef>

struct History;

enum class Button { Open, Play, Close, Break, LoopMode, Autoplay };

// What came of the folder browser. A refused folder would be searched in vain: a path cut
// to fit names another folder, and one whose name the code page cannot spell (with no
// short form that it can) holds a "?", which no folder's path holds.
enum class FolderChoice { Taken, TooLong, Unspellable };

// The system's open-file dialog, as the song and skin choosers fill it in.
struct FileDialogSpec {
    const char* title;
    // Pairs of description and pattern, each zero-terminated, the list ended by an
    // extra zero byte; the first pair is selected.
    const char* filter;
    size_t filterSize;          // bytes of filter, the final zero included
    const char* initialFolder;
    const char* defaultExtension;
    char* fileTitle;            // receives the chosen file's title; may be null
    size_t fileTitleSize;
};

class ShellView {
public:
    virtual ~ShellView() = default;
    virtual void setCaption(Button button, const char* caption) = 0;
    virtual void setTitle(const char* title) = 0;
    // A message box captioned with the product name; over the main window when owned,
    // with no owner window otherwise. Returns when the user has closed it.
    virtual void messageBox(const char* text, bool owned) = 0;
    // The file must exist; the read-only box is hidden. path holds the offered name and
    // receives the choice (size bytes). False when the user cancelled (or the choice does
    // not fit size bytes): path unchanged.
    virtual bool chooseFile(const FileDialogSpec& spec, char* path, size_t size) = 0;
    // The folder browser (file-system folders only). Taken with out holding the folder, or
    // empty on a cancel; a refused folder leaves out empty.
    virtual FolderChoice chooseFolder(char* out, size_t size) = 0;
    // The history items after the first menu's separator: one per non-empty slot, id
    // 5963 + slot, the newest on top.
    virtual void showHistoryMenu(const History& history) = 0;
    // Opens a document with the shell's "open" verb; failures are ignored.
    virtual void openDocument(const char* path) = 0;
    // Destroys the main window: the program then shuts down.
    virtual void closeWindow() = 0;
    virtual void acceptDrops(bool accept) = 0;
    // Makes folder the current directory; false when it cannot.
    virtual bool setCurrentFolder(const char* folder) = 0;
    // A skin bitmap of exactly 2080 x 80 pixels, or null. installSkin puts one into the
    // skin surface (the one it replaces is released).
    virtual void* loadSkinBitmap(const char* path) = 0;
    virtual void installSkin(void* bitmap) = 0;
    // The modal dialogs.
    virtual void showSettingsDialog() = 0;
    virtual void showAboutBox() = 0;
};
