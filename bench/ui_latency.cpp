// How long the window can go without answering while a modeling run works: a short START run on
// the simulated observatory in real time, sped up by a time factor, with a timer that fires at
// every turn of the event loop (nested loops of the run's waits included). The longest gap
// between two turns is what the operator would feel as a frozen window. Goal: under 50 ms.
//
//   kovsky_ui_latency [--time-factor N] [--points N] [--view-model 1]   (defaults 20, 5, 0)
//
// With --view-model 1 the model window follows the run, so its charts' cost is in the gaps.

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "commands/start_stop_test.h"
#include "sim/observatory.h"
#include "sim/scenario.h"
#include "station/settings_store.h"
#include "ui/qt/kov_form.h"
#include "ui/qt/qt_clock.h"

namespace {

class MemoryStore : public kov::SettingsStore {
  public:
    std::string get(const std::string& app, const std::string& section, const std::string& key,
                    const std::string& fallback) const override {
        const auto it = values_.find(app + "/" + section + "/" + key);
        return it == values_.end() ? fallback : it->second;
    }
    void set(const std::string& app, const std::string& section, const std::string& key,
             const std::string& value) override {
        values_[app + "/" + section + "/" + key] = value;
    }
    void commit() override {}

  private:
    std::map<std::string, std::string> values_;
};

double Argument(int argc, char* argv[], const char* name, double fallback) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0) {
            return std::atof(argv[i + 1]);
        }
    }
    return fallback;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const double factor = Argument(argc, argv, "--time-factor", 20.0);
    const int points = static_cast<int>(Argument(argc, argv, "--points", 5.0));
    const bool bViewModel = Argument(argc, argv, "--view-model", 0.0) != 0.0;

    kov::qt::QtClock clock(factor);
    kov::sim::Observatory observatory(kov::sim::DefaultScenario(), clock);
    // The simulated camera's images go to a folder of the run's own, removed at the end.
    const QTemporaryDir images;
    observatory.setWorkingDirectory(images.path().toStdString());
    MemoryStore store;
    store.set("KOV", "Settings", "Number of Aligns", std::to_string(points));
    store.set("KOV", "Settings", "Exposure Length", "2");
    store.set("KOV", "Settings", "Exposure Delay", "2");
    store.set("KOV", "Settings", "Image Scale", std::to_string(observatory.scenario().pixelScale));
    kov::qt::KOVForm form(store, clock, observatory.factory(), observatory.desktop());
    form.show();
    if (auto* viewModel = form.findChild<QAbstractButton*>(QStringLiteral("ViewModel"));
        viewModel && bViewModel) {
        viewModel->click();
        // Its first paint (fonts, chart layout) belongs to the tick, not to the run.
        QElapsedTimer shown;
        shown.start();
        while (shown.elapsed() < 500) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
    }

    // A box nobody expected would stop the run for good: answer it, and count it.
    int boxes = 0;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&boxes] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            std::fprintf(stderr, "box: %s\n", qPrintable(box->text()));
            ++boxes;
            box->done(box->standardButtons().testFlag(QMessageBox::Yes) ? QMessageBox::Yes
                                                                        : QMessageBox::Ok);
        }
    });
    answer.start(50);

    QElapsedTimer sinceTurn;
    qint64 maxGapNs = 0;
    std::string maxGapStep;  // what the status line showed when the longest gap ended
    long turns = 0;
    long over16 = 0;  // gaps longer than a frame at 60 Hz
    QTimer turn;
    QObject::connect(&turn, &QTimer::timeout, [&] {
        if (sinceTurn.isValid()) {
            const qint64 gap = sinceTurn.nsecsElapsed();
            over16 += gap > 16'000'000 ? 1 : 0;
            if (gap > maxGapNs) {
                maxGapNs = gap;
                maxGapStep = form.label(kov::Label::Status);
            }
        }
        ++turns;
        sinceTurn.restart();
    });

    QElapsedTimer wall;
    QTimer::singleShot(0, &form, [&] {
        turn.start(0);
        wall.start();
        // The START button when the window has it, else the same command behind it.
        if (auto* start = form.findChild<QAbstractButton*>(QStringLiteral("Command1"))) {
            start->click();
        } else {
            kov::Command1Click(form.station());
        }
        turn.stop();
        QCoreApplication::quit();
    });
    QApplication::exec();

    const kov::RunRecord& record = form.station().record();
    std::printf(
        "points %d, solved %d, ending %s, boxes %d, wall %.1f s, time factor %g, "
        "event-loop turns %ld\n",
        static_cast<int>(record.points.size()), record.pointsSolved(),
        kov::RunEndingName(record.ending), boxes, wall.elapsed() / 1000.0, factor, turns);
    std::printf("gaps over 16 ms: %ld; the longest ended at \"%s\"\n", over16, maxGapStep.c_str());
    std::printf("max_ui_gap_ms %.1f\n", static_cast<double>(maxGapNs) / 1e6);
    if (record.ending != kov::RunEnding::Completed) {
        std::fprintf(stderr, "%s", form.station().log.text().c_str());
    }
    form.station().run.bRunning = false;
    form.close();
    return record.ending == kov::RunEnding::Completed ? 0 : 1;
}
