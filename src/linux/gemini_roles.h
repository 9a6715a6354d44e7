#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "linux/gemini_link.h"
#include "station/telescope_interfaces.h"

// The mount's two roles filled on Linux by one Gemini link, shared: the Gemini's ASCOM driver
// (raw commands for the model) and TheSky's telescope (position, slews). Each opens the shared
// link when it connects and lets go of it when it disconnects; the link itself lives as long as
// any role holds it.

namespace kov::gemini {

inline constexpr std::int32_t kErrNotConnected = static_cast<std::int32_t>(0x80040407u);
inline constexpr std::int32_t kErrSlewRefused = 1002;

// Hands out the one link to the Gemini, opening it on first use.
class SharedLink {
  public:
    SharedLink(std::string address, LinkOptions options = {})
        : address_(std::move(address)), options_(options) {}
    std::shared_ptr<GeminiLink> acquire();
    std::string address() const;
    // A new address takes effect at the next connection; roles connected now keep their link.
    void setAddress(std::string address);

  private:
    std::string address_;
    LinkOptions options_;
    mutable std::mutex mutex_;
    std::weak_ptr<GeminiLink> link_;
};

class GeminiAscomDriver : public AscomTelescope {
  public:
    explicit GeminiAscomDriver(std::shared_ptr<SharedLink> shared) : shared_(std::move(shared)) {}
    bool Connected() override { return link_ != nullptr; }
    // Opens the link and checks that a Gemini answers on it; throws AutomationError when not.
    void SetConnected(bool value) override;
    std::string Name() override;
    // "Sr10:30:00" goes out as ":Sr10:30:00#"; true when the controller answers "1".
    bool CommandBool(const std::string& command) override;
    std::string CommandString(const std::string& command) override;
    // "<201:" or "201:" goes out with its checksum and terminator.
    std::string CommandNative(const std::string& command) override;

  private:
    GeminiLink& link();
    std::shared_ptr<SharedLink> shared_;
    std::shared_ptr<GeminiLink> link_;
};

class GeminiSkyTelescope : public SkyTelescope {
  public:
    // A slew that the caller waits for ends at this bound at the latest.
    explicit GeminiSkyTelescope(std::shared_ptr<SharedLink> shared,
                                std::chrono::seconds slewLimit = std::chrono::seconds(300))
        : shared_(std::move(shared)), slewLimit_(slewLimit) {}
    void Connect() override;
    void Disconnect() override { link_.reset(); }
    int IsConnected() override { return link_ ? 1 : 0; }
    void SetAsynchronous(bool value) override { asynchronous_ = value; }
    void GetRaDec() override;
    double dRA() override { return ra_; }
    double dDec() override { return dec_; }
    void GetAzAlt() override;
    double dAlt() override { return alt_; }
    double dAz() override { return az_; }
    void SlewToRaDec(double ra, double dec, const std::string& objectName) override;
    void SlewToAzAlt(double az, double alt, const std::string& objectName) override;
    int IsSlewComplete() override;
    // Stops any slew at once.
    void Abort();

  private:
    GeminiLink& link();
    void slew(const std::string& first, const std::string& second, const char* go);
    std::shared_ptr<SharedLink> shared_;
    std::shared_ptr<GeminiLink> link_;
    std::chrono::seconds slewLimit_;
    bool asynchronous_ = false;
    double ra_ = 0.0;
    double dec_ = 0.0;
    double alt_ = 0.0;
    double az_ = 0.0;
};

}  // namespace kov::gemini
