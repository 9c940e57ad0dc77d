#pragma once
// The start window's set-up: the host over the photograph, the four page
// buttons, the letter, the contact link, the picture strip and the song.
#include <string>

#include "app/SongFile.h"  // the song the start window places and plays
#include "runtime/Form.h"

namespace gift {

// The messenger address the contact link opens.
inline constexpr char kContactAddress[] = "tencent://message/?uin=520131420";

// Runs from the start form's Created event. The controls are placed at the
// rectangles of the form's labels 标签1..标签7, read now, so a changed form
// moves them. Nothing is checked: a control that cannot be made is missing
// and a song that cannot be placed is played from WriteSong's answer. The
// song is written and started from the message loop, once the window shows.
void SetUpStartWindow(runtime::UnitRef form);

}  // namespace gift
