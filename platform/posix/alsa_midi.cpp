#include "platform/posix/alsa_midi.h"

#ifdef ORVANEL_HAVE_ALSA

#include "platform/posix/short_message.h"

#include <alsa/asoundlib.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// libasound prints its own diagnostics to stderr; the caller words failures itself.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

bool openSequencer(snd_seq_t** seq, std::string& error)
{
    snd_lib_error_set_handler(quietAlsa);
    const int err = snd_seq_open(seq, "default", SND_SEQ_OPEN_OUTPUT, 0);
    if (err < 0) {
        error = std::string("cannot open the ALSA sequencer: ") + snd_strerror(err);
        return false;
    }
    return true;
}

void copyName(char (&to)[64], const char* from)
{
    std::snprintf(to, sizeof to, "%s", from ? from : "");
}

void collectPorts(snd_seq_t* seq, std::vector<AlsaPortInfo>& ports)
{
    snd_seq_client_info_t* clientInfo;
    snd_seq_port_info_t* portInfo;
    snd_seq_client_info_alloca(&clientInfo);
    snd_seq_port_info_alloca(&portInfo);
    snd_seq_client_info_set_client(clientInfo, -1);
    while (snd_seq_query_next_client(seq, clientInfo) >= 0) {
        const int client = snd_seq_client_info_get_client(clientInfo);
        snd_seq_port_info_set_client(portInfo, client);
        snd_seq_port_info_set_port(portInfo, -1);
        while (snd_seq_query_next_port(seq, portInfo) >= 0) {
            AlsaPortInfo p;
            p.client = client;
            p.port = snd_seq_port_info_get_port(portInfo);
            p.capability = snd_seq_port_info_get_capability(portInfo);
            p.type = snd_seq_port_info_get_type(portInfo);
            copyName(p.clientName, snd_seq_client_info_get_name(clientInfo));
            copyName(p.portName, snd_seq_port_info_get_name(portInfo));
            ports.push_back(p);
        }
    }
}

bool isMidiThrough(const AlsaPortInfo& port)
{
    return std::strncmp(port.clientName, "Midi Through", 12) == 0;
}

} // namespace

bool alsaPortAcceptsWrites(const AlsaPortInfo& port)
{
    const unsigned wanted = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
    return (port.capability & wanted) == wanted && !(port.capability & SND_SEQ_PORT_CAP_NO_EXPORT);
}

int chooseDefaultAlsaPort(const std::vector<AlsaPortInfo>& ports, int ownClient)
{
    // A synthesizer makes sound; a generic MIDI port may be a keyboard's input that makes
    // none, so it only serves when no synthesizer is there.
    const unsigned passes[2] = {SND_SEQ_PORT_TYPE_SYNTHESIZER | SND_SEQ_PORT_TYPE_SYNTH,
                                SND_SEQ_PORT_TYPE_MIDI_GENERIC};
    for (unsigned types : passes) {
        for (size_t i = 0; i < ports.size(); ++i) {
            const AlsaPortInfo& p = ports[i];
            if (p.client != ownClient && alsaPortAcceptsWrites(p) && (p.type & types) && !isMidiThrough(p))
                return int(i);
        }
    }
    return -1;
}

std::string formatAlsaPortList(const std::vector<AlsaPortInfo>& ports)
{
    std::string text = " Port    Client name                      Port name\n";
    char line[160];
    for (const AlsaPortInfo& p : ports) {
        if (!alsaPortAcceptsWrites(p))
            continue;
        std::snprintf(line, sizeof line, "%3d:%-3d  %-32.32s %s\n", p.client, p.port, p.clientName, p.portName);
        text += line;
    }
    return text;
}

bool queryAlsaPorts(std::vector<AlsaPortInfo>& ports, std::string& error)
{
    snd_seq_t* seq;
    if (!openSequencer(&seq, error))
        return false;
    collectPorts(seq, ports);
    snd_seq_close(seq);
    return true;
}

namespace {
void ignoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}
}  // namespace

void quietAlsaLibrary() { snd_lib_error_set_handler(ignoreAlsaMessage); }

bool listAlsaPorts(std::string& text, std::string& error)
{
    std::vector<AlsaPortInfo> ports;
    if (!queryAlsaPorts(ports, error))
        return false;
    text = formatAlsaPortList(ports);
    return true;
}

AlsaMidiDevice::AlsaMidiDevice(const char* target) : target_(target ? target : "") {}

AlsaMidiDevice::~AlsaMidiDevice() { close(); }

bool AlsaMidiDevice::open()
{
    std::lock_guard<std::mutex> hold(sendLock_);
    if (seq_)
        return true;
    error_.clear();
    snd_seq_t* seq;
    if (!openSequencer(&seq, error_))
        return false;
    snd_seq_set_client_name(seq, "Orvanel");
    const int own = snd_seq_create_simple_port(seq, "Orvanel output",
                                               SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
                                               SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (own < 0) {
        error_ = std::string("cannot create an ALSA sequencer port: ") + snd_strerror(own);
        snd_seq_close(seq);
        return false;
    }
    int client = -1, port = -1;
    if (!target_.empty()) {
        snd_seq_addr_t addr;
        const int err = snd_seq_parse_address(seq, &addr, target_.c_str());
        if (err < 0) {
            error_ = "no ALSA sequencer port \"" + target_ + "\": " + snd_strerror(err);
            snd_seq_close(seq);
            return false;
        }
        client = addr.client;
        port = addr.port;
    } else {
        std::vector<AlsaPortInfo> ports;
        collectPorts(seq, ports);
        const int pick = chooseDefaultAlsaPort(ports, snd_seq_client_id(seq));
        if (pick < 0) {
            error_ = "no ALSA synth port found (name one as alsa:CLIENT:PORT)";
            snd_seq_close(seq);
            return false;
        }
        client = ports[pick].client;
        port = ports[pick].port;
    }
    const int err = snd_seq_connect_to(seq, own, client, port);
    if (err < 0) {
        char where[32];
        std::snprintf(where, sizeof where, "%d:%d", client, port);
        error_ = std::string("cannot connect to ALSA port ") + where + ": " + snd_strerror(err);
        snd_seq_close(seq);
        return false;
    }
    seq_ = seq;
    ownPort_ = own;
    destClient_ = client;
    destPort_ = port;
    return true;
}

void AlsaMidiDevice::close()
{
    std::lock_guard<std::mutex> hold(sendLock_);
    if (!seq_)
        return;
    snd_seq_drain_output(seq_);
    snd_seq_close(seq_);
    seq_ = nullptr;
    ownPort_ = destClient_ = destPort_ = -1;
}

void AlsaMidiDevice::sendShort(uint32_t message)
{
    const ShortEvent e = decodeShortMessage(message);
    snd_seq_event_t ev;
    snd_seq_ev_clear(&ev);
    switch (e.kind) {
    case ShortKind::noteOff: snd_seq_ev_set_noteoff(&ev, e.channel, e.key, e.value); break;
    case ShortKind::noteOn: snd_seq_ev_set_noteon(&ev, e.channel, e.key, e.value); break;
    case ShortKind::keyPressure: snd_seq_ev_set_keypress(&ev, e.channel, e.key, e.value); break;
    case ShortKind::controller: snd_seq_ev_set_controller(&ev, e.channel, e.key, e.value); break;
    case ShortKind::program: snd_seq_ev_set_pgmchange(&ev, e.channel, e.key); break;
    case ShortKind::channelPressure: snd_seq_ev_set_chanpress(&ev, e.channel, e.value); break;
    case ShortKind::pitchBend: snd_seq_ev_set_pitchbend(&ev, e.channel, int(e.value) - 8192); break;
    case ShortKind::none: return;
    }
    std::lock_guard<std::mutex> hold(sendLock_);
    if (!seq_)
        return;
    snd_seq_ev_set_source(&ev, ownPort_);
    snd_seq_ev_set_subs(&ev);
    snd_seq_ev_set_direct(&ev);
    // A receiver that went away leaves the event unsent; drop it rather than let stale
    // events pile up in the buffer and go out late.
    if (snd_seq_event_output(seq_, &ev) < 0 || snd_seq_drain_output(seq_) < 0)
        snd_seq_drop_output(seq_);
}

uint32_t AlsaMidiDevice::sendLong(const uint8_t* bytes, uint32_t count)
{
    if (!bytes || count == 0 || bytes[0] != 0xF0)
        return EINVAL;
    std::lock_guard<std::mutex> hold(sendLock_);
    if (!seq_)
        return ENODEV;
    // The whole event must fit the output buffer; the player's messages do by far, a
    // caller with a larger one pays for a bigger buffer once.
    const size_t needed = sizeof(snd_seq_event_t) + count;
    if (snd_seq_get_output_buffer_size(seq_) < needed + 1) {
        const int err = snd_seq_set_output_buffer_size(seq_, needed * 2);
        if (err < 0)
            return uint32_t(-err);
    }
    snd_seq_event_t ev;
    snd_seq_ev_clear(&ev);
    snd_seq_ev_set_source(&ev, ownPort_);
    snd_seq_ev_set_subs(&ev);
    snd_seq_ev_set_direct(&ev);
    snd_seq_ev_set_sysex(&ev, count, const_cast<uint8_t*>(bytes));
    int err = snd_seq_event_output(seq_, &ev);
    if (err >= 0)
        err = snd_seq_drain_output(seq_);
    if (err >= 0)
        err = snd_seq_sync_output_queue(seq_);
    if (err < 0) {
        snd_seq_drop_output(seq_);
        return uint32_t(-err);
    }
    return 0;
}

#elif !defined(ORVANEL_ALSA_MODULE) // no ALSA in this build: the listing still answers, with the reason.

bool queryAlsaPorts(std::vector<AlsaPortInfo>&, std::string& error)
{
    error = "this build has no ALSA sequencer support";
    return false;
}

void quietAlsaLibrary() {}

bool listAlsaPorts(std::string&, std::string& error)
{
    std::vector<AlsaPortInfo> ports;
    return queryAlsaPorts(ports, error);
}

#endif // ORVANEL_HAVE_ALSA
