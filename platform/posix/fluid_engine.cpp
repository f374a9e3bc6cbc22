#include "platform/posix/fluid_engine.h"

#ifdef ORVANEL_HAVE_FLUIDSYNTH

#include "platform/posix/short_message.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fluidsynth.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

const char* const kSoundFontPlaces[] = {
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf3/default-GM.sf3",
    "/usr/share/sounds/sf3/MuseScore_General.sf3",
};
const int kSoundFontPlaceCount = int(sizeof kSoundFontPlaces / sizeof kSoundFontPlaces[0]);

namespace {

std::mutex logLock;
char loggedError[256];
char firstError[256]; // since the last clear: a failed load ends with words that give no cause

// FluidSynth may log from its audio thread, hence the lock.
void keepError(int, const char* message, void*)
{
    std::lock_guard<std::mutex> hold(logLock);
    std::snprintf(loggedError, sizeof loggedError, "%s", message ? message : "");
    if (!firstError[0])
        std::snprintf(firstError, sizeof firstError, "%s", loggedError);
}

void quietLogging()
{
    fluid_set_log_function(FLUID_PANIC, keepError, nullptr);
    fluid_set_log_function(FLUID_ERR, keepError, nullptr);
    fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
    fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
    fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
    clearFluidError();
}

std::string withCause(std::string text)
{
    const std::string cause = lastFluidError();
    if (!cause.empty())
        text += ": " + cause;
    return text;
}

} // namespace

std::string lastFluidError()
{
    std::lock_guard<std::mutex> hold(logLock);
    return loggedError;
}

void clearFluidError()
{
    std::lock_guard<std::mutex> hold(logLock);
    loggedError[0] = 0;
    firstError[0] = 0;
}

const char* findDefaultSoundFont()
{
    for (int i = 0; i < kSoundFontPlaceCount; ++i)
        if (access(kSoundFontPlaces[i], R_OK) == 0)
            return kSoundFontPlaces[i];
    return nullptr;
}

bool resolveSoundFont(const char* named, std::string& path, std::string& error)
{
    if (named && *named) {
        struct stat st;
        char head[12] = {};
        const int fd = ::open(named, O_RDONLY | O_NONBLOCK);
        const int reason = fd < 0 ? errno : fstat(fd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
        const char* what = reason ? std::strerror(reason) : !S_ISREG(st.st_mode) ? "not a regular file" : nullptr;
        if (!what && read(fd, head, sizeof head) < 0)
            what = std::strerror(errno);
        // A SoundFont (SF2, SF3) or a DLS file is RIFF; anything else only makes the
        // loaders print their complaints.
        if (!what && (std::memcmp(head, "RIFF", 4) != 0 ||
                      (std::memcmp(head + 8, "sfbk", 4) != 0 && std::memcmp(head + 8, "DLS ", 4) != 0)))
            what = "not a SoundFont file";
        if (fd >= 0)
            ::close(fd);
        if (what) {
            error = std::string("cannot read SoundFont ") + named + ": " + what;
            return false;
        }
        path = named;
        return true;
    }
    const char* found = findDefaultSoundFont();
    if (!found) {
        error = "no General MIDI SoundFont found (install fluid-soundfont-gm, or name one as synth:FILE.sf2)";
        return false;
    }
    path = found;
    return true;
}

bool fluidEngineStart(FluidEngine& engine, bool offline, std::string& error, uint32_t sampleRate)
{
    fluidEngineStop(engine);
    quietLogging();
    engine.settings = new_fluid_settings();
    if (!engine.settings) {
        error = withCause("cannot create the synth's settings");
        return false;
    }
    fluid_settings_t* s = engine.settings;
    fluid_settings_setint(s, "synth.reverb.active", engine.reverb);
    fluid_settings_setint(s, "synth.chorus.active", engine.chorus);
    // GS and XG resets address device 0x10; with FluidSynth's default id 0 it ignores them.
    fluid_settings_setint(s, "synth.device-id", 16);
    if (offline) {
        fluid_settings_setnum(s, "synth.sample-rate", double(sampleRate));
        fluid_settings_setint(s, "synth.cpu-cores", 1);
    }
    engine.synth = new_fluid_synth(s);
    if (!engine.synth) {
        error = withCause("cannot create the synth");
        fluidEngineStop(engine);
        return false;
    }
    // The reverb and chorus start from their buffers as malloc gave them until the first
    // reset: memory another synth freed made a new one play NaN.
    fluid_synth_system_reset(engine.synth);
    return true;
}

bool fluidEngineLoad(FluidEngine& engine, const std::string& path, std::string& error)
{
    clearFluidError();
    if (!engine.synth || fluid_synth_sfload(engine.synth, path.c_str(), 1) == FLUID_FAILED) {
        std::lock_guard<std::mutex> hold(logLock);
        error = "cannot load SoundFont " + path + (firstError[0] ? std::string(": ") + firstError : "");
        return false;
    }
    engine.soundFont = path;
    return true;
}

void fluidEngineStop(FluidEngine& engine)
{
    if (engine.synth)
        delete_fluid_synth(engine.synth);
    if (engine.settings)
        delete_fluid_settings(engine.settings);
    engine.synth = nullptr;
    engine.settings = nullptr;
    engine.soundFont.clear();
}

void fluidEngineSendShort(FluidEngine& engine, uint32_t message)
{
    fluid_synth_t* synth = engine.synth;
    if (!synth)
        return;
    const ShortEvent e = decodeShortMessage(message);
    switch (e.kind) {
    case ShortKind::noteOff: fluid_synth_noteoff(synth, e.channel, e.key); break;
    case ShortKind::noteOn: fluid_synth_noteon(synth, e.channel, e.key, e.value); break;
    case ShortKind::keyPressure: fluid_synth_key_pressure(synth, e.channel, e.key, e.value); break;
    case ShortKind::controller: fluid_synth_cc(synth, e.channel, e.key, e.value); break;
    case ShortKind::program: fluid_synth_program_change(synth, e.channel, e.key); break;
    case ShortKind::channelPressure: fluid_synth_channel_pressure(synth, e.channel, e.value); break;
    case ShortKind::pitchBend: fluid_synth_pitch_bend(synth, e.channel, e.value); break;
    case ShortKind::none: break;
    }
}

uint32_t fluidEngineSendLong(FluidEngine& engine, const uint8_t* bytes, uint32_t count)
{
    if (!bytes || count == 0 || bytes[0] != 0xF0)
        return EINVAL;
    if (!engine.synth)
        return ENODEV;
    // A message cut short in the song may lack its F7; the synth takes what is there.
    uint32_t length = count - 1;
    if (length > 0 && bytes[count - 1] == 0xF7)
        --length;
    if (length == 0)
        return 0;
    if (length > 0x7FFFFFFF)
        return EINVAL;
    const int rc = fluid_synth_sysex(engine.synth, reinterpret_cast<const char*>(bytes + 1), int(length),
                                     nullptr, nullptr, nullptr, 0);
    return rc == FLUID_OK ? 0 : EIO;
}

#endif // ORVANEL_HAVE_FLUIDSYNTH
