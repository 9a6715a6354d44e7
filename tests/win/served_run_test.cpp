// The simulated observatory served as COM automation objects: a whole START run through
// WinObjectFactory and Dispatch must end as the same run on the simulator directly.

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "commands/start_stop_test.h"
#include "run/run_trace.h"
#include "station/texts.h"
#include "win/served_observatory.h"
#include "win/win_adapters.h"
#include "win/win_object_factory.h"

namespace kov::win {
namespace {

using sim::PointingTerms;
using sim::Term;

struct Outcome {
    std::vector<std::string> log;       // entries without their time of day
    std::vector<std::string> commands;  // to the Gemini controller
    PointingTerms terms;
    RunEnding ending = RunEnding::Running;
    long heldAfter = -1;  // references still held on served objects once the run's are gone
};

Outcome FivePointStart(bool throughCom, bool maxim) {
    const ComApartment apartment;
    kov::test::ScriptedOperator ui;
    kov::test::VirtualClock clock;
    sim::Scenario night = sim::DefaultScenario();
    night.startHourAngle = -1.5;  // hour angles wide enough for the fit to find terms
    night.meridianLimit = 30.0;
    sim::Observatory sim(night, clock);
    const auto folder = std::filesystem::temp_directory_path() /
                        ("kov_served_" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);
    sim.setWorkingDirectory(folder);

    Outcome out;
    {
        test::ServedObservatory served(sim);
        WinObjectFactory com;
        {
            Station st(ui, clock, throughCom ? static_cast<ObjectFactory&>(com) : sim.factory(),
                       sim.desktop());
            st.settings.NumberOfAligns.set("5");
            st.settings.bCCDSoft.set(!maxim);  // MaxIm DL hands out its camera and document
            st.settings.OptionSky5.set(maxim);
            st.settings.PixelScale.set(GeneralNumber(night.pixelScale));
            for (auto* field :
                 {&st.settings.InitialMoveRA, &st.settings.MoveInRA, &st.settings.MoveInDEC}) {
                field->set("15");
            }
            Command1Click(st);
            out.log = kov::test::LogEntries(st.log.text());
            out.ending = st.record.get().ending;
        }
        if (throughCom) {  // the one member no run calls: Choose takes its identifier by reference
            EXPECT_NO_THROW(MakeDriverChooser(Dispatch::Create(progid::kChooser))->Choose("x"));
        }
        out.heldAfter = served.held();
    }
    for (const auto& c : sim.commandLog()) {
        out.commands.push_back(c.command);
    }
    out.terms = sim.controllerModel();
    std::filesystem::remove_all(folder);
    return out;
}

TEST(ServedObservatoryTest, AStartRunThroughComEndsAsTheSameRunOnTheSimulator) {
    for (const bool maxim : {false, true}) {
        SCOPED_TRACE(maxim ? "MaxIm DL, TheSky 6" : "CCDSoft, TheSky 5");
        const Outcome direct = FivePointStart(false, maxim);
        const Outcome served = FivePointStart(true, maxim);
        ASSERT_EQ(direct.ending, RunEnding::Completed);
        EXPECT_NE(direct.terms.IH, 0.0);
        EXPECT_EQ(served.ending, direct.ending);
        EXPECT_EQ(served.log, direct.log);
        EXPECT_EQ(served.commands, direct.commands);
        for (std::size_t t = 0; t < sim::kTermCount; ++t) {
            SCOPED_TRACE(sim::TermName(static_cast<Term>(t)));
            EXPECT_EQ(sim::TermValue(served.terms, static_cast<Term>(t)),
                      sim::TermValue(direct.terms, static_cast<Term>(t)));
        }
        EXPECT_EQ(served.heldAfter, 0);
    }
}

}  // namespace
}  // namespace kov::win
