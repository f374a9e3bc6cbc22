#pragma once
// Note starts in rendered audio: a song of isolated woodblock notes whose times fall
// anywhere within the 10 ms steps, the start of each note found in a 16-bit WAV file, and
// how far the starts stray from the song's times once the constant delay of the
// instrument's attack is taken off. For the render tests and the onset benchmark.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/smf_builder.h"

struct OnsetSong {
    Bytes smf;
    std::vector<double> times;  // seconds: when each note is due
};

// 6000 ticks a second (division 6000 at 60 bpm), 60 a step; every 250 ms a 50 ms note, at
// a tick that moves through all places of a step. A note is due when the clock has passed
// its tick, so at tick + 1.
inline OnsetSong offGridSong(int notes = 24) {
    OnsetSong song;
    Track t;
    t.tempo(0, 1000000).ev(0, {0xC0, 115}).ev(0, {0xB0, 91, 0}).ev(0, {0xB0, 93, 0});
    uint32_t at = 0;
    for (int k = 0; k < notes; ++k) {
        const uint32_t tick = 600 + 1500 * uint32_t(k) + uint32_t(k * 37 % 60);
        t.ev(tick - at, {0x90, 76, 127}).ev(300, {0x80, 76, 0});
        at = tick + 300;
        song.times.push_back((tick + 1) / 6000.0);
    }
    t.end(600);
    song.smf = buildSmf(6000, {t});
    return song;
}

struct Audio {
    uint32_t rate = 0;
    uint32_t channels = 0;
    std::vector<int16_t> samples;  // interleaved
};

// A 16-bit PCM WAV file, whatever chunks it holds besides "fmt " and "data".
inline bool readWav(const std::string& path, Audio& audio) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::vector<uint8_t> b;
    uint8_t chunk[65536];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) b.insert(b.end(), chunk, chunk + n);
    std::fclose(f);
    auto le = [&](size_t at, int bytes) {
        uint32_t v = 0;
        for (int i = bytes - 1; i >= 0; --i) v = v << 8 | b[at + size_t(i)];
        return v;
    };
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(b.data() + 8, "WAVE", 4) != 0)
        return false;
    bool haveFormat = false;
    for (size_t at = 12; at + 8 <= b.size();) {
        const uint32_t size = le(at + 4, 4);
        const size_t body = at + 8, end = std::min(b.size(), body + size);
        if (std::memcmp(b.data() + at, "fmt ", 4) == 0 && size >= 16) {
            audio.channels = le(body + 2, 2);
            audio.rate = le(body + 4, 4);
            haveFormat = le(body + 14, 2) == 16 && audio.channels > 0;
        } else if (std::memcmp(b.data() + at, "data", 4) == 0 && haveFormat) {
            for (size_t i = body; i + 1 < end; i += 2) audio.samples.push_back(int16_t(le(i, 2)));
            return true;
        }
        at = body + size + (size & 1);
    }
    return false;
}

// For each time a note is due, the time (s) its sound first passes a tenth of the
// loudest sample; NAN when it does not. The output may lag the song by any constant (a
// live device's start and latency): the first note is taken from the first sound, the
// others are looked for from 5 ms before to 60 ms after their time at that lag.
inline std::vector<double> findOnsets(const Audio& a, const std::vector<double>& due) {
    int loudest = 0;
    for (int16_t s : a.samples) loudest = std::max(loudest, std::abs(int(s)));
    const int level = loudest / 10;
    const size_t frames = a.channels ? a.samples.size() / a.channels : 0;
    auto loudFrom = [&](size_t from, size_t to) {
        for (size_t i = from; i < to && i < frames; ++i)
            for (uint32_t c = 0; c < a.channels; ++c)
                if (std::abs(int(a.samples[i * a.channels + c])) > level) return double(i) / a.rate;
        return double(NAN);
    };
    std::vector<double> found;
    if (due.empty() || loudest == 0) return found;
    const double lag = loudFrom(0, frames) - due[0];
    for (double t : due) {
        const double at = t + lag;
        found.push_back(loudFrom(size_t(std::max(0.0, (at - 0.005) * a.rate)), size_t((at + 0.060) * a.rate)));
    }
    return found;
}

// The largest minus the smallest of (found - due), in seconds; NAN when a note was not
// found. A constant delay (the attack, a latency) does not count.
inline double onsetSpread(const std::vector<double>& found, const std::vector<double>& due) {
    double low = INFINITY, high = -INFINITY;
    for (size_t i = 0; i < found.size() && i < due.size(); ++i) {
        if (std::isnan(found[i])) return NAN;
        low = std::min(low, found[i] - due[i]);
        high = std::max(high, found[i] - due[i]);
    }
    return found.empty() ? NAN : high - low;
}
