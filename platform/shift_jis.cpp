#include "platform/shift_jis.h"

void upperCaseAscii(char* text) {
    for (unsigned char* p = reinterpret_cast<unsigned char*>(text); *p != 0;) {
        if (p[1] != 0 && isDoubleByte(p[0], p[1])) {
            p += 2;  // the second byte may look like a letter but is part of the character
            continue;
        }
        if (*p >= 'a' && *p <= 'z') *p = static_cast<unsigned char>(*p - 'a' + 'A');
        ++p;
    }
}
