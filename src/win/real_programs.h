#pragma once

// Needs no windows.h: the Qt window's and the command line's mains include it.

#include <memory>

#include "station/programs.h"

namespace kov::win {

// The real programs on this machine through COM automation (TheSky, CCDSoft, MaxIm DL, the
// Gemini ASCOM driver and the driver utilities), and the Windows desktop. The calling thread
// joins a single-threaded apartment for as long as the result lives; every object its factory
// made must be gone before it goes.
std::unique_ptr<Programs> MakeRealPrograms();

}  // namespace kov::win
