#include "platform/posix/device_table.h"

#include <cstring>

#ifdef ORVANEL_HAVE_ALSA
#include "platform/posix/alsa_midi.h"
#elif defined(ORVANEL_ALSA_MODULE)
// The player itself: the ALSA device comes from orvanel-alsa.so, opened on first use.
#include "platform/posix/alsa_module.h"
#endif
#ifdef ORVANEL_HAVE_FLUIDSYNTH
#include "platform/posix/render_midi.h"
#include "platform/posix/synth_midi.h"
#elif defined(ORVANEL_SYNTH_MODULE)
// The player itself: the synth devices come from orvanel-synth.so, opened on first use.
#include "platform/posix/synth_module.h"
#define ORVANEL_SYNTH_DEVICES 1
#endif
#ifdef ORVANEL_HAVE_FLUIDSYNTH
#define ORVANEL_SYNTH_DEVICES 1
#endif

namespace {

// Opens a freshly made device, or hands its error to the caller.
[[maybe_unused]] std::unique_ptr<MidiDevice> opened(std::unique_ptr<MidiDevice> device, std::string& error)
{
    if (device->open())
        return device;
    error = device->errorText();
    if (error.empty())
        error = "the device did not open";
    return nullptr;
}

#ifdef ORVANEL_HAVE_ALSA
std::unique_ptr<MidiDevice> createAlsa(const char* arg, std::string& error)
{
    return opened(std::make_unique<AlsaMidiDevice>(arg), error);
}
#elif defined(ORVANEL_ALSA_MODULE)
std::unique_ptr<MidiDevice> createAlsa(const char* arg, std::string& error)
{
    const AlsaModule* module = loadAlsaModule(error);
    return module ? module->openDevice(arg, error) : nullptr;
}
#endif

#ifdef ORVANEL_HAVE_FLUIDSYNTH
std::unique_ptr<MidiDevice> createSynth(const char* arg, std::string& error)
{
    return opened(std::make_unique<SynthMidiDevice>(arg), error);
}

std::unique_ptr<MidiDevice> createRender(const char* arg, std::string& error)
{
    if (!arg || !*arg) {
        error = "the wav device needs a file name: --device=wav:FILE";
        return nullptr;
    }
    return opened(std::make_unique<RenderMidiDevice>(arg, ""), error);
}
#elif defined(ORVANEL_SYNTH_MODULE)
std::unique_ptr<MidiDevice> createSynth(const char* arg, std::string& error)
{
    const SynthModule* module = loadSynthModule(0, 0, error);
    return module ? module->openSynth(arg, error) : nullptr;
}

std::unique_ptr<MidiDevice> createRender(const char* arg, std::string& error)
{
    if (!arg || !*arg) {
        error = "the wav device needs a file name: --device=wav:FILE";
        return nullptr;
    }
    const SynthModule* module = loadSynthModule(0, 0, error);
    return module ? module->openRender(arg, error) : nullptr;
}
#endif

} // namespace

std::vector<DeviceRow> nativeDeviceRows()
{
    std::vector<DeviceRow> rows;
#if defined(ORVANEL_HAVE_ALSA) || defined(ORVANEL_ALSA_MODULE)
    rows.push_back({"alsa", "alsa[:CLIENT:PORT]  ALSA sequencer port (default: the first synth port)", createAlsa});
#endif
#ifdef ORVANEL_SYNTH_DEVICES
    rows.push_back({"synth", "synth[:FILE.sf2]    embedded FluidSynth on the audio output", createSynth});
    rows.push_back({"wav", "wav:FILE|DIR/       embedded FluidSynth rendered to audio files: .wav, .flac, .mp3 ...",
                    createRender, true});
    rows.push_back({"file", "file:FILE|DIR/      the same as wav", createRender, true});
#endif
    return rows;
}

const DeviceRow* findDeviceRow(const std::vector<DeviceRow>& rows, const char* name, size_t length)
{
    for (const DeviceRow& row : rows)
        if (std::strlen(row.name) == length && std::strncmp(row.name, name, length) == 0)
            return &row;
    return nullptr;
}

const DeviceRow* checkDeviceChoice(const std::vector<DeviceRow>& rows, const char* choice, std::string& error)
{
    const char* colon = std::strchr(choice, ':');
    const size_t length = colon ? size_t(colon - choice) : std::strlen(choice);
    const DeviceRow* row = findDeviceRow(rows, choice, length);
    if (row && row->needsArgument && (!colon || !colon[1])) {
        const char* description = row->description;
        error = "the " + std::string(row->name) + " device needs its argument: --device=" +
                std::string(description, std::strcspn(description, " "));
        return nullptr;
    }
    if (!row) {
        error = "unknown device \"" + std::string(choice, length) + "\" (devices:";
        for (const DeviceRow& r : rows)
            error += std::string(" ") + r.name;
        error += ")";
    }
    return row;
}

std::unique_ptr<MidiDevice> openNamedDevice(const std::vector<DeviceRow>& rows, const char* choice,
                                            std::string& error)
{
    if (!choice)
        choice = "";
    const DeviceRow* row = checkDeviceChoice(rows, choice, error);
    if (!row)
        return nullptr;
    const char* colon = std::strchr(choice, ':');
    return row->create(colon ? colon + 1 : nullptr, error);
}

std::unique_ptr<MidiDevice> openDefaultDevice(std::string& error)
{
    std::string causes;
#ifdef ORVANEL_HAVE_ALSA
    {
        auto device = std::make_unique<AlsaMidiDevice>();
        if (device->open())
            return device;
        causes += device->errorText();
    }
#elif defined(ORVANEL_ALSA_MODULE)
    if (auto device = createAlsa(nullptr, causes))
        return device;
#endif
#ifdef ORVANEL_HAVE_FLUIDSYNTH
    {
        auto device = std::make_unique<SynthMidiDevice>();
        if (device->open())
            return device;
        causes += std::string(causes.empty() ? "" : "; ") + device->errorText();
    }
#elif defined(ORVANEL_SYNTH_MODULE)
    {
        std::string why;
        if (auto device = createSynth(nullptr, why))
            return device;
        causes += (causes.empty() ? "" : "; ") + why;
    }
#endif
    if (causes.empty())
        causes = "this build has neither ALSA nor FluidSynth";
    error = "no MIDI output (" + causes + "); use --device=wav:FILE to render to a file";
    return nullptr;
}
