#include "cli/options.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "cli/exit_codes.h"
#include "cli/render_plan.h"
#include "platform/posix/device_table.h"

namespace {

bool parseInt(const char* text, long lo, long hi, long& out) {
    if (!text || !*text) return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (errno || *end || v < lo || v > hi) return false;
    out = v;
    return true;
}

bool parseChannels(const char* text, bool (&channels)[16]) {
    bool chosen[16] = {};
    const char* p = text;
    if (!*p) return false;
    while (*p) {
        char* end = nullptr;
        errno = 0;
        const long ch = std::strtol(p, &end, 10);
        if (end == p || errno || ch < 1 || ch > 16) return false;
        chosen[ch - 1] = true;
        p = end;
        if (*p == ',') {
            ++p;
            if (!*p) return false;
        } else if (*p) {
            return false;
        }
    }
    std::memcpy(channels, chosen, sizeof chosen);
    return true;
}

bool parseSeek(const char* text, SeekRequest& seek) {
    const char* colon = std::strchr(text, ':');
    if (!colon) return false;
    const std::string stepText(text, colon);
    long step = 0, percent = 0;
    // Seeks follow a step of live playback: the first possible one is after step 1.
    if (!parseInt(stepText.c_str(), 1, 0x7FFFFFFF, step)) return false;
    if (!parseInt(colon + 1, 0, 100, percent)) return false;
    seek.afterStep = static_cast<uint32_t>(step);
    seek.percent = static_cast<uint32_t>(percent);
    return true;
}

// A decimal number as written in any locale: [-+]digits[.digits], from lo to hi.
bool parseDecimal(const char* text, double lo, double hi, double& out) {
    const char* p = text;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    double value = 0, scale = 1;
    int digits = 0;
    for (; *p >= '0' && *p <= '9' && digits < 12; ++p, ++digits) value = value * 10 + (*p - '0');
    if (*p == '.')
        for (++p; *p >= '0' && *p <= '9' && digits < 12; ++p, ++digits) value += (*p - '0') * (scale /= 10);
    if (*p || !digits) return false;
    value = negative ? -value : value;
    if (value < lo || value > hi) return false;
    out = value;
    return true;
}

template <bool PlayOptions::*field>
bool clearField(const char*, PlayOptions& o) {
    o.*field = false;
    return true;
}

bool parseSpeed(const char* v, PlayOptions& o) {
    long speed = 0;
    if (!parseInt(v, 50, 200, speed) || (speed != 50 && speed != 100 && speed != 200)) return false;
    o.speedIndex = speed == 50 ? 0 : speed == 100 ? 1 : 2;
    return true;
}

bool parseSeed(const char* v, PlayOptions& o) {
    if (!*v || *v == '-') return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long seed = std::strtoull(v, &end, 10);
    if (errno || *end || seed > 0xFFFFFFFFull) return false;
    o.seed = static_cast<uint32_t>(seed);
    return true;
}

// "  LEFT" and the help beside it from column on, each further line of the help under the
// first.
void addEntry(std::string& text, const std::string& left, const char* help, size_t column) {
    std::string line = "  " + left;
    for (const char* part = help;;) {
        line.resize(std::max(line.size() + 1, column), ' ');
        const char* end = std::strchr(part, '\n');
        line.append(part, end ? size_t(end - part) : std::strlen(part));
        text += line + "\n";
        if (!end) break;
        part = end + 1;
        line.clear();
    }
}

template <int PlayOptions::*field, long lo, long hi>
bool intField(const char* v, PlayOptions& o) {
    long value = 0;
    if (!parseInt(v, lo, hi, value)) return false;
    o.*field = static_cast<int>(value);
    return true;
}

template <bool PlayOptions::*field>
bool switchField(const char*, PlayOptions& o) {
    o.*field = true;
    return true;
}

// Lines of the help past `width` columns, broken at spaces; the rest goes under the start
// of the line's text (after the name of a device or an option), or under its indent.
std::string fitWidth(const std::string& text, size_t width) {
    std::string out;
    size_t from = 0;
    for (size_t end; (end = text.find('\n', from)) != std::string::npos; from = end + 1) {
        std::string line = text.substr(from, end - from);
        const size_t lead = line.find_first_not_of(' ');
        const size_t gap = lead == std::string::npos ? std::string::npos : line.find("  ", lead);
        const size_t indent = gap != std::string::npos && gap < width / 2 ? line.find_first_not_of(' ', gap) : lead;
        while (line.size() > width) {
            const size_t cut = line.rfind(' ', width);
            if (cut == std::string::npos || cut <= indent) break;
            out += line.substr(0, cut) + "\n";
            line = std::string(indent, ' ') + line.substr(cut + 1);
        }
        out += line + "\n";
    }
    return out + text.substr(from);
}

}  // namespace

const std::vector<OptionRow>& optionRows() {
    static const std::vector<OptionRow> rows = {
        {"device", "NAME", "the output (devices below); default: an ALSA synth\n"
                           "port, else the embedded synth",
         [](const char* v, PlayOptions& o) {
             o.device = v;
             return *v != '\0';
         }},
        {"list", nullptr, "list the ALSA sequencer ports and exit", switchField<&PlayOptions::list>},
        {"fast", nullptr, "run the steps back to back on a virtual clock", switchField<&PlayOptions::fast>},
        {"timing", nullptr, "log device: add the microseconds since the loop began",
         switchField<&PlayOptions::timing>},
        {"steps", "N", "stop after N steps of 10 ms",
         [](const char* v, PlayOptions& o) {
             long steps = 0;
             if (!parseInt(v, 0, 0x7FFFFFFF, steps)) return false;
             o.maxSteps = steps;
             return true;
         }},
        {"seek", "STEP:PERCENT", "after that step, seek as the seek bar does (repeatable)",
         [](const char* v, PlayOptions& o) {
             SeekRequest seek{};
             if (!parseSeek(v, seek)) return false;
             o.seeks.push_back(seek);
             return true;
         }},
        {"speed", "50|100|200", "playback speed in percent", parseSpeed},
        {"key-shift", "N", "transpose by N semitones (-6..6)", intField<&PlayOptions::keyShift, -6, 6>},
        {"key-shift-channels", "1,2,...", "channels the key shift applies to (all but 10)",
         [](const char* v, PlayOptions& o) { return parseChannels(v, o.keyShiftChannels); }},
        {"bank-mode", "0..4", "0 as is, 1 drop bank selects, 2 convert by bank,\n3 MT-32 to GM, 4 CM-64 to GM",
         intField<&PlayOptions::bankMode, 0, 4>},
        {"reset-type", "0..3", "the reset message: 0 GS, 1 GM, 2 XG, 3 GM2", intField<&PlayOptions::resetType, 0, 3>},
        {"reset-at-start", nullptr, "send the reset message before each song", switchField<&PlayOptions::resetAtStart>},
        {"loop-mode", "0..3", "0 normal, 1 loop, 2 cc111loop, 3 bigloop (a folder\nor list starts over)",
         intField<&PlayOptions::loopMode, 0, 3>},
        {"shuffle", nullptr, "shuffle the songs (a folder's once the search has ended)",
         switchField<&PlayOptions::shuffle>},
        {"seed", "N", "seed of the shuffle (0..4294967295, default 1)", parseSeed},
        {"wait-search", nullptr, "start a folder only when the search has ended", switchField<&PlayOptions::waitSearch>},
        {"keep-list", nullptr, "after the last song go back to the first, paused", switchField<&PlayOptions::keepList>},
        {"full-path", nullptr, "print each song's path as it is taken", switchField<&PlayOptions::fullPath>},
        {"format", "FORMAT", "render: the format of the files written into DIR/: wav\n(default), flac, ogg, mp3, opus, aiff ...",
         [](const char* v, PlayOptions& o) {
             o.format = v;
             return *v != '\0';
         }},
        {"rate", "HZ", "render: sample rate, 8000..96000 (default 44100)", intField<&PlayOptions::rate, 8000, 96000>},
        {"loops", "N", "render: a looping song (--loop-mode 1, or 2 with a\nloop point) plays its loop N times in all (default 2)",
         intField<&PlayOptions::loops, 1, 1000>},
        {"fade", "SECONDS", "render: then fades out over that long, 0..3600, to the\nmillisecond (default 8)",
         [](const char* v, PlayOptions& o) {
             double seconds = 0;
             if (!parseDecimal(v, 0, 3600, seconds)) return false;
             o.fadeMs = uint32_t(seconds * 1000 + 0.5);
             return true;
         }},
        {"gain", "DB", "render: gain in decibels, -60..40, before the fade\n(default 0); the song's line counts clipped samples",
         [](const char* v, PlayOptions& o) { return parseDecimal(v, -60, 40, o.gainDb); }},
        {"sample-format", "s16|s24|f32", "render: the samples of WAV and FLAC files (default\ns16; f32 WAV only)",
         [](const char* v, PlayOptions& o) { return sampleFormatNamed(v, o.sampleFormat); }},
        {"no-reverb", nullptr, "render: the synth without its reverb", clearField<&PlayOptions::reverb>},
        {"no-chorus", nullptr, "render: the synth without its chorus", clearField<&PlayOptions::chorus>},
        {"soundfont", "FILE", "the SoundFont of renders and of the synth device\n(default: the first General MIDI one found)",
         [](const char* v, PlayOptions& o) {
             o.soundFont = v;
             return *v != '\0';
         }},
        {"force", nullptr, "render: write a song's file anew when it exists\n(else the song is skipped)",
         switchField<&PlayOptions::force>},
        {"quiet", nullptr, "failures only: no line per song, no status line (-q)",
         [](const char*, PlayOptions& o) { return o.verbosity = 0, true; }},
        {"verbose", nullptr, "also the window's texts: song texts, seeks, each\nstep of a run (-v)",
         [](const char*, PlayOptions& o) { return o.verbosity = 2, true; }},
        {"help", nullptr, "show this text and exit (also -h)", switchField<&PlayOptions::help>},
        {"version", nullptr, "show the version and exit (also -V)", switchField<&PlayOptions::version>},
    };
    return rows;
}

std::string usageText(const std::vector<DeviceRow>& devices) {
    std::string text =
        "usage: orvanel-play [options] FILE... | FOLDER\n"
        "  One file plays by itself, several one after the other; a folder plays every\n"
        "  song below it. In a terminal, ? lists the keys.\n"
        "  A FILE may be - (a song on standard input), a pipe, or a play list (.m3u,\n"
        "  .m3u8); a list's entries, and a folder among files, take its place.\n";
    for (const OptionRow& row : optionRows())
        addEntry(text, std::string("--") + row.name + (row.value ? std::string(" ") + row.value : ""), row.help, 24);
    text += "devices:\n";
    for (const DeviceRow& row : devices) text += std::string("  ") + row.description + "\n";
    text += "rendering (--device=wav:OUT or file:OUT):\n"
            "  OUT.wav, OUT.flac, OUT.mp3 ... takes every song; DIR/ gets one file per song,\n"
            "  named after its path below the folder given; wav:- writes to standard output\n"
            "  (the format of --format, WAV by default).\n  ";
    text += kRenderKeysText;
    text += "exit status:\n";
    for (const ExitCodeRow& row : kExitCodes) addEntry(text, std::to_string(row.code), row.meaning, 8);
    return fitWidth(text, 80);
}

bool parseOptions(int argc, char** argv, PlayOptions& o, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--") == 0) {
            for (++i; i < argc; ++i) o.files.push_back(argv[i]);
            break;
        }
        if (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "-V") == 0) {
            (arg[1] == 'h' ? o.help : o.version) = true;
            continue;
        }
        if (std::strcmp(arg, "-q") == 0 || std::strcmp(arg, "-v") == 0) {
            o.verbosity = arg[1] == 'q' ? 0 : 2;
            continue;
        }
        // "-" alone is a name; any other word that starts with a dash is an option.
        if (arg[0] != '-' || arg[1] == '\0') {
            o.files.push_back(arg);
            continue;
        }
        std::string name(arg[1] == '-' ? arg + 2 : "");
        const char* value = nullptr;
        const size_t eq = name.find('=');
        if (eq != std::string::npos) {
            value = arg + 2 + eq + 1;
            name.resize(eq);
        }
        const OptionRow* row = nullptr;
        for (const OptionRow& r : optionRows())
            if (name == r.name) row = &r;
        if (!row) {
            error = "unknown option '" + std::string(arg) + "'";
            return false;
        }
        if (row->value && !value && i + 1 < argc) value = argv[++i];
        // A switch takes no value; an option without one is as bad as a wrong one.
        if (row->value ? !value || !row->apply(value, o) : value || !row->apply(nullptr, o)) {
            error = "bad value for option '" + std::string(arg) + "'";
            return false;
        }
    }
    // A SoundFont is heard only through the embedded synth: named alone, it chooses it.
    if (!o.soundFont.empty() && !isRenderDevice(o.device)) {
        const std::string synth = "synth:" + o.soundFont;
        if (o.device.empty() || o.device == "synth") {
            o.device = synth;
        } else if (o.device != synth) {
            error = "--soundfont is for the synth device and renders, not --device=" + o.device;
            return false;
        }
    }
    if (!o.help && !o.version && !o.list && o.files.empty()) {
        error = "no song file given";
        return false;
    }
    return true;
}
