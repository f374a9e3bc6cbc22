#pragma once
// Command line of the terminal player.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/posix/sound_file.h"
class SongStore;

struct SeekRequest {
    uint32_t afterStep;  // 1 or more: the live step after which the seek is made
    uint32_t percent;    // 0..100
};

struct PlayOptions {
    std::string device = "";  // empty: the default device
    bool fast = false;
    bool timing = false;
    bool list = false;
    bool help = false;
    bool version = false;
    // 0 quiet: failures only; 1: a line per song and the status line; 2 verbose: also
    // the window's texts (song texts, seeks, each step of a run).
    int verbosity = 1;
    int64_t maxSteps = -1;  // -1: until the song stops
    int keyShift = 0;
    bool keyShiftChannels[16] = {true, true, true, true, true, true, true, true,
                                 true, false, true, true, true, true, true, true};
    int bankMode = 0;
    int resetType = 0;
    bool resetAtStart = false;
    int loopMode = 0;
    int speedIndex = 1;
    // Runs over a folder or several files.
    bool shuffle = false;     // shuffle the list once the search has ended
    bool waitSearch = false;  // start only after the search has ended
    bool keepList = false;    // after the last song, back to the first, paused
    bool fullPath = false;    // print each song's path as it is taken
    uint32_t seed = 1;        // of the shuffle
    // Renders (--device=wav:OUT or file:OUT).
    int loops = 2;            // times a looping song plays its loop before the fade
    uint32_t fadeMs = 8000;   // the fade at the end of a looping song
    bool force = false;       // write a song's file anew when it exists
    int rate = 44100;         // sample rate in Hz
    std::string format;       // wav, flac, ogg, mp3 ...; empty: by the output's name
    SampleFormat sampleFormat = SampleFormat::s16;  // of WAV and FLAC
    double gainDb = 0;        // before the fade
    bool reverb = true;       // the synth's effects
    bool chorus = true;
    // The synth's and the render's SoundFont; empty: the first General MIDI one found.
    std::string soundFont;
    std::vector<SeekRequest> seeks;  // in the order given
    std::vector<std::string> files;
    const SongStore* songStore = nullptr;  // the songs read from standard input or pipes
};

// One option of the command line: adding an option is adding a row here (and its entry in
// the man page, which a test holds to this table).
struct OptionRow {
    const char* name;   // without the dashes: "key-shift"
    const char* value;  // the value's name in the help ("N"); null for a switch
    const char* help;   // one line of help; a '\n' starts another
    // Takes the value (null for a switch) into the options; false when it is bad.
    bool (*apply)(const char* value, PlayOptions& options);
};

// Every option, in the order the help lists them.
const std::vector<OptionRow>& optionRows();

// Parses argv. False with a one-line reason in error when an option is bad.
bool parseOptions(int argc, char** argv, PlayOptions& options, std::string& error);

struct DeviceRow;
// The help: the options, the devices this build has (devices) and the exit statuses.
std::string usageText(const std::vector<DeviceRow>& devices);
