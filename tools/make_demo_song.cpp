// Writes the bundled demo song: a short two-track piece with a track name, a text
// event, a lyric, two tempos, a control change 111 loop point, program changes and notes.
#include <cstdio>

#include "tests/support/smf_builder.h"

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : "samples/demo.mid";
    const uint16_t division = 96;

    Track conductor;
    conductor.meta(0, 0x03, "Orvanel demo")  // track name
        .meta(0, 0x01, "\x83\x66\x83\x82\x8B\xC8 - demo song")  // "デモ曲" in Shift_JIS
        .tempo(0, 500000)                                       // 120 bpm
        .tempo(division * 8, 400000)                            // 150 bpm from bar 3
        .end(division * 8);

    // Melody on channel 1, bass on channel 2; the loop point sits at bar 2.
    Track music;
    music.ev(0, {0xC0, 0})      // piano
        .ev(0, {0xC1, 32})      // acoustic bass
        .ev(0, {0xB0, 7, 100})
        .meta(0, 0x05, "\x82\xE7\x82\xE7\x82\xE7");  // lyric "ららら"
    const uint8_t melody[] = {60, 64, 67, 72, 71, 67, 64, 62, 60, 62, 64, 65, 67, 69, 71, 72};
    const uint8_t bass[] = {36, 36, 43, 43, 41, 41, 43, 36};
    for (int i = 0; i < 16; ++i) {
        const uint8_t note = melody[i];
        if (i == 4) music.ev(0, {0xB0, 111, 0});  // loop start at bar 2 (never sent)
        if (i % 2 == 0) music.ev(0, {0x91, bass[i / 2], 90});
        music.ev(0, {0x90, note, 100}).ev(division, {0x80, note, 64});
        if (i % 2 == 1) music.ev(0, {0x81, bass[i / 2], 64});
    }
    music.end(0);

    const Bytes smf = buildSmf(division, {conductor, music});
    if (!writeBytes(path, smf)) {
        std::fprintf(stderr, "make_demo_song: cannot write %s\n", path);
        return 1;
    }
    return 0;
}
