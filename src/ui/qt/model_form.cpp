#include "ui/qt/model_form.h"

#include <QMenuBar>
#include <cstdio>

#include "commands/save_files.h"
#include "model/station.h"
#include "run/model_csv.h"
#include "run/model_view.h"
#include "station/texts.h"
#include "ui/qt/model_charts.h"

namespace kov::qt {

namespace {

// Long enough to gather the changes of one point, short enough to look live.
constexpr int kRedrawDelayMs = 150;

}  // namespace

ModelForm::ModelForm(Station& st, QWidget* parent) : QMainWindow(parent), st_(st) {
    setObjectName(QStringLiteral("ModelForm"));
    setWindowTitle(QStringLiteral("KOV Model"));
    charts_ = new ModelCharts;
    setCentralWidget(charts_);
    QAction* saveImage = menuBar()->addAction(QStringLiteral("Save Image..."));
    saveImage->setObjectName(QStringLiteral("SaveImage"));
    connect(saveImage, &QAction::triggered, this, &ModelForm::SaveImage);
    QAction* saveData = menuBar()->addAction(QStringLiteral("Save Data..."));
    saveData->setObjectName(QStringLiteral("SaveData"));
    connect(saveData, &QAction::triggered, this, &ModelForm::SaveData);
    redraw_.setSingleShot(true);
    redraw_.setInterval(kRedrawDelayMs);
    connect(&redraw_, &QTimer::timeout, this, &ModelForm::refresh);
    resize(1280, 500);
    refresh();
}

void ModelForm::recordChanged() {
    if (!redraw_.isActive()) {
        redraw_.start();
    }
}

void ModelForm::refresh() {
    redraw_.stop();
    charts_->setData(BuildModelView(st_.record.get()), BuildSkyBackdrop(st_.settings, st_.points));
}

void ModelForm::SaveImage() {
    refresh();
    const QByteArray png = charts_->png();
    SaveModelFile(st_.ui, st_.clock, "Save Chart Image", "png", "PNG images (*.png)", "chart image",
                  png.toStdString());
}

void ModelForm::SaveData() {
    SaveModelFile(st_.ui, st_.clock, "Save Chart Data", "csv", "CSV files (*.csv)", "chart data",
                  ModelCsv(BuildModelView(st_.record.get())));
}

}  // namespace kov::qt
