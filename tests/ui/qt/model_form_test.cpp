// The model window: it follows the run through the record, keeps the last run, and saves its
// picture and its data without ever leaving a broken file.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "commands/start_stop_test.h"
#include "sim/scenario.h"
#include "support/memory_store.h"
#include "support/sim_station.h"
#include "ui/qt/error_scatter.h"
#include "ui/qt/kov_form.h"
#include "ui/qt/model_charts.h"
#include "ui/qt/model_form.h"
#include "ui/qt/sky_chart.h"
#include "ui/qt/term_history.h"

namespace kov::qt {
namespace {

// What the three charts hold: sky points sent and failed, scatter points, term readings.
std::vector<int> Held(const ModelForm* form) {
    const ModelCharts* c = form->charts();
    return {c->sky()->placed(PointOutcome::Sent), c->sky()->placed(PointOutcome::Failed),
            c->errors()->pointCount(), c->terms()->readingCount()};
}

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// A 10-point START whose third image does not solve: 10 points sent, one failed point, nine
// errors (the sync has no target to miss) and nine alignment readings; the window opened after
// the run shows the same.
TEST(ModelWindow, FollowsTheRunThroughViewModelAndKeepsTheLastRun) {
    QTemporaryDir images;
    kov::test::MemoryStore store;
    kov::test::VirtualClock clock;
    sim::Scenario night = sim::DefaultScenario();
    night.failImages = {3};
    sim::Observatory observatory(night, clock);
    observatory.setWorkingDirectory(images.path().toStdString());
    store.put("Number of Aligns", "10");
    store.put("Image Scale", std::to_string(observatory.scenario().pixelScale));
    store.put("Delay", "0");
    KOVForm form(store, clock, observatory.factory(), observatory.desktop());
    form.show();
    auto* viewModel = form.findChild<QCheckBox*>("ViewModel");
    ASSERT_NE(viewModel, nullptr);
    EXPECT_EQ(viewModel->text(), "View Model");
    viewModel->click();
    ASSERT_NE(form.modelForm(), nullptr);
    EXPECT_EQ(Held(form.modelForm()), (std::vector{0, 0, 0, 0}));

    Command1Click(form.station());
    form.station().run.bRunning = false;
    ASSERT_EQ(form.station().record().ending, RunEnding::Completed);
    QTest::qWait(400);  // the gathered redraw
    const std::vector<int> afterRun{10, 1, 9, 9};
    EXPECT_EQ(Held(form.modelForm()), afterRun);

    viewModel->click();
    EXPECT_EQ(form.modelForm(), nullptr);
    viewModel->click();
    EXPECT_EQ(Held(form.modelForm()), afterRun);
}

// Saves go through the safe writer: data and image land whole; a place that cannot be written
// shows the error box and leaves no file, not even a temporary one.
TEST(ModelWindow, SavesDataAndImageAndAFailedSaveLeavesNothing) {
    kov::test::SimStation s;
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    s.sim.setWorkingDirectory(folder + "/images");
    std::filesystem::create_directories(folder + "/images");
    std::filesystem::create_directories(folder + "/taken.csv");  // a folder where the file goes
    s.st.settings.NumberOfAligns.set("3");
    s.st.settings.Delay.set("0");
    s.st.settings.PixelScale.set(std::to_string(s.sim.scenario().pixelScale));
    Command1Click(s.st);
    ModelForm window(s.st);

    const struct {
        const char* name;
        bool bImage;
        std::string path;
        std::string starts;  // the first bytes of a saved file; empty: the save must fail
    } rows[] = {
        {"data", false, folder + "/night.csv", "run,command,image,outcome,"},
        {"image", true, folder + "/night.png", "\x89PNG\r\n"},
        {"data into a missing folder", false, folder + "/no/such/night.csv", ""},
        {"image onto a folder", true, folder + "/taken.csv", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        s.ui.boxes.clear();
        s.ui.fileAnswers = {row.path};
        row.bImage ? window.SaveImage() : window.SaveData();
        if (row.starts.empty()) {
            ASSERT_EQ(s.ui.boxes.size(), 1u);
            EXPECT_EQ(s.ui.boxes[0].title, "KOV - ERROR");
            EXPECT_NE(s.ui.boxes[0].text.find("was not saved"), std::string::npos);
            EXPECT_NE(s.ui.boxes[0].text.find("save again"), std::string::npos);
            EXPECT_FALSE(std::filesystem::is_regular_file(row.path));
        } else {
            EXPECT_TRUE(s.ui.boxes.empty());
            EXPECT_EQ(Read(row.path).substr(0, row.starts.size()), row.starts);
        }
    }
    EXPECT_EQ(s.ui.fileDialogs.back().proposedName.substr(0, 9), "KOVModel_");
}

}  // namespace
}  // namespace kov::qt
