#pragma once
// Rewrites of the event stream on the way to the module: key shift, program conversion
// for MT-32 / CM-32L / CM-32P songs, and the bank-select filter.
#include <cstdint>

struct Settings;

extern const uint8_t mt32ProgramMap[128];
extern const uint8_t cm32pProgramMap[128];

// Note number for a note on/off on a key-shifted channel; other messages unchanged.
// A shifted note outside 0..127 becomes 0.
uint8_t shiftKey(const Settings& settings, uint8_t status, uint8_t note);

// Program for a program change on channel (0..15), given the channel's last bank
// select MSB. *line receives a text to print when a conversion by bank happened.
uint8_t convertProgram(uint8_t bankMode, uint32_t channel, uint8_t program, uint8_t bankMsb,
                       const char** line);

// True when a packed two-data-byte channel message may be sent in this bank mode.
bool bankFilterPasses(uint8_t bankMode, uint32_t message);
