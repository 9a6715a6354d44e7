#pragma once

#include <memory>
#include <optional>
#include <string>

namespace kov::sim {

class Observatory;
struct SimWorld;

// The simulated Gemini controller as it answers on its own serial line or network port: the
// LX200-style commands a driver sends (position, targets, slews, sync, additional alignment,
// the site, time and version reads made at connect) and native commands with their checksums.
// Not thread-safe: whoever serves it on a line serialises the calls.
class GeminiWire {
  public:
    explicit GeminiWire(Observatory& observatory);

    // The answer to one framed command (":GR#", "<201:u#", "\x06"), as the controller puts it
    // on the line; "" when the command has none; nothing when the controller refuses the
    // command outright (a native command whose checksum is wrong) and stays silent.
    std::optional<std::string> answer(const std::string& framed);

  private:
    std::string controller(const std::string& framed);
    std::string slew(bool altAz);

    std::shared_ptr<SimWorld> world_;
    std::optional<double> targetRa_;
    std::optional<double> targetDec_;
    std::optional<double> targetAz_;
    std::optional<double> targetAlt_;
};

}  // namespace kov::sim
