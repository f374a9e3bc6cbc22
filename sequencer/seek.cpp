// The seek as the seek bar performs it, without stalling playback: the silent replay to
// the new position runs on a copy of the song state, outside the step lock.
#include <cstdio>

#include "core/line_sink.h"
#include "sequencer/sequencer.h"

namespace {

void copySongState(const SongState& from, SongState& to) { to = from; }

Sequencer& replayOf(Sequencer& seq) {
    // Taken by initSequencer; here only for a sequencer that skipped it.
    if (!seq.seekReplay) seq.seekReplay.reset(new Sequencer);
    return *seq.seekReplay;
}

}  // namespace

bool beginSeek(Sequencer& seq) {
    Sequencer& replay = replayOf(seq);
    {
        std::lock_guard<std::mutex> hold(seq.stepLock);
        if (!seq.playing) return false;
        copySongState(seq, replay);
    }
    // The replay reads the same bytes and settings; it is silent, so it needs no port
    // and no panel.
    replay.songImage = seq.songImage;
    replay.songSteps = seq.songSteps;
    replay.settings = seq.settings;
    replay.panel = nullptr;
    return true;
}

void replaySeek(Sequencer& seq, uint32_t percent) {
    seekPercent(replayOf(seq), percent);
}

void finishSeek(Sequencer& seq) {
    Sequencer& replay = replayOf(seq);
    {
        std::lock_guard<std::mutex> hold(seq.stepLock);
        // A song that stopped meanwhile (its end, a command) stays stopped and silent.
        if (seq.playing) {
            seq.port.allNotesOff();
            // What the module holds now, after the steps played during the replay.
            snapshotChannels(seq.channels, seq.channelSnapshot);
            // The replay is the song at the position asked for: it replaces the state.
            copySongState(replay, seq);
            // Only cleared: a stop that came meanwhile must not be undone.
            if (!replay.playing) seq.playing = false;
            resendChannels(seq.channels, seq.channelSnapshot, seq.port, seq.lastMessage, seq.panel);
        }
    }
    replay.songImage.reset();
}

void seekSong(Sequencer& seq, uint32_t percent) {
    std::lock_guard<std::mutex> one(seq.seekLock);
    if (!seq.playing) return;
    char line[40];
    std::snprintf(line, sizeof line, "SET SeekBar= %u%%", percent);
    if (seq.panel) seq.panel->print(line);
    if (!beginSeek(seq)) return;
    replaySeek(seq, percent);
    finishSeek(seq);
}
