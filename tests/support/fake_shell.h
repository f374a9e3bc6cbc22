#pragma once
// The program's records driven as the window drives them, with every collaborator faked:
// a view that records what the window would show and answers the choosers from a
// script, folders held in memory, a virtual clock for the commands' waits and a real
// one for the playback thread (so a long song keeps playing while the test looks).
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "shell/program.h"
#include "shell/shell_view.h"
#include "tests/support/capture.h"
#include "tests/support/fake_folders.h"
#include "tests/support/smf_builder.h"
#include "tests/support/virtual_clock.h"

class FakeView : public ShellView {
public:
    void setCaption(Button b, const char* text) override { captions[int(b)] = text; }
    void setTitle(const char* text) override { title = text; }
    void messageBox(const char* text, bool owned) override {
        boxes.push_back(text);
        boxesOwned.push_back(owned);
    }
    bool chooseFile(const FileDialogSpec& spec, char* path, size_t size) override;
    FolderChoice chooseFolder(char* out, size_t size) override;
    void showHistoryMenu(const History& history) override;
    void openDocument(const char* path) override { documents.push_back(path); }
    void closeWindow() override { ++closes; }
    void acceptDrops(bool accept) override { dropsAccepted = accept; }
    bool setCurrentFolder(const char* folder) override {
        currentFolder = folder;
        return true;
    }
    void* loadSkinBitmap(const char* path) override;
    void installSkin(void* bitmap) override { installedSkin = static_cast<const char*>(bitmap); }
    void showSettingsDialog() override { ++settingsDialogs; }
    void showAboutBox() override { ++aboutBoxes; }

    // captions of the buttons Open, Play, Close, Break, LoopMode, Autoplay.
    std::string caption(Button b) const { return captions[int(b)]; }
    // "play/autoplay/open/close" at a glance.
    std::string transport() const;

    std::string captions[6] = {"open", "play", "close", "break", "normal", "autoplay"};
    std::string title = "Orvanel";
    std::vector<std::string> boxes;
    std::vector<bool> boxesOwned;
    // Answers of the choosers in turn; an empty answer is a cancel. A folder answer with a
    // "?" stands for a folder whose name the code page cannot spell, as Windows gives it.
    std::deque<std::string> fileAnswers, folderAnswers;
    std::vector<std::string> fileDialogTitles, fileDialogFolders;
    std::vector<std::string> historyMenu;  // the items top to bottom
    std::vector<int> historyIds;
    std::vector<std::string> documents;
    int closes = 0;
    bool dropsAccepted = true;
    std::string currentFolder;
    std::vector<std::string> acceptedSkins;  // paths loadSkinBitmap accepts
    std::string installedSkin;
    int settingsDialogs = 0, aboutBoxes = 0;
};

// A dropped set of paths that counts how often it was answered, also after the program
// has let it go.
class TestDrop : public DropSource {
public:
    TestDrop(std::vector<std::string> paths, int& finishes) : inner_(std::move(paths)), finishes_(finishes) {}
    uint32_t count() override { return inner_.count(); }
    size_t path(uint32_t index, char* out, size_t size) override { return inner_.path(index, out, size); }
    void finish() override { ++finishes_; }

private:
    PathListDrop inner_;
    int& finishes_;
};

// The steady clock in milliseconds with real sleeps: the playback thread keeps its pace.
class RealtimeClock : public PlaybackPlatform {
public:
    uint32_t nowMs() override;
    void sleepUntil(uint32_t deadline) override;
    void raiseCurrentThread(bool) override {}
};

struct ShellFixture {
    ShellFixture();

    // A song file in the test's scratch folder; returns its path.
    std::string writeSong(const char* name, const Bytes& bytes);
    // A silent song of seconds, so it plays on while a test looks at it.
    static Bytes longSong(int seconds = 600);
    // A song that ends after a few steps.
    static Bytes shortSong();
    // Waits (really) until the playback thread has left and the folder search has ended;
    // false after 10 s.
    bool waitForSongEnd();
    // Runs the controller's tick until cond holds or n ticks have run, waiting for each
    // song to end in between; returns whether cond held.
    template <class Cond>
    bool tickUntil(Cond cond, int n = 100) {
        for (int i = 0; i < n && !cond(); ++i) {
            waitForSongEnd();
            tick();
        }
        return cond();
    }
    void tick();
    bool command(int id);

    FakeView view;
    CaptureDevice device;
    RecordingSink panel;
    VirtualClock clock{5000};
    RealtimeClock playbackClock;
#ifdef _WIN32
    FakeFolders folders{'\\', false};
#else
    FakeFolders folders{'/', true};
#endif
    // Last, so it goes first: its destructor stops the threads that use the fakes above.
    std::unique_ptr<Program> program;
};
