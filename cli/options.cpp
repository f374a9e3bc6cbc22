#include "cli/options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

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

}  // namespace

const char* usageText() {
    return "usage: orvanel-play [options] FILE... | FOLDER\n"
           "  A folder plays every song below it; several files play one after the other.\n"
           "  --device=NAME       log | alsa[:CLIENT:PORT] | synth[:SOUNDFONT] | wav:FILE | wav:DIR/\n"
           "  --list              list the ALSA sequencer ports and exit\n"
           "  --fast              run the steps back to back on a virtual clock\n"
           "  --timing            log device: add microseconds since the loop began\n"
           "  --steps N           stop after N steps\n"
           "  --speed 50|100|200  playback speed in percent\n"
           "  --key-shift N       transpose by N semitones (-6..6)\n"
           "  --key-shift-channels 1,2,...  channels the key shift applies to\n"
           "  --bank-mode 0..4    0 as is, 1 drop bank selects, 2 convert by bank,\n"
           "                      3 MT-32 to GM, 4 CM-64 to GM\n"
           "  --reset-type 0..3   GS, GM, XG, GM2\n"
           "  --reset-at-start    send the reset message before the song\n"
           "  --loop-mode 0..3    normal, loop, cc111loop, bigloop\n"
           "  --seek STEP:PERCENT after that step, seek as the seek bar does (repeatable)\n"
           "  --shuffle           shuffle a folder's songs once the search has ended\n"
           "  --seed N            seed of the shuffle (0..4294967295)\n"
           "  --wait-search       start a folder only when the search has ended\n"
           "  --keep-list         after the last song go back to the first, paused\n"
           "  --full-path         print each song's path as it is taken\n"
           "  --help              show this text\n"
           "Rendering (--device=wav:FILE or wav:DIR/; file: is the same):\n"
           "  FILE.wav, FILE.flac, FILE.ogg take every song; DIR/ gets one file per song,\n"
           "  named after its path below the folder given\n"
           "  --format wav|flac|ogg  the format of the files in DIR/ (default wav)\n"
           "  --rate HZ           sample rate, 8000..96000 (default 44100)\n"
           "  --loops N           a looping song (--loop-mode 1, or 2 with a loop point)\n"
           "                      plays its loop N times in all (default 2), then\n"
           "  --fade SECONDS      fades out over that many seconds (default 8)\n"
           "  --force             write a song's file anew when it exists (else it is kept)\n"
           "  keys: q or Ctrl-C stops the render and removes the file in progress\n";
}

bool parseOptions(int argc, char** argv, PlayOptions& o, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strncmp(arg, "--", 2) != 0 || arg[2] == '\0') {
            if (std::strcmp(arg, "--") == 0) {
                for (++i; i < argc; ++i) o.files.push_back(argv[i]);
                break;
            }
            o.files.push_back(arg);
            continue;
        }
        std::string name(arg + 2);
        const char* value = nullptr;
        const size_t eq = name.find('=');
        if (eq != std::string::npos) {
            value = arg + 2 + eq + 1;
            name.resize(eq);
        }
        auto flag = [&](bool& target) {
            if (value) return false;
            target = true;
            return true;
        };
        auto needValue = [&]() -> const char* {
            if (value) return value;
            if (i + 1 < argc) return argv[++i];
            return nullptr;
        };
        auto intOption = [&](long lo, long hi, int& target) {
            long v = 0;
            if (!parseInt(needValue(), lo, hi, v)) return false;
            target = static_cast<int>(v);
            return true;
        };
        bool ok = true;
        if (name == "help") ok = flag(o.help);
        else if (name == "fast") ok = flag(o.fast);
        else if (name == "timing") ok = flag(o.timing);
        else if (name == "list") ok = flag(o.list);
        else if (name == "reset-at-start") ok = flag(o.resetAtStart);
        else if (name == "shuffle") ok = flag(o.shuffle);
        else if (name == "wait-search") ok = flag(o.waitSearch);
        else if (name == "keep-list") ok = flag(o.keepList);
        else if (name == "full-path") ok = flag(o.fullPath);
        else if (name == "force") ok = flag(o.force);
        else if (name == "loops") ok = intOption(1, 1000, o.loops);
        else if (name == "fade") ok = intOption(0, 3600, o.fadeSeconds);
        else if (name == "rate") ok = intOption(8000, 96000, o.rate);
        else if (name == "format") {
            const char* v = needValue();
            ok = v && *v;
            if (ok) o.format = v;
        }
        else if (name == "seed") {
            char* end = nullptr;
            const char* v = needValue();
            errno = 0;
            const unsigned long long seed = v && *v && *v != '-' ? std::strtoull(v, &end, 10) : 0;
            ok = v && *v && *v != '-' && !errno && end && !*end && seed <= 0xFFFFFFFFull;
            if (ok) o.seed = static_cast<uint32_t>(seed);
        }
        else if (name == "device") {
            const char* v = needValue();
            ok = v && *v;
            if (ok) o.device = v;
        } else if (name == "steps") {
            long v = 0;
            ok = parseInt(needValue(), 0, 0x7FFFFFFF, v);
            o.maxSteps = v;
        } else if (name == "speed") {
            int speed = 0;
            ok = intOption(50, 200, speed) && (speed == 50 || speed == 100 || speed == 200);
            o.speedIndex = speed == 50 ? 0 : speed == 100 ? 1 : 2;
        } else if (name == "key-shift") ok = intOption(-6, 6, o.keyShift);
        else if (name == "key-shift-channels") {
            const char* v = needValue();
            ok = v && parseChannels(v, o.keyShiftChannels);
        } else if (name == "bank-mode") ok = intOption(0, 4, o.bankMode);
        else if (name == "reset-type") ok = intOption(0, 3, o.resetType);
        else if (name == "loop-mode") ok = intOption(0, 3, o.loopMode);
        else if (name == "seek") {
            const char* v = needValue();
            SeekRequest seek{};
            ok = v && parseSeek(v, seek);
            if (ok) o.seeks.push_back(seek);
        } else {
            error = "unknown option '" + std::string(arg) + "'";
            return false;
        }
        if (!ok) {
            error = "bad value for option '" + std::string(arg) + "'";
            return false;
        }
    }
    if (!o.help && !o.list && o.files.empty()) {
        error = "no song file given";
        return false;
    }
    return true;
}
