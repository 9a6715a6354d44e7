#pragma once

#include <memory>
#include <string>

// The imaging side's outside programs, operation for operation as the procedures use them.
// Every operation may throw kov::AutomationError.

namespace kov {

// "CCDSoft.Camera".
class CcdCamera {
  public:
    virtual ~CcdCamera() = default;
    virtual void Connect() = 0;
    virtual void Disconnect() = 0;
    virtual void SetExposureTime(double seconds) = 0;
    virtual void SetBinX(double factor) = 0;
    virtual void SetBinY(double factor) = 0;
    virtual void SetImageReduction(int value) = 0;  // 1 dark subtraction, 0 none
    virtual void SetSeries(int value) = 0;
    virtual void SetDelay(int value) = 0;
    virtual bool AutoSaveOn() = 0;
    virtual void SetAutoSaveOn(bool value) = 0;
    virtual void SetAsynchronous(bool value) = 0;
    virtual void TakeImage() = 0;
    virtual int State() = 0;  // 0 when the exposure is finished
    virtual std::string Status() = 0;
    virtual void Abort() = 0;
    virtual void SetAutoSaveFileFormat(int value) = 0;
};

// "CCDSoft.Image", one per image.
class CcdImage {
  public:
    virtual ~CcdImage() = default;
    virtual void AttachToActiveImager() = 0;
    virtual double ScaleInArcsecondsPerPixel() = 0;
    virtual void SetScaleInArcsecondsPerPixel(double value) = 0;
    virtual std::string Path() = 0;
    virtual void SetPath(const std::string& path) = 0;
    virtual void Save() = 0;
    virtual void InsertWCS(int value) = 0;  // plate solution; throws when it fails
    // Upper bound of WCSArray(index): the count of matched stars.
    virtual long WCSArrayUpperBound(int index) = 0;
    virtual double NorthAngle() = 0;
};

// MaxIm DL's document: the last image of its camera.
class MaximDocument {
  public:
    virtual ~MaximDocument() = default;
    virtual void SaveFile(const std::string& path, int format, bool stretch, int sizeFormat,
                          bool compress) = 0;
    virtual void Calibrate() = 0;
    virtual void Copy() = 0;  // the image goes to the clipboard
};

// MaxIm DL's camera.
class MaximCamera {
  public:
    virtual ~MaximCamera() = default;
    virtual void SetLinkEnabled(bool value) = 0;
    virtual double BinX() = 0;
    virtual void SetBinX(double factor) = 0;
    virtual void SetBinY(double factor) = 0;
    virtual double Temperature() = 0;
    virtual void Expose(double seconds, int light) = 0;  // 1 light frame, 0 dark frame
    virtual bool ImageReady() = 0;
    virtual void AbortExposure() = 0;
    virtual std::shared_ptr<MaximDocument> Document() = 0;  // null when there is none
};

// "Maxim.Application".
class MaximApplication {
  public:
    virtual ~MaximApplication() = default;
    virtual std::shared_ptr<MaximCamera> CCDCamera() = 0;
    virtual void CalClear() = 0;
    virtual void CalAddDark(const std::string& path) = 0;
    virtual void CalSet() = 0;
};

}  // namespace kov
