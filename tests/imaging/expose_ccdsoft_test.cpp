#include "imaging/expose_ccdsoft.h"

#include <gtest/gtest.h>

#include <tuple>

#include "imaging/imaging_station.h"

namespace kov::test {
namespace {

Lines Tail(const Lines& lines, std::size_t n) {
    return Lines(lines.end() - static_cast<long>(std::min(n, lines.size())), lines.end());
}

// The last value a camera property was set to.
std::string LastSet(const Lines& camera, const std::string& property) {
    for (auto it = camera.rbegin(); it != camera.rend(); ++it) {
        if (it->rfind(property, 0) == 0) {
            return *it;
        }
    }
    return "never set";
}

// A reference image from start to end: the camera set up and handed back as found, the image
// saved and solved, every step shown and logged.
TEST(ExposeCCDSoft, AReferenceImageIsTakenSavedSolvedAndItsAngleKept) {
    ImagingStation s(true);
    ASSERT_TRUE(s.ok);
    s.ui.setLabel(Label::ImageNumber, "Image 3/10");
    s.readings.northAngle = 12.25;
    EXPECT_TRUE(ExposeCCDSoft(s.st, true));
    EXPECT_EQ(s.st.error.number, 0);
    EXPECT_EQ(s.st.imaging.referenceNorthAngle, 12.25);
    EXPECT_EQ(s.camera,
              (Lines{"ExposureTime=2", "ImageReduction=1", "Series=1", "Delay=0", "BinX=2",
                     "BinY=2", "AutoSaveOn?", "AutoSaveOn=0", "Asynchronous=1", "TakeImage",
                     "Asynchronous=0", "AutoSaveOn=1", "AutoSaveFileFormat=0"}));
    EXPECT_EQ(
        Tail(s.calls(), 11),
        (Lines{"create CCDSoft.Image", "CcdImage.AttachToActiveImager",
               "CcdCamera.SetAutoSaveFileFormat", "CcdImage.SetScaleInArcsecondsPerPixel",
               "CcdImage.SetPath", "CcdImage.Path", "CcdImage.Save", "CcdImage.InsertWCS",
               "CcdImage.WCSArray", "CcdImage.ScaleInArcsecondsPerPixel", "CcdImage.NorthAngle"}));
    EXPECT_EQ(s.logLines(), (Lines{"Taking Image", "Saving Image .\\KOV_Imagelink.fit",
                                   "Doing Plate Solution", "Initial image angle = 12.25"}));
    // 2 s and a dark frame of 2 s, each with 0.75 s of download at 2x2: 14 polls of 400 ms,
    // each showing the camera's own Status.
    Lines shown{"Image 3/10"};
    for (const char* left :
         {"4.3", "4.0", "3.5", "3.2", "2.8", "2.3", "2.0", "1.5", "1.2", "0.8", "0.3"}) {
        shown.push_back(std::string("Image 3/10 -- Exposing (") + left + " s left)");
    }
    shown.insert(shown.end(), {"Image 3/10 -- Downloading", "Image 3/10 -- Downloading",
                               "Image 3/10 -- Ready", "Saving Image", "Plate Solving..."});
    EXPECT_EQ(s.status(), shown);
    EXPECT_TRUE(std::filesystem::exists(s.folder / "KOV_Imagelink.fit"));
    EXPECT_EQ(s.sim.alive("CcdImage"), 0);
}

struct CheckCase {
    const char* name;
    bool bFirst;
    Readings readings;
    std::vector<Answer> answers;
    int status;
    Lines logAfterSolution;
    const char* pixelScale = "1.5";
    double reference = 100.0;  // referenceNorthAngle before the call
};

// 2x2 with PixelScale 1.5: the expected scale is 3. The reference angle is 100 unless a row
// says otherwise; angles are compared the short way round, and a half turn is a meridian flip.
TEST(ExposeCCDSoft, StarsScaleAndOrientationChecks) {
    const std::string tooFew = "SOLUTION ERROR: Too few stars matched: ";
    const std::string scaleOff = "SOLUTION ERROR: Image Scale did not match! Expected 3 but got ";
    const std::string angleOff = "SOLUTION ERROR: Image angle did not match! Expected 100 but got ";
    const CheckCase cases[] = {
        {"9 stars", false, {9, 3, 100, {}}, {}, 1, {tooFew + "9"}},
        {"10 stars", false, {10, 3, 100, {}}, {}, 0, {}},
        {"scale 0.5 above", false, {45, 3.5, 100, {}}, {}, 1, {scaleOff + "3.5"}},
        {"scale 0.5 below", false, {45, 2.5, 100, {}}, {}, 1, {scaleOff + "2.5"}},
        {"scale 0.49 above", false, {45, 3.49, 100, {}}, {}, 0, {}},
        {"reference, scale 3.4 within 0.5",
         true,
         {45, 3.4, 30, {}},
         {},
         0,
         {"Initial image angle = 30"}},
        {"reference, scale Yes",
         true,
         {45, 3.6, 30, {}},
         {Answer::Yes},
         0,
         {"Image Scale adjusted to 1.8", "Initial image angle = 30"},
         "1.8"},
        {"reference, scale No", true, {45, 3.6, 30, {}}, {Answer::No}, 1, {scaleOff + "3.6"}},
        {"reference, scale Cancel",
         true,
         {45, 3.6, 30, {}},
         {Answer::Cancel},
         1,
         {scaleOff + "3.6"}},
        {"angle 110", false, {45, 3, 110, {}}, {}, 0, {}},
        {"angle 110.5", false, {45, 3, 110.5, {}}, {}, 1, {angleOff + "110.5"}},
        {"angle 89.5", false, {45, 3, 89.5, {}}, {}, 1, {angleOff + "89.5"}},
        {"angle 460 is 100", false, {45, 3, 460, {}}, {}, 0, {}},
        {"flip 280", false, {45, 3, 280, {}}, {}, 0, {"Image turned by a meridian flip"}},
        {"flip 290", false, {45, 3, 290, {}}, {}, 0, {"Image turned by a meridian flip"}},
        {"flip 269.5", false, {45, 3, 269.5, {}}, {}, 1, {angleOff + "269.5"}},
        {"-30 against 330", false, {45, 3, 330, {}}, {}, 0, {}, "1.5", -30},
        {"359.5 against 0.5", false, {45, 3, 0.5, {}}, {}, 0, {}, "1.5", 359.5},
        {"0.5 against 359.5", false, {45, 3, 359.5, {}}, {}, 0, {}, "1.5", 0.5},
        {"355 against 6",
         false,
         {45, 3, 6, {}},
         {},
         1,
         {"SOLUTION ERROR: Image angle did not match! Expected 355 but got 6"},
         "1.5",
         355},
    };
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(c.name);
        ImagingStation s(true);
        s.st.settings.PixelScale = "1.5";
        s.st.imaging.referenceNorthAngle = c.reference;
        s.readings = c.readings;
        s.ui.answers.assign(c.answers.begin(), c.answers.end());
        EXPECT_TRUE(ExposeCCDSoft(s.st, c.bFirst));
        EXPECT_EQ(s.st.error.number, c.status);
        EXPECT_EQ(s.st.error.description, "");
        const Lines log = s.logLines();
        EXPECT_EQ(Lines(log.begin() + 3, log.end()), c.logAfterSolution);
        EXPECT_EQ(s.st.settings.PixelScale(), c.pixelScale);
        const bool newReference = c.bFirst && c.status == 0;
        EXPECT_EQ(s.st.imaging.referenceNorthAngle,
                  newReference ? *c.readings.northAngle : c.reference);
        if (!c.answers.empty()) {
            ASSERT_EQ(s.ui.boxes.size(), 1u);
            EXPECT_EQ(s.ui.boxes[0].title, "Image scale is different!");
            EXPECT_EQ(s.ui.boxes[0].text,
                      "Solution produced a different image scale (3.6) than the one specified: "
                      "3\r\nIs the solved image scale correct?");
            EXPECT_EQ(s.ui.boxes[0].buttons, Buttons::YesNoCancel);
        } else {
            EXPECT_TRUE(s.ui.boxes.empty());
        }
    }
}

// The solver's own error is the status, with its text, and no check runs after it.
TEST(ExposeCCDSoft, ASolverErrorIsTheStatusAndSkipsTheChecks) {
    const std::tuple<const char*, const char*> cases[] = {
        {"CcdImage.InsertWCS", "CcdImage.WCSArray"},
        {"CcdImage.WCSArray", "CcdImage.ScaleInArcsecondsPerPixel"},
        {"CcdImage.NorthAngle", "none after it"},
    };
    for (const auto& [failing, notCalled] : cases) {
        SCOPED_TRACE(failing);
        ImagingStation s(true);
        s.sim.failOperation(failing, AutomationError(651, "Image Link failed: no match"));
        EXPECT_TRUE(ExposeCCDSoft(s.st, true));
        EXPECT_EQ(s.st.error.number, 651);
        EXPECT_EQ(s.st.error.description, "Image Link failed: no match");
        EXPECT_FALSE(s.called(notCalled));
        EXPECT_EQ(s.logLines().size(), 3u);  // nothing after "Doing Plate Solution"
        EXPECT_EQ(s.st.imaging.referenceNorthAngle, 0.0);
    }
}

// A stop at any yield leaves with false; the camera is handed back as the operator had it, and
// only a stop while exposing aborts the exposure.
TEST(ExposeCCDSoft, AStopAtEachYieldLeavesTheCameraAsFound) {
    ImagingStation whole(true);
    ASSERT_TRUE(ExposeCCDSoft(whole.st, true));
    const int yields = whole.ui.yields;
    const int waitPasses = 14;
    ASSERT_EQ(yields, waitPasses + 7);
    for (int stopAt = 1; stopAt <= yields; ++stopAt) {
        SCOPED_TRACE("stop at yield " + std::to_string(stopAt));
        ImagingStation s(true);
        s.ui.onYield = [&](int n) { s.st.run.bStop = n == stopAt; };
        EXPECT_FALSE(ExposeCCDSoft(s.st, true));
        EXPECT_EQ(s.ui.yields, stopAt);
        const bool exposing = stopAt >= 2 && stopAt <= waitPasses + 1;
        const bool aborted = std::find(s.camera.begin(), s.camera.end(), "Abort") != s.camera.end();
        EXPECT_EQ(aborted, exposing);
        if (stopAt > 1) {
            EXPECT_EQ(LastSet(s.camera, "Asynchronous="), "Asynchronous=0");
            EXPECT_EQ(LastSet(s.camera, "AutoSaveOn="), "AutoSaveOn=1");
        } else {
            EXPECT_EQ(s.camera.size(), 6u);  // set up, nothing taken
        }
        EXPECT_EQ(s.sim.alive("CcdImage"), 0);
    }
}

}  // namespace
}  // namespace kov::test
