#include <gtest/gtest.h>

#include <cmath>

#include "mount/device_objects.h"
#include "mount/gemini_exchange.h"
#include "sim/observatory.h"
#include "sim/scenario.h"
#include "station/station.h"
#include "support/scripted_operator.h"
#include "support/virtual_clock.h"

namespace kov::test {
namespace {

// Plate solutions stand in as the optics' true direction; the terms are asked for as a run does.
TEST(GeminiOnSim, SyncAndAdditionalAlignmentsMoveTheReportedTermsTowardTheTrueErrors) {
    ScriptedOperator ui;
    VirtualClock clock;
    sim::Observatory observatory(sim::DefaultScenario(), clock);
    Station st{ui, clock, observatory.factory(), observatory.desktop()};
    ASSERT_TRUE(CreateObjects(st));
    ASSERT_TRUE(ConnectObjects(st));
    const double trueA = observatory.scenario().mountErrors.MA / 60.0;
    const double trueE = observatory.scenario().mountErrors.ME / 60.0;

    double a = 99.0;
    double e = 99.0;
    ASSERT_TRUE(GetGeminiResult(st, a, e, 0.0, 0.0, 0));
    EXPECT_EQ(a, 0.0);  // the controller starts without a model
    EXPECT_EQ(e, 0.0);
    auto solved = observatory.truePointing();
    ASSERT_TRUE(GetGeminiResult(st, a, e, solved.ra, solved.dec, 1));
    const double missAfterSync = std::hypot(a - trueA, e - trueE);

    const double azAlt[][2] = {{90, 40},  {135, 65}, {180, 35}, {225, 60},
                               {270, 40}, {315, 55}, {20, 45},  {160, 75}};
    for (const auto& p : azAlt) {
        st.devices.telescope->SetAsynchronous(false);
        st.devices.telescope->SlewToAzAlt(p[0], p[1], "KovSkyMapper");
        solved = observatory.truePointing();
        ASSERT_TRUE(GetGeminiResult(st, a, e, solved.ra, solved.dec, 2));
    }
    EXPECT_EQ(observatory.alignmentPoints(), std::size(azAlt));
    EXPECT_LT(std::hypot(a - trueA, e - trueE), missAfterSync / 4.0);
    EXPECT_NEAR(a, trueA, 0.2);
    EXPECT_NEAR(e, trueE, 0.2);
    EXPECT_TRUE(ui.boxes.empty());
    DisconnectObjects(st);
    DeleteObjects(st);
}

}  // namespace
}  // namespace kov::test
