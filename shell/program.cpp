#include "shell/program.h"

#include <cstdio>

#include "core/line_sink.h"
#include "shell/shell_view.h"

Program::Program() : seq(new Sequencer) {}

Program::~Program() {
    // The threads go first: they use everything below.
    stopFolderSearch(search);
    stopPlayback(playback);
}

void wireProgram(Program& p) {
    Sequencer& seq = *p.seq;
    seq.settings = &p.settings;
    seq.panel = p.panel;

    p.playback.seq = &seq;
    p.playback.settings = &p.settings;
    p.playback.flags = &p.flags;
    p.playback.platform = p.clock;
    p.playback.tempoReadout = &p.tempoReadout;

    p.listView.surfaces = &p.surfaces;
    p.listView.list = &p.playList;
    p.listView.flags = &p.flags;

    p.search.list = &p.playList;
    p.search.flags = &p.flags;
    p.search.settings = &p.settings;
    p.search.randomSeed = &p.randomSeed;
    p.search.view = &p.listView;
    p.search.folders = p.folders;
}

void waitMs(Program& p, uint32_t ms) {
    if (p.clock) p.clock->sleepUntil(p.clock->nowMs() + ms);
}

void printLine(Program& p, const char* text) {
    if (p.panel) p.panel->print(text);
}

void runAnimationStep(Program& p) {
    const Sequencer& seq = *p.seq;
    // The frame depends only on the tick modulo two quarter notes, which fits the field
    // whatever the song's 64-bit tick.
    const int32_t division = seq.division;
    const int64_t span = 2 * int64_t(division);
    const int32_t tick = span > 0 ? static_cast<int32_t>(seq.tick.load() % span) : 0;
    stepAnimation(p.animation, p.surfaces,
                  AnimationInput{seq.playing, seq.songLoaded, seq.bpm, tick, division},
                  p.flags.skinReloading);
}

void showSongTitle(Program& p, const char* path) {
    std::snprintf(p.textLine, sizeof p.textLine, "%s[%s]", p.productName, path);
    if (p.view) p.view->setTitle(p.textLine);
}

void showIdleTitle(Program& p) {
    if (p.view) p.view->setTitle(p.productName);
}
