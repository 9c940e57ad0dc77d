#pragma once
// Real media files embedded into the test executables.
#include "platform/ByteBlock.h"

extern "C" const unsigned char TestToneMp3[];

// One second of a 440 Hz tone, MPEG-1 Layer III, 128 kbit/s, 44.1 kHz, joint stereo.
inline ByteBlock ToneMp3() {
    return ByteBlock::FromDataPointer(TestToneMp3);
}
