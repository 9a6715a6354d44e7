#include "sim/sim_desktop.h"

#include "station/object_factory.h"

namespace kov::sim {

std::vector<TopLevelWindow> SimDesktop::topLevelWindows() {
    SimWorld& w = *world_;
    w.calls.push_back("Desktop.topLevelWindows");
    std::vector<TopLevelWindow> windows;
    if (!w.missing.count(UpperCase(progid::kCcdCamera))) {
        windows.push_back({kCcdSoftWindow, "CCDSoft Version 5"});
    }
    if (!w.missing.count(UpperCase(progid::kMaxim))) {
        windows.push_back({kMaximWindow, "MaxIm DL Pro 5"});
    }
    if (!w.planetariumTitle.empty()) {
        windows.push_back({kPlanetariumWindow, w.planetariumTitle});
    }
    windows.push_back({0x10040, "Program Manager"});
    return windows;
}

void SimDesktop::setForegroundWindow(WindowHandle window) {
    SimWorld& w = *world_;
    w.calls.push_back("Desktop.setForegroundWindow");
    if (w.foregroundDenied) {
        w.foregroundRequested = window;  // the window system may still grant it later
        return;
    }
    w.foreground = window;
    w.foregroundRequested = 0;
}

WindowHandle SimDesktop::foregroundWindow() {
    SimWorld& w = *world_;
    w.calls.push_back("Desktop.foregroundWindow");
    if (!w.foregroundDenied && w.foregroundRequested != 0) {
        w.foreground = w.foregroundRequested;
        w.foregroundRequested = 0;
    }
    // A closed window cannot hold the keyboard.
    if (w.foreground == kPlanetariumWindow && w.planetariumTitle.empty()) {
        return 0;
    }
    return w.foreground;
}

void SimDesktop::keyDown(int virtualKey) {
    SimWorld& w = *world_;
    w.calls.push_back("Desktop.keyDown(" + std::to_string(virtualKey) + ")");
    w.keysDown.insert(virtualKey);
    const bool planetariumInFront =
        w.foreground == kPlanetariumWindow && !w.planetariumTitle.empty();
    if (virtualKey == kVkV && w.keysDown.count(kVkControl) && planetariumInFront && w.clipboard) {
        w.pasted = w.clipboard;
    }
}

void SimDesktop::keyUp(int virtualKey) {
    world_->calls.push_back("Desktop.keyUp(" + std::to_string(virtualKey) + ")");
    world_->keysDown.erase(virtualKey);
}

}  // namespace kov::sim
