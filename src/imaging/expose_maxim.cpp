#include "imaging/expose_maxim.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "model/station.h"
#include "station/attempt.h"
#include "station/texts.h"
#include "station/wait_bounds.h"

namespace kov {

namespace {

constexpr const char* kDarkFile = ".\\KOVAutoDark.fit";
constexpr const char* kLightText = "Exposing Light Image ";
constexpr std::uint32_t kPastePauseMs = 500;
// How long the window system may take to hand the planetarium the keyboard.
constexpr std::uint32_t kForegroundGraceMs = 1000;
constexpr std::uint32_t kForegroundPollMs = 100;
constexpr std::uint32_t kPauseSliceMs = 20;

// The tick count wraps after about 49.7 days; compare by the signed distance.
bool Reached(std::uint32_t now, std::uint32_t due) {
    return static_cast<std::int32_t>(now - due) >= 0;
}

std::string Fixed(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

void Show(Station& st, const std::string& text) {
    st.ui.setLabel(Label::Status, text);
    st.ui.repaint(Label::Status);
}

// One of the procedure's own failures: shown, logged, status 1.
bool Fail(Station& st, const std::string& text) {
    st.ui.setLabel(Label::Status, text);
    st.log.AddLog(text);
    st.ui.repaint(Label::Status);
    st.ui.yield();
    st.error.set(1, "");
    return false;
}

// Takes a dark frame when the exposure, the sensor temperature or the bin changed since the
// last one. False when MaxIm DL handed back no image (status 1) or on a stop during the dark.
bool RefreshDarkFrame(Station& st, MaximCamera& camera, double exposure) {
    ImagingMemory& memory = st.imaging;
    // All three are read every time, as the camera sees them now.
    const bool exposureChanged = std::fabs(memory.lastDarkExposure - exposure) >= 0.001;
    const bool temperatureChanged =
        std::fabs(camera.Temperature() - memory.lastDarkTemperature) > 1.0;
    const bool binChanged = camera.BinX() != memory.lastDarkBin;
    if (!exposureChanged && !temperatureChanged && !binChanged) {
        return true;
    }

    const std::string text = "Exposing Dark Frame T=" + Fixed(camera.Temperature(), 1) + "\u00B0C";
    st.ui.setLabel(Label::Status, text);
    st.log.AddLog(text);
    st.ui.repaint(Label::Status);
    st.ui.yield();
    camera.Expose(exposure, 0);
    WaitForMaximExposure(st, exposure, text);
    if (st.run.bStop) {
        // The camera's document is not this dark frame yet (at best an earlier light image):
        // saving it would calibrate every later image with the wrong frame.
        camera.AbortExposure();
        return false;
    }
    const std::shared_ptr<MaximDocument> dark = camera.Document();
    if (!dark) {
        // The memory stays as it was, so the next image tries again.
        return Fail(st, "Missing dark frame image! Cannot retrieve image from MaxIm DL");
    }
    dark->SaveFile(kDarkFile, 3, false, 1, false);
    memory.lastDarkTemperature = camera.Temperature();
    memory.lastDarkExposure = exposure;
    memory.lastDarkBin = static_cast<int>(RoundHalfEven(camera.BinX()));
    return true;
}

// Brings the planetarium to the front and waits, yielding, until the window system has given it
// the keyboard. False when it does not within the grace time.
bool BringPlanetariumToFront(Station& st, WindowHandle window) {
    st.desktop.setForegroundWindow(window);
    const std::uint32_t deadline = st.clock.ticks() + kForegroundGraceMs;
    while (st.desktop.foregroundWindow() != window) {
        if (Reached(st.clock.ticks(), deadline)) {
            return false;
        }
        st.ui.yield();
        st.clock.sleep(kForegroundPollMs);
    }
    return true;
}

// The planetarium needs a moment to take the pasted image before the image link can use it.
void PauseAfterPaste(Station& st) {
    const std::uint32_t due = st.clock.ticks() + kPastePauseMs;
    for (;;) {
        st.ui.yield();
        const std::uint32_t now = st.clock.ticks();
        if (Reached(now, due)) {
            return;
        }
        st.clock.sleep(std::min(kPauseSliceMs, due - now));
    }
}

}  // namespace

void WaitForMaximExposure(Station& st, double exposureSeconds, const std::string& baseText) {
    MaximCamera& camera = Require(st.devices.maximCamera);
    // Whole milliseconds, fraction dropped; a nonsense duration counts as none or as the longest.
    const double ms = std::clamp(exposureSeconds * 1000.0, 0.0, 2147483647.0);
    const std::uint32_t start = st.clock.ticks();
    const std::uint32_t end = start + static_cast<std::uint32_t>(std::isnan(ms) ? 0.0 : ms);
    std::uint32_t due = start + 400;
    const WaitBound bound(st.clock, ExposureLimitMs(exposureSeconds));
    do {
        if (bound.expired()) {
            camera.AbortExposure();
            throw AutomationError(kErrTimedOut, "The camera did not finish its exposure within " +
                                                    std::to_string(bound.limitSeconds()) +
                                                    " seconds: check the camera and MaxIm DL");
        }
        st.ui.yield();
        if (st.run.bStop) {
            return;
        }
        st.clock.sleep(100);
        const std::uint32_t now = st.clock.ticks();
        if (Reached(now, due)) {
            due = now + 300;
            if (Reached(now, end) && now != end) {
                st.ui.setLabel(Label::Status, baseText + " downloading...");
            } else {
                const double left = static_cast<std::int32_t>(end - now) / 1000.0;
                st.ui.setLabel(Label::Status, baseText + " -- " + Fixed(left, 2));
            }
            st.ui.repaint(Label::Status);
        }
    } while (!camera.ImageReady());
    st.ui.setLabel(Label::Status, baseText + " finished");
}

WindowHandle FindPlanetariumWindow(Desktop& desktop) {
    for (const TopLevelWindow& window : desktop.topLevelWindows()) {
        if (window.title.empty()) {
            continue;
        }
        std::string title = window.title;
        std::transform(title.begin(), title.end(), title.begin(), [](unsigned char c) {
            return static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        });
        if (title.find("THESKY ASTRONOMY") != std::string::npos ||
            title.find("THESKY6") != std::string::npos) {
            return window.handle;
        }
    }
    return 0;
}

void PressKey(Desktop& desktop, int virtualKey) {
    desktop.keyDown(virtualKey);
}

void ReleaseKey(Desktop& desktop, int virtualKey) {
    desktop.keyUp(virtualKey);
}

namespace {

bool ExposeAndLink(Station& st, double ra, double dec) {
    const std::shared_ptr<MaximApplication> application =
        st.objects.createMaximApplication(progid::kMaxim);
    MaximCamera& camera = Require(st.devices.maximCamera);
    const RunSettings& s = st.settings;
    const bool autoDark = s.bAutoDark() == CheckState::Checked;
    const double exposure = LeadingNumber(s.Exposure());
    const char binChar = s.BinModeText()[0];
    const double bin = LeadingNumber(std::string_view(&binChar, 1));

    camera.SetBinX(bin);
    camera.SetBinY(bin);

    if (autoDark) {
        if (!RefreshDarkFrame(st, camera, exposure)) {
            return false;
        }
        // Rebuilt every time from the file, so MaxIm DL calibrates with the dark on disk.
        MaximApplication& app = Require(application);
        app.CalClear();
        app.CalAddDark(kDarkFile);
        app.CalSet();
        if (st.run.bStop) {
            return false;
        }
    }

    Show(st, kLightText);
    st.log.AddLog(kLightText);
    st.ui.yield();
    camera.Expose(exposure, 1);
    WaitForMaximExposure(st, exposure, kLightText);
    if (st.run.bStop) {
        camera.AbortExposure();
        return false;
    }

    const std::shared_ptr<MaximDocument> document = camera.Document();
    if (!document) {
        return Fail(st, "Missing Image! Cannot retrieve image from MaxIm DL");
    }
    if (autoDark) {
        document->Calibrate();
    }
    document->Copy();

    const WindowHandle planetarium = FindPlanetariumWindow(st.desktop);
    if (planetarium == 0) {
        return Fail(st, "Cannot find MaxIm DL! Cannot do image link");
    }
    // Keystrokes sent to whatever else has the keyboard would land in another program.
    if (!BringPlanetariumToFront(st, planetarium)) {
        return Fail(st, "Cannot bring TheSky to the front! Cannot do image link");
    }
    PressKey(st.desktop, kVkControl);
    PressKey(st.desktop, kVkV);
    ReleaseKey(st.desktop, kVkV);
    ReleaseKey(st.desktop, kVkControl);
    PauseAfterPaste(st);

    const double scale = bin * LeadingNumber(s.PixelScale());
    st.error.clear();
    Attempt(st.error, [&] { Require(st.devices.planetarium).ImageLink(scale, ra, dec); });
    return st.error.number <= 0;
}

}  // namespace

PlateSolution ExposeMaxim(Station& st, double ra, double dec) {
    const bool bLinked = ExposeAndLink(st, ra, dec);
    PlateSolution solution;
    solution.bStopped = !bLinked && st.run.bStop;
    solution.status = st.error.number;
    solution.text = st.error.description;
    return solution;
}

}  // namespace kov
