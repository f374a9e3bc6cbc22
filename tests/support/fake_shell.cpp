#include "tests/support/fake_shell.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "platform/files.h"
#include "shell/autoplay_controller.h"
#include "shell/commands.h"

bool FakeView::chooseFile(const FileDialogSpec& spec, char* path, size_t size) {
    fileDialogTitles.push_back(spec.title);
    fileDialogFolders.push_back(spec.initialFolder ? spec.initialFolder : "");
    if (fileAnswers.empty()) return false;
    const std::string answer = fileAnswers.front();
    fileAnswers.pop_front();
    if (answer.empty() || answer.size() >= size) return false;
    std::memcpy(path, answer.c_str(), answer.size() + 1);
    return true;
}

FolderChoice FakeView::chooseFolder(char* out, size_t size) {
    if (folderAnswers.empty() || size == 0) return FolderChoice::Taken;
    const std::string answer = folderAnswers.front();
    folderAnswers.pop_front();
    if (answer.size() >= size) return FolderChoice::TooLong;
    if (answer.find('?') != std::string::npos) return FolderChoice::Unspellable;
    std::memcpy(out, answer.c_str(), answer.size() + 1);
    return FolderChoice::Taken;
}

void FakeView::showHistoryMenu(const History& history) {
    // Each item goes in on top of the ones before, as the window's menu does.
    historyMenu.clear();
    historyIds.clear();
    for (int k = 0; k < History::kSlots; ++k) {
        if (history.slots[k][0] == '\0') continue;
        historyMenu.insert(historyMenu.begin(), history.slots[k]);
        historyIds.insert(historyIds.begin(), 5963 + k);
    }
}

void* FakeView::loadSkinBitmap(const char* path) {
    for (const std::string& s : acceptedSkins)
        if (s == path) return const_cast<char*>(s.c_str());
    return nullptr;
}

std::string FakeView::transport() const {
    return caption(Button::Play) + "/" + caption(Button::Autoplay) + "/" + caption(Button::Open) + "/" +
           caption(Button::Close);
}

uint32_t RealtimeClock::nowMs() {
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void RealtimeClock::sleepUntil(uint32_t deadline) {
    const int32_t ahead = static_cast<int32_t>(deadline - nowMs());
    if (ahead > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ahead));
}

ShellFixture::ShellFixture() : program(new Program) {
    Program& p = *program;
    p.view = &view;
    p.panel = &panel;
    p.files = &platformFileSystem();
    p.folders = &folders;
    p.clock = &clock;
    wireProgram(p);
    p.playback.platform = &playbackClock;
    p.seq->port.attach(&device);
    initSequencer(*p.seq);
    p.seq->port.open();
}

std::string ShellFixture::writeSong(const char* name, const Bytes& bytes) {
    const std::string path = scratchPath(name);
    writeBytes(path, bytes);
    return path;
}

Bytes ShellFixture::longSong(int seconds) {
    // Silent: the playback thread sends nothing while the test reads what was sent.
    Track t;
    t.tempo(0, 500000);  // 120 bpm at division 100: 20 ticks a step
    t.end(static_cast<uint32_t>(seconds) * 2000);
    return buildSmf(100, {t});
}

Bytes ShellFixture::shortSong() {
    Track t;
    t.ev(0, {0x90, 64, 100});
    t.ev(2, {0x80, 64, 0});
    t.end(0);
    return buildSmf(48, {t});
}

bool ShellFixture::waitForSongEnd() {
    const ControlFlags& f = program->flags;
    for (int i = 0; i < 2000 && (f.playbackThreadRunning || f.searchRunning); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return !f.playbackThreadRunning && !f.searchRunning;
}

void ShellFixture::tick() { autoplayTick(*program); }

bool ShellFixture::command(int id) { return runCommand(*program, id); }
