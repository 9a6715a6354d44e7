#pragma once

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/device_objects.h"
#include "run/run_trace.h"

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

// A CCDSoft image whose solution reports the scripted readings.
struct ScriptedImage : CcdImage {
    ScriptedImage(std::shared_ptr<CcdImage> inner, const Readings& r)
        : in(std::move(inner)), r(r) {}
    void AttachToActiveImager() override { in->AttachToActiveImager(); }
    double ScaleInArcsecondsPerPixel() override {
        const double v = in->ScaleInArcsecondsPerPixel();
        return r.scale.value_or(v);
    }
    void SetScaleInArcsecondsPerPixel(double v) override { in->SetScaleInArcsecondsPerPixel(v); }
    std::string Path() override { return in->Path(); }
    void SetPath(const std::string& p) override { in->SetPath(p); }
    void Save() override { in->Save(); }
    void InsertWCS(int v) override { in->InsertWCS(v); }
    long WCSArrayUpperBound(int i) override {
        const long v = in->WCSArrayUpperBound(i);
        return r.stars.value_or(v);
    }
    double NorthAngle() override {
        const double v = in->NorthAngle();
        return r.northAngle.value_or(v);
    }
    std::shared_ptr<CcdImage> in;
    const Readings& r;
};

// The MaxIm DL camera with a sensor that reads the scripted temperature.
struct ScriptedMaximCamera : MaximCamera {
    ScriptedMaximCamera(std::shared_ptr<MaximCamera> inner, const Readings& r)
        : in(std::move(inner)), r(r) {}
    void SetLinkEnabled(bool v) override { in->SetLinkEnabled(v); }
    double BinX() override { return in->BinX(); }
    void SetBinX(double v) override { in->SetBinX(v); }
    void SetBinY(double v) override { in->SetBinY(v); }
    double Temperature() override {
        const double v = in->Temperature();
        return r.temperature.value_or(v);
    }
    void Expose(double s, int light) override { in->Expose(s, light); }
    bool ImageReady() override { return in->ImageReady(); }
    void AbortExposure() override { in->AbortExposure(); }
    std::shared_ptr<MaximDocument> Document() override { return in->Document(); }
    std::shared_ptr<MaximCamera> in;
    const Readings& r;
};

// The night these tests were made for: a camera of 1.85"/pixel, whose binned scale lies within
// the solver's reach of the scales the checks are tried at.
inline sim::Scenario ImagingNight() {
    sim::Scenario sc = sim::DefaultScenario();
    sc.pixelScale = 1.85;
    return sc;
}

// A connected station on the simulated observatory, camera software as chosen, writing its
// image files into a folder of its own.
struct ImagingStation : RunStation {
    explicit ImagingStation(bool ccdSoft, sim::Scenario scenario = ImagingNight())
        : RunStation(std::move(scenario)) {
        factory.image = [this](std::shared_ptr<CcdImage> in) {
            return std::make_shared<ScriptedImage>(std::move(in), readings);
        };
        st.settings.bCCDSoft = ccdSoft;
        st.settings.PixelScale = GeneralNumber(sim.scenario().pixelScale);  // the camera's own
        st.settings.Exposure = "2";
        ok = CreateObjects(st) && ConnectObjects(st);
        if (!ccdSoft) {
            st.devices.maximCamera =
                std::make_shared<ScriptedMaximCamera>(st.devices.maximCamera, readings);
        }
        mark();
    }

    // The simulated programs' operations since the last mark, repeats of a poll kept once.
    Lines calls() const {
        Lines out;
        for (const std::string& call : SimStation::calls()) {
            if (out.empty() || out.back() != call) {
                out.push_back(call);
            }
        }
        return out;
    }
    int count(const std::string& operation) const {
        const Lines all = calls();
        return static_cast<int>(std::count(all.begin(), all.end(), operation));
    }
    bool called(const std::string& operation) const { return count(operation) > 0; }
    void mark() {
        SimStation::mark();
        logMark = st.log.text().size();
        ui.labelHistory.clear();
    }
    // The log entries since the last mark, without their times.
    Lines logLines() const { return LogEntries(st.log.text().substr(logMark)); }
    const Lines& status() { return ui.labelHistory[Label::Status]; }

    Readings readings;
    bool ok = false;
    std::size_t logMark = 0;
};

}  // namespace kov::test
