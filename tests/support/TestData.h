#pragma once
// Real media files embedded into the test executables.
#include "platform/ByteBlock.h"

extern "C" const unsigned char TestToneMp3[];
extern "C" const unsigned char TestTune48kMonoMp3[];
extern "C" const unsigned char TestTune22kMp3[];

// One second of a 440 Hz tone, MPEG-1 Layer III, 128 kbit/s, 44.1 kHz, joint stereo.
inline ByteBlock ToneMp3() {
    return ByteBlock::FromDataPointer(TestToneMp3);
}

// 1.2 s of four decaying notes (lame, constant bit rate): MPEG-1 Layer III,
// 48 kbit/s, 48 kHz mono; and MPEG-2 Layer III, 40 kbit/s, 22.05 kHz joint
// stereo with different notes on each side.
inline ByteBlock Tune48kMonoMp3() {
    return ByteBlock::FromDataPointer(TestTune48kMonoMp3);
}
inline ByteBlock Tune22kMp3() {
    return ByteBlock::FromDataPointer(TestTune22kMp3);
}
