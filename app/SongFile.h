#pragma once
// The song as a file the player can open: beside the program when the folder
// takes it, else in the temporary folder. The recipient's own files are never
// overwritten: a name already taken by other bytes is passed over for the
// next free one (音乐.mp3, 音乐 (2).mp3, …).
#include <initializer_list>
#include <string>

#include "platform/ByteBlock.h"

namespace gift {

// 音乐.mp3 beside the executable; the bare name when the program's folder is
// unknown.
std::string MusicPath();
// 音乐.mp3 in the temporary folder; empty when that is unknown.
std::string FallbackMusicPath();

// Where `song` is, in the first of `folders` (GBK paths; empty means the
// current folder) that holds it or takes it: a file of the song's name with
// exactly these bytes is used as it is, one with other bytes is left alone
// for the next name, a free name is written. Empty when no folder takes it.
std::string PlaceSong(std::initializer_list<std::string> folders, ByteBlock song);

// The gift's own song placed beside the program, else in the temporary
// folder; MusicPath() when neither takes it (the player then finds nothing).
std::string WriteSong();

}  // namespace gift
