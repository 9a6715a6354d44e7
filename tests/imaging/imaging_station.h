#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "mount/device_objects.h"
#include "sim/observatory.h"
#include "station/station.h"
#include "station/texts.h"
#include "support/scripted_operator.h"
#include "support/virtual_clock.h"

namespace kov::test {

using Lines = std::vector<std::string>;

// What the solver and the sensor report when a test needs an exact edge; unset: the simulated
// observatory's own value.
struct Readings {
    std::optional<long> stars;
    std::optional<double> scale;
    std::optional<double> northAngle;
    std::optional<double> temperature;
};

// A CCDSoft image that reports the scripted readings after the simulated solver has run.
class ScriptedImage : public CcdImage {
  public:
    ScriptedImage(std::shared_ptr<CcdImage> inner, const Readings& r)
        : in_(std::move(inner)), r_(r) {}
    void AttachToActiveImager() override { in_->AttachToActiveImager(); }
    double ScaleInArcsecondsPerPixel() override {
        const double v = in_->ScaleInArcsecondsPerPixel();
        return solved_ && r_.scale ? *r_.scale : v;
    }
    void SetScaleInArcsecondsPerPixel(double v) override { in_->SetScaleInArcsecondsPerPixel(v); }
    std::string Path() override { return in_->Path(); }
    void SetPath(const std::string& p) override { in_->SetPath(p); }
    void Save() override { in_->Save(); }
    void InsertWCS(int v) override {
        in_->InsertWCS(v);
        solved_ = true;
    }
    long WCSArrayUpperBound(int i) override {
        const long v = in_->WCSArrayUpperBound(i);
        return r_.stars ? *r_.stars : v;
    }
    double NorthAngle() override {
        const double v = in_->NorthAngle();
        return r_.northAngle ? *r_.northAngle : v;
    }

  private:
    std::shared_ptr<CcdImage> in_;
    const Readings& r_;
    bool solved_ = false;
};

// The CCDSoft camera, with every call and the value it passed written down.
class RecordingCcdCamera : public CcdCamera {
  public:
    RecordingCcdCamera(std::shared_ptr<CcdCamera> inner, Lines& rec)
        : in_(std::move(inner)), rec_(rec) {}
    void Connect() override { in_->Connect(); }
    void Disconnect() override { in_->Disconnect(); }
    void SetExposureTime(double v) override { put("ExposureTime", v), in_->SetExposureTime(v); }
    void SetBinX(double v) override { put("BinX", v), in_->SetBinX(v); }
    void SetBinY(double v) override { put("BinY", v), in_->SetBinY(v); }
    void SetImageReduction(int v) override { put("ImageReduction", v), in_->SetImageReduction(v); }
    void SetSeries(int v) override { put("Series", v), in_->SetSeries(v); }
    void SetDelay(int v) override { put("Delay", v), in_->SetDelay(v); }
    bool AutoSaveOn() override { return rec_.push_back("AutoSaveOn?"), in_->AutoSaveOn(); }
    void SetAutoSaveOn(bool v) override { put("AutoSaveOn", v), in_->SetAutoSaveOn(v); }
    void SetAsynchronous(bool v) override { put("Asynchronous", v), in_->SetAsynchronous(v); }
    void TakeImage() override { rec_.push_back("TakeImage"), in_->TakeImage(); }
    int State() override { return in_->State(); }
    std::string Status() override { return in_->Status(); }
    void Abort() override { rec_.push_back("Abort"), in_->Abort(); }
    void SetAutoSaveFileFormat(int v) override {
        put("AutoSaveFileFormat", v), in_->SetAutoSaveFileFormat(v);
    }

  private:
    void put(const std::string& name, double v) { rec_.push_back(name + "=" + GeneralNumber(v)); }
    std::shared_ptr<CcdCamera> in_;
    Lines& rec_;
};

// The MaxIm DL camera with a sensor that reads the scripted temperature.
class ScriptedMaximCamera : public MaximCamera {
  public:
    ScriptedMaximCamera(std::shared_ptr<MaximCamera> inner, const Readings& r)
        : in_(std::move(inner)), r_(r) {}
    void SetLinkEnabled(bool v) override { in_->SetLinkEnabled(v); }
    double BinX() override { return in_->BinX(); }
    void SetBinX(double v) override { in_->SetBinX(v); }
    void SetBinY(double v) override { in_->SetBinY(v); }
    double Temperature() override {
        const double v = in_->Temperature();
        return r_.temperature ? *r_.temperature : v;
    }
    void Expose(double s, int light) override { in_->Expose(s, light); }
    bool ImageReady() override { return in_->ImageReady(); }
    void AbortExposure() override { in_->AbortExposure(); }
    std::shared_ptr<MaximDocument> Document() override { return in_->Document(); }

  private:
    std::shared_ptr<MaximCamera> in_;
    const Readings& r_;
};

// The simulated observatory's programs, with CCDSoft images that report the scripted readings.
class ScriptedFactory : public ObjectFactory {
  public:
    ScriptedFactory(ObjectFactory& inner, const Readings& r) : in_(inner), r_(r) {}
    std::shared_ptr<AscomTelescope> createAscomTelescope(const std::string& id) override {
        return in_.createAscomTelescope(id);
    }
    std::shared_ptr<SkyTelescope> createSkyTelescope(const std::string& id) override {
        return in_.createSkyTelescope(id);
    }
    std::shared_ptr<SkyPlanetarium> createPlanetarium(const std::string& id) override {
        return in_.createPlanetarium(id);
    }
    std::shared_ptr<DriverUtil> createDriverUtil(const std::string& id) override {
        return in_.createDriverUtil(id);
    }
    std::shared_ptr<DriverChooser> createChooser(const std::string& id) override {
        return in_.createChooser(id);
    }
    std::shared_ptr<CcdCamera> createCcdCamera(const std::string& id) override {
        return in_.createCcdCamera(id);
    }
    std::shared_ptr<CcdImage> createCcdImage(const std::string& id) override {
        return std::make_shared<ScriptedImage>(in_.createCcdImage(id), r_);
    }
    std::shared_ptr<MaximApplication> createMaximApplication(const std::string& id) override {
        return in_.createMaximApplication(id);
    }

  private:
    ObjectFactory& in_;
    const Readings& r_;
};

// A connected station on the simulated observatory, camera software as chosen, writing its
// image files into a folder of its own.
struct ImagingStation {
    explicit ImagingStation(bool ccdSoft, sim::Scenario scenario = sim::DefaultScenario())
        : sim(std::move(scenario), clock) {
        folder = std::filesystem::temp_directory_path() /
                 ("kov_imaging_" + std::to_string(reinterpret_cast<std::uintptr_t>(this)));
        std::filesystem::create_directories(folder);
        sim.setWorkingDirectory(folder);
        st.settings.bCCDSoft = ccdSoft;
        st.settings.PixelScale = "1.85";  // the simulated camera's own
        st.settings.Exposure = "2";
        ok = CreateObjects(st) && ConnectObjects(st);
        if (ccdSoft) {
            st.devices.ccdCamera =
                std::make_shared<RecordingCcdCamera>(st.devices.ccdCamera, camera);
        } else {
            st.devices.maximCamera =
                std::make_shared<ScriptedMaximCamera>(st.devices.maximCamera, readings);
        }
        mark();
    }
    ~ImagingStation() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    // The simulated programs' operations since the station connected, repeats of a poll kept once.
    Lines calls() const {
        Lines out;
        for (auto it = sim.callLog().begin() + static_cast<long>(callMark);
             it != sim.callLog().end(); ++it) {
            if (out.empty() || out.back() != *it) {
                out.push_back(*it);
            }
        }
        return out;
    }
    void mark() {
        callMark = sim.callLog().size();
        logMark = st.log.text().size();
        ui.labelHistory.clear();
    }
    bool called(const std::string& operation) const {
        const Lines all = calls();
        return std::find(all.begin(), all.end(), operation) != all.end();
    }
    // The log entries since the station connected, without their times.
    Lines logLines() const {
        Lines out;
        std::istringstream in(st.log.text().substr(logMark));
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            out.push_back(line.size() > 10 ? line.substr(10) : line);
        }
        return out;
    }
    const Lines& status() { return ui.labelHistory[Label::Status]; }

    ScriptedOperator ui;
    VirtualClock clock;
    sim::Observatory sim;
    Readings readings;
    ScriptedFactory factory{sim.factory(), readings};
    Station st{ui, clock, factory, sim.desktop()};
    Lines camera;
    std::filesystem::path folder;
    bool ok = false;
    std::size_t callMark = 0;
    std::size_t logMark = 0;
};

}  // namespace kov::test
