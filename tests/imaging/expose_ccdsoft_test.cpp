#include "imaging/expose_ccdsoft.h"

#include <gtest/gtest.h>

#include "imaging/imaging_station.h"

namespace kov::test {
namespace {

std::string Join(Lines::const_iterator from, Lines::const_iterator to) {
    std::string text;
    for (auto it = from; it != to; ++it) {
        text += (it == from ? "" : "|") + *it;
    }
    return text;
}

// The calls on the camera and the image, the exposure's polls left out.
std::string Ops(const ImagingStation& s) {
    Lines ops;
    for (const std::string& call : s.calls()) {
        if (call != "CcdCamera.State" && call != "CcdCamera.Status") {
            ops.push_back(call.rfind("create", 0) == 0 ? call : call.substr(call.find('.') + 1));
        }
    }
    return Join(ops.begin(), ops.end());
}

// A reference image from start to end: the camera set up and handed back as found, the image
// saved and solved, every step shown and logged.
TEST(ExposeCCDSoft, AReferenceImageIsTakenSavedSolvedAndItsAngleKept) {
    ImagingStation s(true);
    ASSERT_TRUE(s.ok);
    s.ui.setLabel(Label::ImageNumber, "Image 3/10");
    s.sim.scriptReading("CcdImage.NorthAngle", 12.25);
    EXPECT_FALSE(ExposeCCDSoft(s.st, true, true).bStopped);
    EXPECT_EQ(s.st.error.number, 0);
    EXPECT_EQ(s.st.imaging.referenceNorthAngle, 12.25);
    EXPECT_EQ(Ops(s),
              "SetExposureTime|SetImageReduction|SetSeries|SetDelay|SetBinX|SetBinY|AutoSaveOn|"
              "SetAutoSaveOn|SetAsynchronous|TakeImage|SetAsynchronous|SetAutoSaveOn|"
              "create CCDSoft.Image|AttachToActiveImager|SetAutoSaveFileFormat|"
              "SetScaleInArcsecondsPerPixel|SetPath|Path|Save|InsertWCS|WCSArray|"
              "ScaleInArcsecondsPerPixel|NorthAngle");
    const Lines log = s.logLines();
    EXPECT_EQ(Join(log.begin(), log.end()),
              "Taking Image|Saving Image .\\KOV_Imagelink.fit|Doing Plate Solution|"
              "Initial image angle = 12.25");
    // 2 s and a dark frame of 2 s (the reduction is on), each with 0.75 s of download at 2x2:
    // 14 polls of 400 ms, each showing the camera's own Status after the counter.
    const Lines& shown = s.status();
    ASSERT_EQ(shown.size(), 17u);
    EXPECT_EQ(Join(shown.begin(), shown.begin() + 3),
              "Image 3/10|Image 3/10 -- Exposing (4.3 s left)|Image 3/10 -- Exposing (4.0 s left)");
    EXPECT_EQ(Join(shown.end() - 4, shown.end()),
              "Image 3/10 -- Downloading|Image 3/10 -- Ready|Saving Image|Plate Solving...");
    EXPECT_TRUE(std::filesystem::exists(s.folder / "KOV_Imagelink.fit"));
    EXPECT_EQ(s.sim.alive("CcdImage"), 0);
    EXPECT_TRUE(s.st.devices.ccdCamera->AutoSaveOn());  // as the operator had it
}

struct CheckCase {
    const char* name;
    bool bFirst;
    long stars;
    double scale, angle;
    int status;
    std::string log;  // after "Doing Plate Solution", "|" between entries
    std::optional<Answer> answer = std::nullopt;  // to the scale question
    const char* pixelScale = "1.5";
    double reference = 100.0;  // referenceNorthAngle before the call
};

// 2x2 with PixelScale 1.5: the expected scale is 3. Angles are compared the short way round,
// and a half turn is a meridian flip.
TEST(ExposeCCDSoft, StarsScaleAndOrientationChecks) {
    const std::string scaleOff = "SOLUTION ERROR: Image Scale did not match! Expected 3 but got ";
    const std::string angleOff = "SOLUTION ERROR: Image angle did not match! Expected 100 but got ";
    const std::string flip = "Image turned by a meridian flip";
    const CheckCase cases[] = {
        {"9 stars", false, 9, 3, 100, 1, "SOLUTION ERROR: Too few stars matched: 9"},
        {"10 stars", false, 10, 3, 100, 0, ""},
        {"scale 0.5 above", false, 45, 3.5, 100, 1, scaleOff + "3.5"},
        {"scale 0.5 below", false, 45, 2.5, 100, 1, scaleOff + "2.5"},
        {"scale 0.49 above", false, 45, 3.49, 100, 0, ""},
        {"reference, scale within 0.5", true, 45, 3.4, 30, 0, "Initial image angle = 30"},
        {"reference, scale Yes", true, 45, 3.6, 30, 0,
         "Image Scale adjusted to 1.8|Initial image angle = 30", Answer::Yes, "1.8"},
        {"reference, scale No", true, 45, 3.6, 30, 1, scaleOff + "3.6", Answer::No},
        {"reference, scale Cancel", true, 45, 3.6, 30, 1, scaleOff + "3.6", Answer::Cancel},
        {"angle 110", false, 45, 3, 110, 0, ""},
        {"angle 110.5", false, 45, 3, 110.5, 1, angleOff + "110.5"},
        {"angle 89.5", false, 45, 3, 89.5, 1, angleOff + "89.5"},
        {"flip 280", false, 45, 3, 280, 0, flip},
        {"flip 290", false, 45, 3, 290, 0, flip},
        {"flip 269.5", false, 45, 3, 269.5, 1, angleOff + "269.5"},
        {"359.5 against 0.5", false, 45, 3, 0.5, 0, "", std::nullopt, "1.5", 359.5},
        {"0.5 against 359.5", false, 45, 3, 359.5, 0, "", std::nullopt, "1.5", 0.5},
        {"355 against 6", false, 45, 3, 6, 1,
         "SOLUTION ERROR: Image angle did not match! Expected 355 but got 6", std::nullopt, "1.5",
         355},
    };
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(c.name);
        ImagingStation s(true);
        s.st.settings.PixelScale = "1.5";
        s.st.imaging.referenceNorthAngle = c.reference;
        s.sim.scriptReading("CcdImage.WCSArray", c.stars);
        s.sim.scriptReading("CcdImage.ScaleInArcsecondsPerPixel", c.scale);
        s.sim.scriptReading("CcdImage.NorthAngle", c.angle);
        if (c.answer) {
            s.ui.answers = {*c.answer};
        }
        EXPECT_FALSE(ExposeCCDSoft(s.st, c.bFirst, c.bFirst).bStopped);
        EXPECT_EQ(s.st.error.number, c.status);
        EXPECT_EQ(s.st.error.description, "");
        const Lines log = s.logLines();
        EXPECT_EQ(Join(log.begin() + 3, log.end()), c.log);
        EXPECT_EQ(s.st.settings.PixelScale(), c.pixelScale);
        EXPECT_EQ(s.st.imaging.referenceNorthAngle,
                  c.bFirst && c.status == 0 ? c.angle : c.reference);
        ASSERT_EQ(s.ui.boxes.size(), c.answer ? 1u : 0u);
        if (c.answer) {
            EXPECT_EQ(s.ui.boxes[0].title, "Image scale is different!");
            EXPECT_EQ(s.ui.boxes[0].text,
                      "Solution produced a different image scale (3.6) than the one specified: "
                      "3\r\nIs the solved image scale correct?");
            EXPECT_EQ(s.ui.boxes[0].buttons, Buttons::YesNoCancel);
        }
    }
}

// A stop at any yield leaves with false; the camera is handed back as the operator had it, and
// only a stop while exposing aborts the exposure.
TEST(ExposeCCDSoft, AStopAtEachYieldLeavesTheCameraAsFound) {
    const int waitPasses = 14;
    for (int stopAt = 1; stopAt <= waitPasses + 8; ++stopAt) {
        SCOPED_TRACE("stop at yield " + std::to_string(stopAt));
        ImagingStation s(true);
        s.ui.onYield = [&](int n) { s.st.run.bStop = n == stopAt; };
        EXPECT_EQ(!ExposeCCDSoft(s.st, true, true).bStopped, stopAt > waitPasses + 7);
        EXPECT_EQ(s.ui.yields, std::min(stopAt, waitPasses + 7));
        EXPECT_EQ(s.called("CcdCamera.Abort"), stopAt >= 2 && stopAt <= waitPasses + 1);
        // Taken or not, each switch went back once it was made.
        EXPECT_EQ(s.count("CcdCamera.SetAsynchronous"), stopAt > 1 ? 2 : 0);
        EXPECT_EQ(s.count("CcdCamera.SetAutoSaveOn"), stopAt > 1 ? 2 : 0);
        EXPECT_TRUE(s.st.devices.ccdCamera->AutoSaveOn());
        EXPECT_EQ(s.sim.alive("CcdImage"), 0);
    }
}

}  // namespace
}  // namespace kov::test
