// 共用関数, the shared-routines module: the background-music routines and the three globals that the
// window's operations share with them.
#pragma once

#include <cstdint>
#include <string>

#include "platform/runtime/variant.h"

// The music is to play and to loop. A 16-bit boolean of the old language: true is -1, and the music
// routines act only when it is exactly -1.
extern int16_t BgmLoop;
// The one counter of the counted loops of several operations (layout, ShowText, the reset loop of a new
// game), and the holder of a run's count text in the interpreter.
extern platform::Variant LoopVar;
// The counter of the interpreter's runs; one variable for every level of nested runs.
extern platform::Variant RunVar;

void OpenBgm(const std::string& path);
void CloseBgm();
void PlayBgm();
