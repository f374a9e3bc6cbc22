#include "midi/interpreter.h"

#include <cstdio>
#include <cstring>

#include "core/line_sink.h"
#include "core/settings.h"
#include "midi/filters.h"
#include "sequencer/schedule.h"
#include "sequencer/sequencer.h"

namespace {

// The bytes of a track the reader may use: its body, clamped to the song image (a
// cursor left half set by a failed load can point anywhere).
struct TrackBytes {
    const uint8_t* body;
    int32_t length;
};

TrackBytes trackBytes(const Sequencer& seq, const TrackCursor& cur) {
    if (!seq.songImage || cur.trackStart < 0 || cur.trackStart > kSongImageSize ||
        cur.trackLength <= 0)
        return {nullptr, 0};
    const int32_t room = kSongImageSize - cur.trackStart;
    return {seq.songImage->bytes + cur.trackStart, cur.trackLength < room ? cur.trackLength : room};
}

}  // namespace

bool decodeVarLen(const uint8_t* p, const uint8_t* end, uint32_t& value) {
    uint32_t v = 0;
    for (int n = 0; n < kMaxVarLenBytes && p < end; ++n) {
        const uint8_t b = *p++;
        v = (v << 7) | (b & 0x7Fu);
        if (!(b & 0x80)) {
            value = v;
            return true;
        }
    }
    return false;
}

void appendBytes(char* line, size_t capacity, const uint8_t* source, size_t count) {
    const size_t used = std::strlen(line);
    const size_t room = capacity - 1 - used;
    const size_t n = count < room ? count : room;
    std::memcpy(line + used, source, n);
    line[used + n] = '\0';
}

int64_t nextDueTick(const Sequencer& seq, const TrackCursor& cur) {
    // The same tests, in the same order, as the interpreter's on entry and at the head of its loop.
    const TrackBytes tb = trackBytes(seq, cur);
    if (cur.position >= tb.length || cur.position < 0) return kDueNow;
    uint32_t delta = 0;
    // A delta time that runs into the end ends the track once eventTick has passed.
    if (!decodeVarLen(tb.body + cur.position, tb.body + tb.length, delta)) return cur.eventTick;
    return cur.eventTick + delta;
}

namespace {

constexpr size_t kLineSize = 512;

void endTrack(Sequencer& seq, TrackCursor& cur, uint8_t how) {
    cur.trackActive = how;
    --seq.activeTracks;
}

// Data bytes of a system message: song position 2, time code and song select 1.
int32_t systemDataBytes(uint8_t status) {
    switch (status) {
    case 0xF1: case 0xF3: return 1;
    case 0xF2: return 2;
    default: return 0;
    }
}

void print(Sequencer& seq, const char* line) {
    if (seq.panel) seq.panel->print(line);
}

// Copies the track's cursor into the loop point, unless it is there since the last
// capture already.
void saveForLoopPoint(Sequencer& seq, int32_t t) {
    LoopPoint& lp = seq.loopPoint;
    if (lp.saved[t] == lp.generation) return;
    const TrackCursor& cur = seq.tracks[t];
    lp.tracks[t].position = cur.position;
    lp.tracks[t].eventTick = cur.eventTick;
    lp.tracks[t].trackActive = cur.trackActive;
    lp.tracks[t].trackStart = cur.trackStart;
    lp.saved[t] = lp.generation;
}

// A new capture: every track is now as captured. The capturing track moves on at once
// and is saved now; the others are saved before the interpreter next moves them.
void captureLoopPoint(Sequencer& seq, int32_t track, bool live) {
    LoopPoint& lp = seq.loopPoint;
    if (++lp.generation == 0) {
        std::memset(lp.saved, 0, sizeof lp.saved);
        lp.generation = 1;
    }
    saveForLoopPoint(seq, track);
    lp.activeTracks = seq.activeTracks;
    lp.elapsedSteps = seq.elapsedSteps;
    lp.bpm = seq.bpm;
    lp.tick = seq.tick;
    seq.loopFound = true;
    if (live) {
        char line[48];
        std::snprintf(line, sizeof line, "found : cc111 - %d ms", lp.elapsedSteps * 10);
        print(seq, line);
    }
}

// The channel messages, made for each kind of step like the interpreter that calls them:
// the silent run's are a few stores, inlined.
template <bool live>
void channelMessage2(Sequencer& seq, int32_t track, uint8_t status, uint8_t d1, uint8_t d2) {
    const Settings& settings = *seq.settings;
    if ((status & 0xE0) == 0x80) d1 = shiftKey(settings, status, d1);  // only notes shift
    seq.lastMessage = status | (uint32_t(d1) << 8) | (uint32_t(d2) << 16);
    const uint8_t kind = status & 0xF0;
    ChannelState& ch = seq.channels[status & 0x0F];
    if (kind == 0xB0) {
        ch.controllers[d1] = d2;
        if (d1 == 111) {
            captureLoopPoint(seq, track, live);
            return;
        }
    } else if (kind == 0xE0) {
        ch.bendLsb = d1;
        ch.bendMsb = d2;
    }
    if (!live) return;
    if (bankFilterPasses(settings.bankMode, seq.lastMessage)) {
        seq.port.sendShort(seq.lastMessage);
    } else {
        char line[40];
        std::snprintf(line, sizeof line, "cancel MIDI msg %08X", seq.lastMessage);
        print(seq, line);
    }
}

template <bool live>
void channelMessage1(Sequencer& seq, uint8_t status, uint8_t d1) {
    if ((status & 0xF0) == 0xC0) {
        ChannelState& ch = seq.channels[status & 0x0F];
        const uint8_t bankMode = seq.settings->bankMode;
        // Only the conversion modes rewrite programs.
        if (bankMode >= 2 && bankMode <= 4) {
            const char* line = nullptr;
            d1 = convertProgram(bankMode, status & 0x0F, d1, ch.controllers[0], &line);
            if (line && live) print(seq, line);
        }
        ch.program = d1;
    }
    seq.lastMessage = status | (uint32_t(d1) << 8);
    if (live) seq.port.sendShort(seq.lastMessage);
}

bool textShown(const Settings& s, uint8_t type) {
    switch (type) {
    case 0x01: return s.showText;
    case 0x02: return s.showRightsNotice;
    case 0x05: return s.showLyric;
    default: return false;
    }
}

// decodeVarLen with the delta times of one and two bytes, nearly all of a song's, read
// in place: the interpreter reads one before every event.
inline bool deltaTime(const uint8_t* p, const uint8_t* end, uint32_t& value) {
    if (end - p >= 2) {
        if (p[0] < 0x80) {
            value = p[0];
            return true;
        }
        if (p[1] < 0x80) {
            value = (uint32_t(p[0] & 0x7F) << 7) | p[1];
            return true;
        }
    }
    return decodeVarLen(p, end, value);
}

// Reads a length-prefixed block at pos: on success pos is past the length and the len
// bytes from pos lie inside the track.
bool readBlock(const uint8_t* body, int32_t length, int32_t& pos, uint32_t& len) {
    if (!decodeVarLen(body + pos, body + length, len)) return false;
    pos += varLenSize(len);
    return pos <= length && uint32_t(length - pos) >= len;
}

// Prints a song text: the first len bytes, cut at 511, or up to a zero byte when
// stopAtZero (a track name is copied whole and so stops there when printed).
void printText(Sequencer& seq, const uint8_t* data, uint32_t len, bool stopAtZero) {
    char line[kLineSize] = "";
    size_t n = len;
    if (stopAtZero) {
        const void* zero = std::memchr(data, 0, len);
        if (zero) n = static_cast<const uint8_t*>(zero) - data;
    }
    appendBytes(line, sizeof line, data, n);
    print(seq, line);
}

// What interpret tells of the track's next due tick when it has not read it.
constexpr int64_t kDueUnknown = INT64_MIN + 1;

// How the interpreter reads: for a live step, for a silent one (seek), or for the survey
// of a whole track that the length of the song is worked out from.
enum class Pass { Live, Silent, Survey };

// Acts on the track's events due before tickNow. Returns the tick its next event falls
// due at when it read it on the way (as nextDueTick would give it), else kDueUnknown.
// Made for each pass: the silent one carries none of the live step's work in its loop,
// and the survey reads the events as the others do but only notes the tempo changes and
// where the track ends. The cursor's position and tick are kept in registers and written
// back before anything that reads the cursor.
template <Pass pass>
int64_t interpret(Sequencer& seq, int64_t tickNow, int32_t track, LineSink* tempo, SongSurvey* survey) {
    constexpr bool live = pass == Pass::Live;
    constexpr bool surveying = pass == Pass::Survey;
    TrackCursor& cur = seq.tracks[track];
    if (!surveying && seq.loopFound) saveForLoopPoint(seq, track);
    if (cur.trackActive != 1) return kDueUnknown;
    const TrackBytes tb = trackBytes(seq, cur);
    const uint8_t* const body = tb.body;
    const int32_t length = tb.length;
    // Bytes left from at; every read below checks against it first.
    auto left = [length](int32_t at) { return at < length ? length - at : 0; };
    int32_t at = cur.position;
    int64_t eventTick = cur.eventTick;
    // The track's data ends inside an event: the track ends there, as if at its end.
    auto ranOut = [&](int32_t where) {
        cur.position = where;
        endTrack(seq, cur, 2);
        if (surveying) survey->trackEnd = eventTick;
        return kDueUnknown;
    };

    if (at >= length || at < 0) {
        ranOut(at);
        // Nothing to read: the schedule takes the track in the first step (kDueNow), so a
        // survey notes it as ending there, whatever the tick.
        if (surveying) survey->trackEnd = kDueNow;
        return kDueUnknown;
    }
    if (eventTick >= tickNow) return kDueUnknown;
    // Each turn starts at an event inside the track whose predecessor fell due before
    // tickNow; nothing the events call moves the cursor.
    for (;;) {
        uint32_t delta = 0;
        if (!deltaTime(body + at, body + length, delta)) return ranOut(at);
        if (eventTick + delta >= tickNow) return eventTick + delta;  // the delta stays unread till then
        eventTick += delta;
        cur.eventTick = eventTick;
        if (live) seq.port.setStepPlace(stepPlace(seq, eventTick));
        int32_t pos = at + varLenSize(delta);
        if (left(pos) < 1) return ranOut(pos);

        uint8_t status = body[pos];
        if (status < 0x80) {
            status = cur.runningStatus;
            if (status < 0x80 || status >= 0xF0) {
                // A data byte with no status to run on: pass over it.
                pos += 1;
                goto next;
            }
        } else {
            ++pos;
            if (status < 0xF0) cur.runningStatus = status;
        }

        if (status < 0xF0) {
            const bool oneByte = (status & 0xE0) == 0xC0;
            if (left(pos) < (oneByte ? 1 : 2)) return ranOut(pos);
            const uint8_t d1 = body[pos] & 0x7F;
            if (oneByte) {
                pos += 1;
                cur.position = pos;
                if (!surveying) channelMessage1<live>(seq, status, d1);
            } else {
                const uint8_t d2 = body[pos + 1] & 0x7F;
                pos += 2;
                cur.position = pos;
                if (!surveying) channelMessage2<live>(seq, track, status, d1, d2);
            }
        } else if (status == 0xF0 || status == 0xF7) {
            uint32_t len = 0;
            if (!readBlock(body, length, pos, len)) return ranOut(pos);
            // F7 escapes are skipped by their length. A message that does not fit the
            // buffer is passed over unsent rather than sent cut.
            if (status == 0xF0 && live && len <= sizeof seq.sysexBuffer - 2) {
                seq.sysexBuffer[0] = 0xF0;
                seq.sysexBuffer[1] = 0;
                appendBytes(reinterpret_cast<char*>(seq.sysexBuffer), sizeof seq.sysexBuffer,
                            body + pos, len);
                seq.port.sendLong(seq.sysexBuffer, len + 1);
            }
            pos += static_cast<int32_t>(len);
        } else if (status != 0xFF) {
            // Other system bytes have no place in a song file. Each is passed over with
            // the data bytes it has on the wire, and nothing is sent. (Stopping at the
            // byte would read it again as the start of a delta time.)
            for (int32_t n = systemDataBytes(status); n > 0 && left(pos) > 0 && body[pos] < 0x80; --n)
                ++pos;
        } else {
            // Meta event.
            if (left(pos) < 1) return ranOut(pos);
            const uint8_t type = body[pos++];
            if (type == 0x2F) {
                if (surveying) survey->trackEnd = eventTick;
                cur.position = pos + 1;
                cur.eventTick = kEndedTick;
                endTrack(seq, cur, 0);
                return kDueUnknown;
            }
            if (type == 0x51) {
                if (left(pos) < 4) return ranOut(pos);
                const uint32_t len = body[pos];
                const uint32_t t = (uint32_t(body[pos + 1]) << 16) | (uint32_t(body[pos + 2]) << 8) |
                                   body[pos + 3];
                pos += 1 + static_cast<int32_t>(len);
                // A zero tempo cannot be divided by: the current one is kept.
                const int32_t bpm = t != 0 ? static_cast<int32_t>(60000000u / t) : 0;
                if (bpm && surveying) {
                    const int32_t order = static_cast<int32_t>(survey->changes.size());
                    survey->changes.push_back({eventTick, bpm, order});
                } else if (bpm) {
                    seq.bpm = bpm;
                    recomputeIncrement(seq);
                    if (live && tempo) {
                        char text[24];
                        std::snprintf(text, sizeof text, "tempo %d", seq.bpm.load());
                        tempo->print(text);
                    }
                }
            } else {
                uint32_t len = 0;
                if (!readBlock(body, length, pos, len)) return ranOut(pos);
                const uint8_t* data = body + pos;
                pos += static_cast<int32_t>(len);
                if (surveying) {
                    // Texts take no time.
                } else if (type == 0x03) {
                    if (!seq.titleTaken) {
                        seq.titleTaken = true;
                        if (live && seq.settings->showTrackName) printText(seq, data, len, false);
                    }
                } else if (type == 0x01 || type == 0x02 || type == 0x05) {
                    if (live && textShown(*seq.settings, type)) printText(seq, data, len, true);
                }
            }
        }
    next:
        at = pos;
        cur.position = at;
        if (at >= length || at < 0) return ranOut(at);
    }
}

template <Pass pass>
void interpretAll(Sequencer& seq, int64_t tickNow, const DueTracks& due, LineSink* tempo) {
    for (int32_t i = 0; i < due.count; ++i) {
        const int32_t t = due.tracks[i];
        int64_t next = interpret<pass>(seq, tickNow, t, tempo, nullptr);
        const TrackCursor& cur = seq.tracks[t];
        if (cur.trackActive != 1) continue;
        if (next == kDueUnknown) next = nextDueTick(seq, cur);
        scheduleEntry(seq.schedule, {next, t});
    }
}

}  // namespace

void interpretDueTracks(Sequencer& seq, int64_t tickNow, const DueTracks& due, LineSink* tempo, bool live) {
    if (live)
        interpretAll<Pass::Live>(seq, tickNow, due, tempo);
    else
        interpretAll<Pass::Silent>(seq, tickNow, due, tempo);
}

void surveyTracks(Sequencer& seq, SongSurvey& survey) {
    survey.changes.clear();
    survey.lastEnd = kDueNow;
    for (int32_t t = 0; t < seq.trackCount; ++t) {
        survey.trackEnd = kDueNow;
        interpret<Pass::Survey>(seq, kEndedTick, t, nullptr, &survey);
        if (survey.trackEnd > survey.lastEnd) survey.lastEnd = survey.trackEnd;
    }
}
