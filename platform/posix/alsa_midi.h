#pragma once
// MIDI output to an ALSA sequencer port: "alsa" or "alsa:CLIENT:PORT".
#include "platform/midi_device.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

struct _snd_seq;

// One sequencer port as the port listing and the default choice see it.
struct AlsaPortInfo {
    int client;
    int port;
    unsigned capability; // SND_SEQ_PORT_CAP_* bits
    unsigned type;       // SND_SEQ_PORT_TYPE_* bits
    char clientName[64];
    char portName[64];
};

// A port that another client may write to and subscribe to (what a player can send to).
bool alsaPortAcceptsWrites(const AlsaPortInfo& port);
// The port a bare "alsa" plays to: a synthesizer port first, else the first generic MIDI
// port; never "Midi Through" (it makes no sound) nor the client ownClient. -1 when none.
int chooseDefaultAlsaPort(const std::vector<AlsaPortInfo>& ports, int ownClient);
// The listing of writable ports, laid out like `aplaymidi -l`.
std::string formatAlsaPortList(const std::vector<AlsaPortInfo>& ports);

// Every port of every client of the system's sequencer. False with a one-line error when
// the sequencer cannot be opened.
bool queryAlsaPorts(std::vector<AlsaPortInfo>& ports, std::string& error);
// queryAlsaPorts + formatAlsaPortList.
bool listAlsaPorts(std::string& text, std::string& error);

// Keeps the ALSA library's own messages ("ALSA lib conf.c:...") off standard error, for
// every user of the library in the process (the sequencer device and the synth's audio
// output alike): the program reports failures in its own words.
void quietAlsaLibrary();

class AlsaMidiDevice : public MidiDevice {
public:
    // target: "CLIENT:PORT" (numbers or a client name, as aconnect takes them); null or
    // empty for the default port.
    explicit AlsaMidiDevice(const char* target = nullptr);
    ~AlsaMidiDevice() override;
    AlsaMidiDevice(const AlsaMidiDevice&) = delete;
    AlsaMidiDevice& operator=(const AlsaMidiDevice&) = delete;

    // Opens a client with one output port and connects it to the target. True at once if
    // already open.
    bool open() override;
    void close() override;
    void sendShort(uint32_t message) override;
    // Sends one SYSEX event and returns once the kernel has taken all of it. 0, or an errno
    // value (ENODEV not open, EINVAL not a System Exclusive message, else ALSA's error).
    uint32_t sendLong(const uint8_t* bytes, uint32_t count) override;
    const char* errorText() const override { return error_.c_str(); }

    // The connected port, for the player's status line; -1 when closed.
    int destinationClient() const { return destClient_; }
    int destinationPort() const { return destPort_; }

private:
    std::string target_;
    std::string error_;
    _snd_seq* seq_ = nullptr;
    int ownPort_ = -1;
    int destClient_ = -1;
    int destPort_ = -1;
    // The playback thread and the user-interface thread both send; the sequencer's output
    // buffer is not safe for two writers.
    std::mutex sendLock_;
};
