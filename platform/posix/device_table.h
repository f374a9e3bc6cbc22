#pragma once
// The MIDI outputs `orvanel-play --device=NAME[:ARG]` can choose from. The build decides
// which rows exist (a back end whose library was not found has none); a front end may add
// rows of its own to the vector before looking a name up.
#include "platform/midi_device.h"

#include <memory>
#include <string>
#include <vector>

struct DeviceRow {
    const char* name;        // "alsa"
    const char* description; // one line for the help text, with the argument's form
    // Creates the device for ARG (null when the user wrote no ":ARG") and opens it.
    // Null, with a one-line error, when ARG is wrong or the device does not open.
    std::unique_ptr<MidiDevice> (*create)(const char* arg, std::string& error);
    bool needsArgument = false; // "wav:FILE": the name alone names no output
};

// alsa, synth and wav, as far as this build has them.
std::vector<DeviceRow> nativeDeviceRows();

// The row called exactly name (the first length characters of it), or null.
const DeviceRow* findDeviceRow(const std::vector<DeviceRow>& rows, const char* name, size_t length);

// choice is "NAME" or "NAME:ARG"; everything after the first ':' is ARG ("alsa:128:0").
// The row choice names, or null with a one-line error (which names every device) when
// there is none or its argument is missing: a mistake of the command line, found before
// anything is opened.
const DeviceRow* checkDeviceChoice(const std::vector<DeviceRow>& rows, const char* choice, std::string& error);

// Returns the opened device, or null with a one-line error.
std::unique_ptr<MidiDevice> openNamedDevice(const std::vector<DeviceRow>& rows, const char* choice,
                                            std::string& error);

// The output used when none is named: an ALSA synth port if one exists, else the
// embedded synth on the audio output. Null with a one-line error that points to
// --device=wav:FILE when neither opens.
std::unique_ptr<MidiDevice> openDefaultDevice(std::string& error);
