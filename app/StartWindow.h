#pragma once
// The start window's set-up: the host over the photograph, the four page
// buttons, the letter, the contact link, the picture strip and the song.
#include <string>

#include "runtime/Form.h"

namespace gift {

// The messenger address the contact link opens.
inline constexpr char kContactAddress[] = "tencent://message/?uin=520131420";

// Beside the executable; the bare name when the program's folder is unknown.
std::string MusicPath();
// In the temporary folder; empty when that is unknown.
std::string FallbackMusicPath();
// Writes the song beside the program and returns where it is to be played
// from: there when written or when a file of that name is already there,
// otherwise the temporary folder when the song could be written into it.
std::string WriteSong();

// Runs from the start form's Created event. The controls are placed at the
// rectangles of the form's labels 标签1..标签7, read now, so a changed form
// moves them. Nothing is checked: a control that cannot be made is missing
// and a song that cannot be written is played from WriteSong's place. The
// song is written and started from the message loop, once the window shows.
void SetUpStartWindow(runtime::UnitRef form);

}  // namespace gift
