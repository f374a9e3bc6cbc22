// The synth module (orvanel-synth.so) and the ALSA module (orvanel-alsa.so): --help and
// the log device run without them and never map FluidSynth, libsndfile or libasound; a
// device whose module is missing names it and ends with exit 3; the default output goes
// on to the synth without the ALSA module; the player of the build folder finds its own.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "cli/exit_codes.h"
#include "platform/posix/alsa_module.h"
#include "platform/posix/module_loader.h"
#include "platform/posix/synth_module.h"
#include "tests/posix/support/run_program.h"

std::string scratchPath(const char* name);

namespace {

std::string demoSong() { return std::string(ORVANEL_SOURCE_DIR) + "/samples/demo.mid"; }

// A copy of the build's player in a folder of its own, with the modules named beside it:
// none in ../libexec.
std::string playerWith(const char* folder, std::vector<std::string> modules = {}) {
    const std::string dir = scratchPath(folder);
    mkdir(dir.c_str(), 0755);
    modules.push_back("orvanel-play");
    for (const std::string& file : modules) {
        std::ifstream in(builtProgram(file.c_str()), std::ios::binary);
        std::ofstream(dir + "/" + file, std::ios::binary) << in.rdbuf();
        chmod((dir + "/" + file).c_str(), 0755);
    }
    return dir + "/orvanel-play";
}

ProgramResult run(const std::string& program, const std::string& args, std::vector<std::string> env = {}) {
    ProgramRun r;
    r.args = playerArgs(args);
    r.args[0] = program;
    r.env = std::move(env);
    return runProgram(r);
}

bool mentions(const ProgramResult& r, const char* text) { return r.err.find(text) != std::string::npos; }

TEST(SynthModule, WithoutThemTheLogPathRunsAndEachDeviceNamesItsModule) {
    const std::string alone = playerWith("no-module");
    const std::string song = demoSong();
    const std::string wav = scratchPath("no-module.wav");
    const char* synth = "orvanel-play: the synth module " ORVANEL_SYNTH_MODULE_FILE " is not installed";
    const char* alsa = "orvanel-play: the ALSA module " ORVANEL_ALSA_MODULE_FILE " is not installed";
    const struct { std::string args; int exit; const char* names; } cases[] = {
        {"--help", kExitPlayed, nullptr},
        {"--version", kExitPlayed, nullptr},
        {"--bogus", kExitUsage, nullptr},
        {"--device=log --fast " + song, kExitPlayed, nullptr},
        {"--list", kExitNoDevice, alsa},
        {"--device=alsa " + song, kExitNoDevice, alsa},
        {"--device=alsa:128:0 " + song, kExitNoDevice, alsa},
        {"--device=synth " + song, kExitNoDevice, synth},
        {"--device=synth:/no/such.sf2 " + song, kExitNoDevice, synth},
        {"--device=wav:" + wav + " " + song, kExitNoDevice, synth},
        {"--device=file:" + wav + " " + song, kExitNoDevice, synth},
    };
    for (const auto& c : cases) {
        const ProgramResult r = run(alone, c.args);
        EXPECT_EQ(r.exitCode, c.exit) << c.args << "\n" << r.err;
        EXPECT_EQ(mentions(r, synth), c.names == synth) << c.args << "\n" << r.err;
        EXPECT_EQ(mentions(r, alsa), c.names == alsa) << c.args << "\n" << r.err;
        if (c.names) {
            EXPECT_EQ(r.errLines().size(), 1u) << c.args << "\n" << r.err;
        }
    }
    EXPECT_NE(access(wav.c_str(), F_OK), 0) << "no file is made without the module";
}

TEST(SynthModule, TheDefaultOutputGoesOnToTheSynthWithoutTheAlsaModule) {
    const std::string player = playerWith("no-alsa-module", {ORVANEL_SYNTH_MODULE_FILE});
    const ProgramResult r = run(player, demoSong(), {"LD_DEBUG=files"});
    EXPECT_TRUE(mentions(r, ORVANEL_SYNTH_MODULE_FILE)) << r.err;
    if (r.exitCode != kExitPlayed) {
        EXPECT_EQ(r.exitCode, kExitNoDevice) << r.err;
        EXPECT_TRUE(mentions(r, "the ALSA module " ORVANEL_ALSA_MODULE_FILE " is not installed")) << r.err;
    }
}

TEST(SynthModule, OnlyARunThatSoundsThroughAModuleMapsItsLibraries) {
    const std::string song = demoSong();
    // The dynamic linker names every library it maps; a missing SoundFont fails after the
    // module has been opened, so no sound device is needed, nor a sequencer for ALSA.
    const struct { std::string args; bool mapsSynth, mapsAlsa, mapsAsound; } cases[] = {
        {"--help", false, false, false},
        {"--device=log --fast " + song, false, false, false},
        {"--device=synth:/no/such.sf2 " + song, true, false, true},
        {"--device=alsa:no-such-client:0 " + song, false, true, true},
    };
    for (const auto& c : cases) {
        const ProgramResult r = run(builtProgram("orvanel-play"), c.args, {"LD_DEBUG=files"});
        EXPECT_EQ(mentions(r, "libfluidsynth"), c.mapsSynth) << c.args;
        EXPECT_EQ(mentions(r, ORVANEL_SYNTH_MODULE_FILE), c.mapsSynth) << c.args;
        EXPECT_EQ(mentions(r, ORVANEL_ALSA_MODULE_FILE), c.mapsAlsa) << c.args;
        EXPECT_EQ(mentions(r, "libasound"), c.mapsAsound) << c.args;
        EXPECT_FALSE(mentions(r, "is not installed")) << c.args << ": the build folder's modules are found";
    }
}

#ifdef ORVANEL_HAVE_FLUIDSYNTH
// A module of another build (its table another shape) is refused before any of it is called;
// this test program sits beside the build's module.
TEST(SynthModule, AModuleOfAnotherVersionIsRefused) {
    for (const uint32_t abi : {kSynthModuleAbi + 1, kSynthModuleAbi}) {
        ModuleSlot slot(ORVANEL_SYNTH_MODULE_FILE, "synth module", ORVANEL_SYNTH_MODULE_ENTRY_NAME, abi);
        std::string error;
        const bool loaded = loadModule(slot, error) != nullptr;
        EXPECT_EQ(loaded, abi == kSynthModuleAbi) << abi << ": " << error;
        if (!loaded) {
            EXPECT_NE(error.find("another version"), std::string::npos) << error;
        }
    }
}
#endif

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
