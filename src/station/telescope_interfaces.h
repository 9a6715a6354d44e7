#pragma once

#include <string>

// The mount side's outside programs, operation for operation as the procedures use them.
// Right ascension is in hours; declination, altitude and azimuth in degrees.
// Every operation may throw kov::AutomationError.

namespace kov {

// The ASCOM telescope driver of the Gemini controller.
class AscomTelescope {
  public:
    virtual ~AscomTelescope() = default;
    virtual bool Connected() = 0;
    virtual void SetConnected(bool value) = 0;
    virtual std::string Name() = 0;
    virtual bool CommandBool(const std::string& command) = 0;
    virtual std::string CommandString(const std::string& command) = 0;
    virtual std::string CommandNative(const std::string& command) = 0;
};

// TheSky's telescope object ("TheSky.RASCOMTele", "TheSky6.RASCOMTele").
class SkyTelescope {
  public:
    virtual ~SkyTelescope() = default;
    virtual void Connect() = 0;
    virtual void Disconnect() = 0;
    virtual int IsConnected() = 0;
    virtual void SetAsynchronous(bool value) = 0;
    virtual void GetRaDec() = 0;
    virtual double dRA() = 0;
    virtual double dDec() = 0;
    virtual void GetAzAlt() = 0;
    virtual double dAlt() = 0;
    virtual double dAz() = 0;
    virtual void SlewToRaDec(double ra, double dec, const std::string& objectName) = 0;
    virtual void SlewToAzAlt(double az, double alt, const std::string& objectName) = 0;
    virtual int IsSlewComplete() = 0;
};

// TheSky's planetarium object ("TheSky.RASCOMTheSky", "TheSky6.RASCOMTheSky") with its image link.
class SkyPlanetarium {
  public:
    virtual ~SkyPlanetarium() = default;
    virtual void Connect() = 0;
    virtual void Disconnect() = 0;
    // Frees the mount for an ASCOM driver connection; the telescope's Connect takes it back.
    virtual void DisconnectTelescope() = 0;
    // Solves the image shown in the planetarium near the given position; throws when it fails.
    virtual void ImageLink(double scaleArcsecPerPixel, double ra, double dec) = 0;
    virtual void GetObjectRaDec(const std::string& objectName) = 0;
    virtual double dObjectRa() = 0;
    virtual double dObjectDec() = 0;
};

// "DriverHelper.Util".
class DriverUtil {
  public:
    virtual ~DriverUtil() = default;
    virtual double DMSToDegrees(const std::string& text) = 0;
    virtual std::string DegreesToDMS(double degrees, const std::string& degSep,
                                     const std::string& minSep, const std::string& secSep) = 0;
    virtual std::string HoursToHMS(double hours, const std::string& hrSep,
                                   const std::string& minSep, const std::string& secSep) = 0;
};

// "DriverHelper.Chooser".
class DriverChooser {
  public:
    virtual ~DriverChooser() = default;
    virtual void SetDeviceType(const std::string& type) = 0;
    virtual std::string Choose(const std::string& currentId) = 0;
};

}  // namespace kov
