#pragma once
// Songs built by rule rather than by hand: the two large songs the benchmarks measure and
// random songs from a seed, hostile ones among them, for the recorded log outputs and
// the tests that compare two ways of playing the same song.
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/smf_builder.h"

// 255 tracks, ten minutes at 120 bpm (division 480), controller events spread evenly,
// as many as fill the song image to within a few bytes of 1 MiB. Each track starts a
// little later than the one before, so the events of different tracks fall in different
// steps, as in real songs.
inline Bytes bigSong() {
    const uint32_t ticks = 480 * 2 * 60 * 10;
    std::vector<Track> tracks(255);
    tracks[0].tempo(0, 500000);
    const size_t perTrack = (1048576 - 255 * 8) / 255;
    for (uint32_t i = 0; i < 255; ++i) {
        Track& t = tracks[i];
        const uint8_t ch = static_cast<uint8_t>(i % 16);
        const uint32_t gap = ticks / static_cast<uint32_t>(perTrack / 5);
        uint32_t at = gap * i / 255;
        t.ev(at, {static_cast<uint8_t>(0xB0 | ch), 11, 0});
        for (uint32_t e = 1; t.bytes.size() + 5 + 4 <= perTrack && at + gap < ticks; ++e, at += gap)
            t.ev(gap, {static_cast<uint8_t>(0xB0 | ch), 11, static_cast<uint8_t>(e & 0x7F)});
        t.end(ticks - at);
    }
    return buildSmf(480, tracks);
}

// The most work a song of at most 1 MiB can ask for: 255 tracks with an event in every
// step, one tick a step (division 48 at 125 bpm), two bytes an event (delta time and a
// program change by running status, which the conversion looks at).
inline Bytes worstSong() {
    std::vector<Track> tracks(255);
    const size_t perTrack = 1048576 / 255 - 8;
    for (int i = 0; i < 255; ++i) {
        Track& t = tracks[i];
        if (i == 0) t.tempo(0, 480000);
        const uint8_t ch = static_cast<uint8_t>(i % 16);
        t.ev(0, {static_cast<uint8_t>(0xC0 | ch), 0});
        for (uint32_t e = 1; t.bytes.size() + 2 + 4 <= perTrack; ++e) t.ev(1, {static_cast<uint8_t>(e & 0x7F)});
        t.end(1);
    }
    return buildSmf(48, tracks);
}

// A minute of ordinary music for the renderers: eight channels (piano, bass, strings,
// brass, flute, guitar, organ and drums) at 120 bpm, chords and runs, a few controllers.
inline Bytes renderSong() {
    const uint16_t division = 96;
    const uint32_t bars = 30;  // 4/4 at 120 bpm: two seconds a bar
    Track conductor;
    conductor.tempo(0, 500000).end(bars * 4 * division);
    std::vector<Track> tracks = {conductor};
    static const uint8_t programs[8] = {0, 33, 48, 61, 73, 25, 19, 0};
    static const uint8_t roots[4] = {48, 53, 55, 50};  // C F G D
    for (uint8_t part = 0; part < 8; ++part) {
        const uint8_t ch = part == 7 ? 9 : part;
        Track t;
        t.ev(0, {static_cast<uint8_t>(0xC0 | ch), programs[part]})
            .ev(0, {static_cast<uint8_t>(0xB0 | ch), 7, 100})
            .ev(0, {static_cast<uint8_t>(0xB0 | ch), 10, static_cast<uint8_t>(16 + part * 12)});
        // Notes as (start tick within the bar, length, key); one bar's worth, by part.
        uint32_t at = 0;
        for (uint32_t bar = 0; bar < bars; ++bar) {
            const uint8_t root = roots[bar % 4];
            const uint32_t barStart = bar * 4 * division;
            const uint32_t step = part == 0 || part == 7 ? division / 2 : part == 4 ? division / 4 : division * 2;
            for (uint32_t pos = 0; pos < 4 * division; pos += step) {
                uint8_t key;
                if (part == 7) key = (pos / step) % 2 ? 38 : 36;
                else if (part == 1) key = static_cast<uint8_t>(root - 12);
                else key = static_cast<uint8_t>(root + 12 + ((pos / step) * (part + 2)) % 12);
                const uint32_t start = barStart + pos;
                const uint32_t length = step - step / 8;
                t.ev(start - at, {static_cast<uint8_t>(0x90 | ch), key, static_cast<uint8_t>(70 + part * 5)});
                if (part == 2 || part == 6)  // a chord: the third and the fifth as well
                    t.ev(0, {static_cast<uint8_t>(key + 4), 70}).ev(0, {static_cast<uint8_t>(key + 7), 70});
                t.ev(length, {static_cast<uint8_t>(0x80 | ch), key, 0});
                if (part == 2 || part == 6) t.ev(0, {static_cast<uint8_t>(key + 4), 0}).ev(0, {static_cast<uint8_t>(key + 7), 0});
                at = start + length;
            }
        }
        t.end(bars * 4 * division - at);
        tracks.push_back(t);
    }
    return buildSmf(division, tracks);
}

// A small deterministic generator (splitmix64), the same on every platform.
class SongRandom {
public:
    explicit SongRandom(uint64_t seed) : state_(seed) {}
    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 .. n-1
    uint32_t below(uint32_t n) { return n ? static_cast<uint32_t>(next() % n) : 0; }
    bool chance(uint32_t percent) { return below(100) < percent; }
    uint8_t byte7() { return static_cast<uint8_t>(below(128)); }

private:
    uint64_t state_;
};

namespace song_shapes_detail {

inline uint32_t randomDelta(SongRandom& r, uint32_t division) {
    const uint32_t roll = r.below(100);
    if (roll < 50) return 0;
    if (roll < 90) return 1 + r.below(division / 16 + 1);
    if (roll < 99) return r.below(division / 2 + 2);
    return r.below(division * 8 + 2);  // a long idle stretch
}

inline void randomEvent(SongRandom& r, Track& t, uint32_t division, bool hostile, uint8_t& lastStatus) {
    const uint32_t delta = randomDelta(r, division);
    const uint32_t kind = r.below(100);
    const uint8_t ch = static_cast<uint8_t>(r.chance(70) ? r.below(4) : r.below(16));
    auto channel2 = [&](uint8_t status, uint8_t d1, uint8_t d2) {
        // Running status when the status repeats, most of the time.
        if (status == lastStatus && r.chance(80))
            t.ev(delta, {d1, d2});
        else
            t.ev(delta, {status, d1, d2});
        lastStatus = status;
    };
    if (kind < 30) {
        channel2(static_cast<uint8_t>((r.chance(60) ? 0x90 : 0x80) | ch), r.byte7(), r.byte7());
    } else if (kind < 50) {
        static const uint8_t controllers[] = {0, 32, 7, 10, 11, 64, 91, 93, 6, 38, 98, 99, 100, 101, 121, 123, 111};
        const uint8_t c = r.chance(85) ? controllers[r.below(sizeof controllers)] : r.byte7();
        channel2(static_cast<uint8_t>(0xB0 | ch), c, r.byte7());
    } else if (kind < 56) {
        channel2(static_cast<uint8_t>(0xE0 | ch), r.byte7(), r.byte7());
    } else if (kind < 58) {
        channel2(static_cast<uint8_t>(0xA0 | ch), r.byte7(), r.byte7());
    } else if (kind < 64) {
        const uint8_t status = static_cast<uint8_t>((r.chance(75) ? 0xC0 : 0xD0) | ch);
        if (status == lastStatus && r.chance(70))
            t.ev(delta, {r.byte7()});
        else
            t.ev(delta, {status, r.byte7()});
        lastStatus = status;
    } else if (kind < 70) {
        Bytes data;
        const uint32_t n = r.chance(5) ? 1000 + r.below(100) : r.below(12);
        for (uint32_t i = 0; i < n; ++i) data.push_back(r.byte7());
        if (!r.chance(10)) data.push_back(0xF7);
        if (r.chance(15)) {
            putVarLen(t.bytes, delta);  // an F7 escape
            t.bytes.push_back(0xF7);
            putVarLen(t.bytes, static_cast<uint32_t>(data.size()));
            t.bytes.insert(t.bytes.end(), data.begin(), data.end());
        } else {
            t.sysex(delta, data);
        }
    } else if (kind < 80) {
        static const uint8_t types[] = {0x01, 0x02, 0x03, 0x05, 0x06, 0x21, 0x7F};
        std::string text;
        const uint32_t n = r.chance(3) ? 600 : r.below(20);
        for (uint32_t i = 0; i < n; ++i) text.push_back(static_cast<char>(r.chance(5) ? 0 : 0x41 + r.below(26)));
        t.meta(delta, types[r.below(sizeof types)], text);
    } else if (kind < 87) {
        const uint32_t roll = r.below(100);
        const uint32_t tempo = roll < 3 ? 0 : roll < 6 ? 1 + r.below(2000) : roll < 10 ? 1000000 + r.below(4000000)
                                                                                  : 200000 + r.below(600000);
        if (!hostile || r.chance(90)) {
            t.tempo(delta, tempo);
        } else {
            putVarLen(t.bytes, delta);  // a tempo event of an odd length
            t.bytes.insert(t.bytes.end(), {0xFF, 0x51, static_cast<uint8_t>(r.below(6))});
            putBe(t.bytes, tempo, 3);
        }
    } else if (kind < 91 && hostile) {
        // A data byte where a status belongs.
        t.ev(delta, {r.byte7(), r.byte7()});
    } else if (kind < 93 && hostile && r.chance(5)) {
        // A system byte the player does not play: it stops the track for the step, and
        // the next delta time is read from it (a long one).
        static const uint8_t system[] = {0xF1, 0xF2, 0xF3, 0xF4, 0xF6, 0xF8, 0xFA, 0xFE};
        t.ev(delta, {system[r.below(sizeof system)], r.byte7()});
    } else if (kind < 94 && hostile) {
        // A delta time written with more bytes than it needs.
        t.bytes.insert(t.bytes.end(), {0x80, 0x80, 0x80, static_cast<uint8_t>(r.below(2) ? 0x81 : 0x80), 0x01});
        t.bytes.insert(t.bytes.end(), {static_cast<uint8_t>(0x90 | ch), r.byte7(), r.byte7()});
        lastStatus = static_cast<uint8_t>(0x90 | ch);
    } else {
        channel2(static_cast<uint8_t>(0x90 | ch), r.byte7(), 0);
    }
}

inline void randomEnding(SongRandom& r, Track& t, bool hostile) {
    const uint32_t roll = hostile ? r.below(100) : r.below(72);
    if (roll < 70) {
        t.end(r.below(8));
    } else if (roll < 78) {
        // No end of track: the data just stops.
    } else if (roll < 86) {
        t.ev(1, {0x90, 60, 100});  // cut inside an event
        t.bytes.resize(t.bytes.size() - 1 - r.below(2));
    } else if (roll < 92) {
        t.bytes.insert(t.bytes.end(), {0x81, 0x80});  // a delta time that never ends
    } else {
        t.end(0);  // bytes after the end of track
        t.ev(0, {0x90, 61, 1}).ev(0, {0xB0, 111, 0});
    }
}

}  // namespace song_shapes_detail

// A song of 1 to 255 tracks whose shape follows from the seed: running status, System
// Exclusive (some too long for the buffer, some without F7), F7 escapes, text, tempo
// changes (0 and extreme ones among them), loop points, data bytes without a status,
// unplayed system bytes, over-long delta times and tracks that end badly. Some are
// wrapped as RMID or after a 128-byte prefix. Lengths stay at a few thousand events.
inline Bytes randomSong(uint64_t seed) {
    using namespace song_shapes_detail;
    SongRandom r(seed * 0x2545F4914F6CDD1Dull + 1);
    static const uint16_t divisions[] = {0,   1,   24,  24,  48,  48,  48,  96,  96,  96,  96,  120, 120,
                                         384, 384, 480, 480, 480, 480, 480, 960, 960, 960, 3840, 0xE728};
    const uint16_t division = divisions[r.below(sizeof divisions / sizeof divisions[0])];
    // Some songs are only unusual, the others hostile too: bytes that throw the reader
    // off its events, which makes the rest of the track noise.
    const bool hostile = r.chance(40);
    const uint32_t shape = r.below(10);
    const uint32_t trackCount = shape < 6 ? 1 + r.below(6) : shape < 9 ? 8 + r.below(40) : 100 + r.below(156);
    // Events in the whole song, about; fewer at coarse divisions, where a tick is long.
    const uint32_t budget = (500 + r.below(3000)) / (division < 48 ? 8 : 1);
    std::vector<Track> tracks(trackCount);
    uint8_t lastStatus = 0;
    for (uint32_t i = 0; i < trackCount; ++i) {
        Track& t = tracks[i];
        lastStatus = r.chance(10) ? lastStatus : 0;
        if (i == 0 && r.chance(80)) t.tempo(0, 300000 + r.below(700000));
        if (r.chance(5)) continue;  // an empty track (no bytes at all)
        const uint32_t events = r.below(2 * budget / trackCount + 2);
        for (uint32_t e = 0; e < events; ++e) randomEvent(r, t, division ? division : 1, hostile, lastStatus);
        randomEnding(r, t, hostile);
    }
    const Bytes smf = buildSmf(division, tracks);
    const uint32_t wrap = r.below(20);
    if (wrap == 0) return wrapRmid(smf);
    if (wrap == 1) {
        Bytes prefixed(128, 0x5A);
        prefixed.insert(prefixed.end(), smf.begin(), smf.end());
        return prefixed;
    }
    return smf;
}
