#pragma once

#include <string>

namespace kov::sim {

// A sky position: right ascension in hours, declination in degrees.
struct SkyPosition {
    double ra = 0.0;
    double dec = 0.0;
};

// One Gemini command as the controller received it, and its reply.
struct CommandExchange {
    std::string command;
    std::string reply;
};

// Who has the mount's serial port: only one client can talk to the controller at a time.
enum class PortHolder { None, TheSky, Driver };

}  // namespace kov::sim
