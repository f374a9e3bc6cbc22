// The synth module (orvanel-synth.so): --help, the log device and ALSA run without it and
// never map FluidSynth or libsndfile; a synth or file device names it when it is missing
// and ends with exit 3; the player of the build folder finds its own.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "cli/exit_codes.h"
#include "platform/posix/synth_module.h"
#include "tests/posix/support/run_program.h"

std::string scratchPath(const char* name);

namespace {

std::string demoSong() { return std::string(ORVANEL_SOURCE_DIR) + "/samples/demo.mid"; }

// A copy of the build's player alone in a folder: no module beside it or in ../lib.
std::string playerWithoutModule() {
    const std::string dir = scratchPath("no-module");
    mkdir(dir.c_str(), 0755);
    const std::string copy = dir + "/orvanel-play";
    std::ifstream in(builtProgram("orvanel-play"), std::ios::binary);
    std::ofstream(copy, std::ios::binary) << in.rdbuf();
    chmod(copy.c_str(), 0755);
    return copy;
}

ProgramResult run(const std::string& program, const std::string& args, std::vector<std::string> env = {}) {
    ProgramRun r;
    r.args = playerArgs(args);
    r.args[0] = program;
    r.env = std::move(env);
    return runProgram(r);
}

bool mentions(const ProgramResult& r, const char* text) { return r.err.find(text) != std::string::npos; }

TEST(SynthModule, WithoutItTheLogAndAlsaPathsRunAndTheSynthDevicesNameIt) {
    const std::string alone = playerWithoutModule();
    const std::string song = demoSong();
    const std::string wav = scratchPath("no-module.wav");
    // exit -1: whatever ALSA answers here (no sequencer: 3), so long as the module is not blamed.
    const struct { std::string args; int exit; bool namesModule; } cases[] = {
        {"--help", kExitPlayed, false},
        {"--version", kExitPlayed, false},
        {"--bogus", kExitUsage, false},
        {"--device=log --fast " + song, kExitPlayed, false},
        {"--list", -1, false},
        {"--device=alsa " + song, -1, false},
        {"--device=synth " + song, kExitNoDevice, true},
        {"--device=synth:/no/such.sf2 " + song, kExitNoDevice, true},
        {"--device=wav:" + wav + " " + song, kExitNoDevice, true},
        {"--device=file:" + wav + " " + song, kExitNoDevice, true},
    };
    for (const auto& c : cases) {
        const ProgramResult r = run(alone, c.args);
        if (c.exit >= 0) {
            EXPECT_EQ(r.exitCode, c.exit) << c.args << "\n" << r.err;
        }
        EXPECT_EQ(mentions(r, "orvanel-play: the synth module " ORVANEL_SYNTH_MODULE_FILE " is not installed"),
                  c.namesModule)
            << c.args << "\n" << r.err;
        if (c.namesModule) {
            EXPECT_EQ(r.errLines().size(), 1u) << c.args << "\n" << r.err;
        }
    }
    EXPECT_NE(access(wav.c_str(), F_OK), 0) << "no file is made without the module";
}

TEST(SynthModule, OnlyARunThatSoundsThroughTheSynthMapsItsLibraries) {
    const std::string song = demoSong();
    // The dynamic linker names every library it maps; a missing SoundFont fails after the
    // module has been opened, so no sound device is needed.
    const struct { std::string args; bool mapsSynth; } cases[] = {
        {"--help", false},
        {"--device=log --fast " + song, false},
        {"--device=synth:/no/such.sf2 " + song, true},
    };
    for (const auto& c : cases) {
        const ProgramResult r = run(builtProgram("orvanel-play"), c.args, {"LD_DEBUG=files"});
        EXPECT_EQ(mentions(r, "libfluidsynth"), c.mapsSynth) << c.args;
        EXPECT_EQ(mentions(r, ORVANEL_SYNTH_MODULE_FILE), c.mapsSynth) << c.args;
        EXPECT_FALSE(mentions(r, "is not installed")) << c.args << ": the build folder's module is found";
    }
}

TEST(SynthModule, LookedForBesideTheProgramThenInItsLibFolder) {
    const struct { const char* exe; const char* beside; const char* installed; } cases[] = {
        {"/usr/bin/orvanel-play", "/usr/bin/orvanel-synth.so", "/usr/libexec/orvanel-play/orvanel-synth.so"},
        {"/opt/x/build/orvanel-play", "/opt/x/build/orvanel-synth.so", "/opt/x/libexec/orvanel-play/orvanel-synth.so"},
        {"/orvanel-play", "/orvanel-synth.so", "/libexec/orvanel-play/orvanel-synth.so"},
    };
    for (const auto& c : cases) {
        std::string beside, installed;
        synthModulePlaces(c.exe, beside, installed);
        EXPECT_EQ(beside, c.beside);
        EXPECT_EQ(installed, c.installed);
    }
}

}  // namespace
