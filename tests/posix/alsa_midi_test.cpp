#include "platform/posix/alsa_midi.h"

#ifdef ORVANEL_HAVE_ALSA

#include <alsa/asoundlib.h>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

namespace {

const unsigned kWritable = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
const unsigned kReadable = SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;

AlsaPortInfo port(int client, int portNo, unsigned caps, unsigned type, const char* clientName,
                  const char* portName)
{
    AlsaPortInfo p{client, portNo, caps, type, {}, {}};
    std::snprintf(p.clientName, sizeof p.clientName, "%s", clientName);
    std::snprintf(p.portName, sizeof p.portName, "%s", portName);
    return p;
}

const AlsaPortInfo kThrough = port(14, 0, kWritable | kReadable,
                                   SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_SOFTWARE,
                                   "Midi Through", "Midi Through Port-0");
const AlsaPortInfo kKeyboard = port(20, 0, kWritable | kReadable,
                                    SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_HARDWARE,
                                    "USB Keystation", "USB Keystation MIDI 1");
const AlsaPortInfo kSynth = port(128, 0, kWritable,
                                 SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_SYNTHESIZER,
                                 "FLUID Synth (1234)", "Synth input port (1234:0)");

int chosenAddress(const std::vector<AlsaPortInfo>& ports, int ownClient)
{
    const int i = chooseDefaultAlsaPort(ports, ownClient);
    return i < 0 ? -1 : ports[i].client * 1000 + ports[i].port;
}

TEST(AlsaPortChoice, PrefersASynthesizerAndNeverPicksThroughOrItself)
{
    const AlsaPortInfo readOnlySynth = port(130, 0, kReadable, SND_SEQ_PORT_TYPE_SYNTHESIZER, "Out", "out");
    const AlsaPortInfo hiddenSynth = port(131, 0, kWritable | SND_SEQ_PORT_CAP_NO_EXPORT,
                                          SND_SEQ_PORT_TYPE_SYNTHESIZER, "Hidden", "hidden");
    const AlsaPortInfo noSubscribe = port(132, 0, SND_SEQ_PORT_CAP_WRITE, SND_SEQ_PORT_TYPE_SYNTHESIZER,
                                          "NoSubs", "nosubs");
    const AlsaPortInfo ownSynth = port(133, 0, kWritable, SND_SEQ_PORT_TYPE_SYNTHESIZER, "Orvanel", "own");

    EXPECT_EQ(128000, chosenAddress({kThrough, kKeyboard, kSynth}, 129)) << "synthesizer over keyboard";
    EXPECT_EQ(20000, chosenAddress({kThrough, kKeyboard}, 129)) << "a generic port when no synth";
    EXPECT_EQ(-1, chosenAddress({kThrough}, 129)) << "Midi Through makes no sound";
    EXPECT_EQ(-1, chosenAddress({}, 129));
    EXPECT_EQ(-1, chosenAddress({readOnlySynth, hiddenSynth, noSubscribe}, 129));
    EXPECT_EQ(-1, chosenAddress({ownSynth}, 133)) << "never our own client";
    EXPECT_EQ(20000, chosenAddress({ownSynth, kKeyboard}, 133));
}

TEST(AlsaPortList, LaysOutWritablePortsInColumns)
{
    const AlsaPortInfo source = port(24, 0, kReadable, SND_SEQ_PORT_TYPE_MIDI_GENERIC, "Keys", "out only");
    const AlsaPortInfo longName = port(129, 12, kWritable, SND_SEQ_PORT_TYPE_SYNTHESIZER,
                                       "A client name much longer than thirty-two", "p");
    const std::string text = formatAlsaPortList({kThrough, source, kSynth, longName});
    EXPECT_EQ(" Port    Client name                      Port name\n"
              " 14:0    Midi Through                     Midi Through Port-0\n"
              "128:0    FLUID Synth (1234)               Synth input port (1234:0)\n"
              "129:12   A client name much longer than t p\n",
              text);
}

TEST(AlsaMidiDevice, FailsCleanlyWithoutASequencer)
{
    if (access("/dev/snd/seq", F_OK) == 0)
        GTEST_SKIP() << "this machine has an ALSA sequencer";
    AlsaMidiDevice device("128:0");
    EXPECT_FALSE(device.open());
    EXPECT_NE(nullptr, std::strstr(device.errorText(), "ALSA sequencer")) << device.errorText();
    device.sendShort(0x00643C90);
    const uint8_t gm[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    EXPECT_EQ(uint32_t(ENODEV), device.sendLong(gm, sizeof gm));
    device.close();
    std::string text, error;
    EXPECT_FALSE(listAlsaPorts(text, error));
    EXPECT_FALSE(error.empty());
}

// A client of our own with one writable port stands in for a synth.
class AlsaReceiver : public testing::Test {
protected:
    void SetUp() override
    {
        if (access("/dev/snd/seq", R_OK | W_OK) != 0)
            GTEST_SKIP() << "no ALSA sequencer (/dev/snd/seq) on this machine";
        ASSERT_GE(snd_seq_open(&seq_, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK), 0);
        snd_seq_set_client_name(seq_, "Orvanel test receiver");
        port_ = snd_seq_create_simple_port(seq_, "in", kWritable,
                                           SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
        ASSERT_GE(port_, 0);
        std::snprintf(address_, sizeof address_, "%d:%d", snd_seq_client_id(seq_), port_);
    }
    void TearDown() override
    {
        if (seq_)
            snd_seq_close(seq_);
    }
    // The next event for our port, skipping the announcements of the connection; null
    // after a second of nothing.
    snd_seq_event_t* next()
    {
        for (int tries = 0; tries < 100; ++tries) {
            snd_seq_event_t* ev = nullptr;
            if (snd_seq_event_input(seq_, &ev) >= 0 && ev) {
                if (ev->type == SND_SEQ_EVENT_PORT_SUBSCRIBED || ev->type == SND_SEQ_EVENT_PORT_UNSUBSCRIBED)
                    continue;
                return ev;
            }
            pollfd fds[4];
            const int n = snd_seq_poll_descriptors(seq_, fds, 4, POLLIN);
            poll(fds, n, 10);
        }
        return nullptr;
    }

    snd_seq_t* seq_ = nullptr;
    int port_ = -1;
    char address_[32] = {};
};

TEST_F(AlsaReceiver, ShortMessagesArriveAsTheirEvents)
{
    AlsaMidiDevice device(address_);
    ASSERT_TRUE(device.open()) << device.errorText();
    EXPECT_EQ(snd_seq_client_id(seq_), device.destinationClient());

    device.sendShort(0x00643C92);
    snd_seq_event_t* ev = next();
    ASSERT_NE(nullptr, ev);
    EXPECT_EQ(SND_SEQ_EVENT_NOTEON, ev->type);
    EXPECT_EQ(2, ev->data.note.channel);
    EXPECT_EQ(60, ev->data.note.note);
    EXPECT_EQ(100, ev->data.note.velocity);

    device.sendShort(0x005B0AB3); // pan 91 on channel 4
    ev = next();
    ASSERT_NE(nullptr, ev);
    EXPECT_EQ(SND_SEQ_EVENT_CONTROLLER, ev->type);
    EXPECT_EQ(3, ev->data.control.channel);
    EXPECT_EQ(10u, ev->data.control.param);
    EXPECT_EQ(91, ev->data.control.value);

    device.sendShort(0x000000E0); // lowest bend
    ev = next();
    ASSERT_NE(nullptr, ev);
    EXPECT_EQ(SND_SEQ_EVENT_PITCHBEND, ev->type);
    EXPECT_EQ(-8192, ev->data.control.value);
}

TEST_F(AlsaReceiver, SystemExclusiveArrivesWhole)
{
    AlsaMidiDevice device(address_);
    ASSERT_TRUE(device.open()) << device.errorText();
    const uint8_t gs[] = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
    EXPECT_EQ(0u, device.sendLong(gs, sizeof gs));
    snd_seq_event_t* ev = next();
    ASSERT_NE(nullptr, ev);
    EXPECT_EQ(SND_SEQ_EVENT_SYSEX, ev->type);
    ASSERT_EQ(sizeof gs, ev->data.ext.len);
    EXPECT_EQ(0, std::memcmp(gs, ev->data.ext.ptr, sizeof gs));

    const uint8_t notSysex[] = {0x90, 0x3C, 0x64};
    EXPECT_EQ(uint32_t(EINVAL), device.sendLong(notSysex, sizeof notSysex));
}

} // namespace

#endif // ORVANEL_HAVE_ALSA
