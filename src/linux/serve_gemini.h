#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace kov::gemini {

// "kov-sky-mapper --serve-gemini ENDPOINT [--scenario FILE]": the simulated observatory's
// Gemini served on a real line until Ctrl+C, for INDI clients, KStars or our own link.
// ENDPOINT is udp:HOST:PORT, tcp:HOST:PORT or pty. Returns the process's exit status.
int ServeGemini(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

}  // namespace kov::gemini
