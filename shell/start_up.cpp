#include "shell/start_up.h"

#include <cstring>

#include "shell/program.h"
#include "shell/shell_view.h"

bool takeCommandLine(const char* commandLine, char* songPath, size_t size) {
    if (size == 0) return false;
    songPath[0] = '\0';
    if (!commandLine || !*commandLine) return false;
    size_t length = std::strlen(commandLine);
    const char* start = commandLine;
    if (length >= 2 && start[0] == '"' && start[length - 1] == '"') {
        ++start;
        length -= 2;
    }
    if (length >= size) return true;  // present, but no path of ours
    std::memcpy(songPath, start, length);
    songPath[length] = '\0';
    return true;
}

void startCommandLineSong(Program& p) {
    if (!p.flags.cmdLineFile || !p.songPath[0]) return;
    Sequencer& seq = *p.seq;
    if (!loadWholeSong(seq, p.songPath)) return;
    startPlayback(p.playback);
    if (p.view) {
        p.view->setCaption(Button::Play, "stop");
        p.view->setCaption(Button::Autoplay, " ");
    }
    showSongTitle(p, p.songPath);
}

void stopEverything(Program& p) {
    stopPlayback(p.playback);  // clears playing and waits for the thread to leave
    unloadSong(*p.seq);
    p.seq->port.close(p.settings.resetType, p.seq->channels);
    stopFolderSearch(p.search);  // the walk stops between entries; the thread is joined
    walkerClose(p.search.walker);
    if (p.drop.source) p.drop.source->finish();
    p.drop.source.reset();
}
