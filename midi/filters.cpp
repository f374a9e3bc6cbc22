#include "midi/filters.h"

#include "core/settings.h"

const uint8_t mt32ProgramMap[128] = {
    0,   1,   2,   5,   4,   4,   4,   3,   16,  16,  16,  16,  19,  19,  19,  21,
    6,   6,   6,   7,   7,   7,   8,   8,   62,  62,  62,  62,  38,  38,  38,  38,
    88,  92,  52,  92,  97,  99,  98,  53,  96,  96,  68,  52,  87,  20,  7,   80,
    48,  48,  49,  45,  40,  41,  42,  42,  43,  46,  46,  24,  25,  29,  30,  104,
    32,  32,  33,  34,  36,  37,  35,  35,  73,  73,  72,  72,  74,  75,  64,  65,
    66,  67,  71,  71,  68,  69,  70,  22,  56,  56,  57,  57,  60,  60,  58,  61,
    61,  11,  11,  15,  112, 9,   14,  13,  12,  107, 17,  77,  78,  79,  76,  76,
    47,  117, 118, 118, 118, 116, 115, 119, 115, 9,   55,  124, 123, 125, 102, 122,
};

const uint8_t cm32pProgramMap[128] = {
    1,  1,  1,  3,  0,  1,  1,  4,  5,  5,  26, 26, 25, 30, 28, 36,
    36, 36, 36, 37, 37, 37, 37, 33, 33, 34, 34, 35, 32, 52, 52, 52,
    52, 49, 48, 50, 50, 16, 16, 16, 17, 16, 16, 17, 17, 17, 56, 56,
    57, 57, 57, 57, 57, 57, 65, 66, 67, 64, 61, 61, 62, 62, 61, 55,
    // 64..127: no counterpart on the CM-32P side.
};

uint8_t shiftKey(const Settings& settings, uint8_t status, uint8_t note) {
    const uint8_t kind = status & 0xF0;
    if (kind != 0x80 && kind != 0x90) return note;
    if (!settings.keyShiftChannels[status & 0x0F]) return note;
    const uint8_t shifted = static_cast<uint8_t>(note + settings.keyShift.load());
    return (shifted & 0x80) ? 0 : shifted;
}

uint8_t convertProgram(uint8_t bankMode, uint32_t channel, uint8_t program, uint8_t bankMsb,
                       const char** line) {
    *line = nullptr;
    const uint8_t p = program & 0x7F;  // never index past the tables
    switch (bankMode) {
    case 2:
        if (bankMsb == 127) {
            *line = "conv CM-32L to SC";
            return mt32ProgramMap[p];
        }
        if (bankMsb == 126) {
            *line = "conv CM-32P to SC";
            return cm32pProgramMap[p];
        }
        return program;
    case 3:
        return channel == 9 ? program : mt32ProgramMap[p];
    case 4:
        if (channel < 9) return mt32ProgramMap[p];
        if (channel == 9) return program;
        return cm32pProgramMap[p];
    default:
        return program;
    }
}

bool bankFilterPasses(uint8_t bankMode, uint32_t message) {
    if (bankMode == 0) return true;
    if ((message & 0xF0) != 0xB0) return true;
    const uint32_t controller = (message >> 8) & 0xFF;
    return controller != 0 && controller != 32;
}
