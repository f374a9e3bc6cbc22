#include "platform/win32/winmm_midi.h"

bool WinmmMidiDevice::open() {
    if (handle_) return true;
    return midiOutOpen(&handle_, MIDI_MAPPER, 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR;
}

void WinmmMidiDevice::close() {
    if (!handle_) return;
    midiOutClose(handle_);
    handle_ = nullptr;
}

void WinmmMidiDevice::sendShort(uint32_t message) {
    midiOutShortMsg(handle_, message);
}

uint32_t WinmmMidiDevice::sendLong(const uint8_t* bytes, uint32_t count) {
    header_.lpData = reinterpret_cast<LPSTR>(const_cast<uint8_t*>(bytes));
    header_.dwBufferLength = count;
    header_.dwBytesRecorded = count;
    header_.dwFlags = 0;
    MMRESULT result = midiOutPrepareHeader(handle_, &header_, sizeof header_);
    if (result != MMSYSERR_NOERROR) return result;
    result = midiOutLongMsg(handle_, &header_, sizeof header_);
    if (result != MMSYSERR_NOERROR) {
        // Released at once, so the header is free for the next message.
        midiOutUnprepareHeader(handle_, &header_, sizeof header_);
        return result;
    }
    // The caller may reuse the bytes once the device no longer plays them.
    while (midiOutUnprepareHeader(handle_, &header_, sizeof header_) == MIDIERR_STILLPLAYING) {
    }
    return MMSYSERR_NOERROR;
}
