#include "ui/qt/kov_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "commands/exit.h"
#include "station/settings_store.h"
#include "ui/help_launcher.h"
#include "ui/qt/camera_frame.h"
#include "ui/qt/controls.h"
#include "ui/qt/log_form.h"
#include "ui/qt/mapping_frame.h"
#include "ui/qt/model_form.h"
#include "ui/qt/movement_frames.h"
#include "ui/qt/qt_browser.h"
#include "ui/qt/run_buttons.h"
#include "ui/qt/slot_guard.h"
#include "ui/qt/telescope_frame.h"

namespace kov::qt {

namespace {

// The maker's notice of the design caption; the version follows it.
constexpr const char* kDesignCaption = "Kov Sky Mapper - Gemini pointing model builder";

QMessageBox::StandardButtons ToQt(Buttons buttons) {
    switch (buttons) {
        case Buttons::Ok:
            return QMessageBox::Ok;
        case Buttons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case Buttons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case Buttons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon ToQt(Icon icon) {
    switch (icon) {
        case Icon::None:
            return QMessageBox::NoIcon;
        case Icon::Critical:
            return QMessageBox::Critical;
        case Icon::Question:
            return QMessageBox::Question;
        case Icon::Exclamation:
            return QMessageBox::Warning;
        case Icon::Information:
            return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

// A box closed without a button (Escape, its close box) counts as its "no" answer.
Answer FromQt(int clicked, Buttons buttons) {
    switch (clicked) {
        case QMessageBox::Ok:
            return Answer::Ok;
        case QMessageBox::Cancel:
            return Answer::Cancel;
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            break;
    }
    switch (buttons) {
        case Buttons::Ok:
            return Answer::Ok;
        case Buttons::YesNo:
            return Answer::No;
        default:
            return Answer::Cancel;
    }
}

// The port's filters separate patterns with ";" ("Log files (*.txt;*.log)"); Qt wants blanks.
QStringList NameFilters(const std::string& filter) {
    QStringList filters = Q(filter).split(QStringLiteral(";;"), Qt::SkipEmptyParts);
    for (QString& f : filters) {
        f.replace(QLatin1Char(';'), QLatin1Char(' '));
    }
    return filters;
}

}  // namespace

std::string KOVForm::Caption() {
    return std::string(kDesignCaption) + " v" + std::to_string(KOV_VERSION_MAJOR) + "." +
           std::to_string(KOV_VERSION_MINOR) + "." + std::to_string(KOV_VERSION_PATCH) + "b";
}

KOVForm::KOVForm(SettingsStore& store, Clock& clock, ObjectFactory& objects, Desktop& desktop,
                 QWidget* parent)
    : QWidget(parent),
      store_(store),
      st_(*this, clock, objects, desktop),
      ownBrowser_(std::make_unique<QtBrowser>()),
      browser_(ownBrowser_.get()),
      body_(std::make_unique<QWidget>()) {
    setObjectName(QStringLiteral("KOVForm"));
    setWindowTitle(QString::fromLatin1(kDesignCaption));

    // The frames are made in the order Tab walks them: movement, mapping, telescope, camera,
    // then the command row. The movement area takes the height the window has; the settings
    // frames stand beside it, so every control fits a 1280x800 screen.
    auto* grid = new QGridLayout(body_.get());
    movement_ = new MovementFrames(st_);
    mapping_ = new MappingFrame(st_);
    telescope_ = new TelescopeFrame(st_);
    auto* side = new QVBoxLayout;
    side->addWidget(mapping_);
    side->addWidget(telescope_);
    side->addWidget(new CameraFrame(st_.settings));
    side->addStretch();
    grid->addWidget(movement_, 0, 0);
    grid->addLayout(side, 0, 1);

    // Read at a telescope at night, from a step back: the two lines that matter are larger.
    QFont large = font();
    large.setPointSize(12);
    status_ = Named(new QLabel, "Status");
    geminiResult_ = Named(new QLabel, "GeminiResult");
    for (QLabel* label : {status_, geminiResult_}) {
        label->setFont(large);
        label->setWordWrap(true);
        label->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        label->setMinimumHeight(label->fontMetrics().height());
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    grid->addWidget(status_, 1, 0, 1, 2);
    grid->addWidget(geminiResult_, 2, 0, 1, 2);
    grid->addWidget(buildCommandRow(), 3, 0, 1, 2);
    grid->setRowStretch(0, 1);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 2);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(body_.get());

    // Start-up: settings first (they arrange the movement frames), then the caption with its
    // version, whose start line is the log's first entry.
    LoadSettings(st_.settings, store_);
    // The model window comes and goes; the record's observer stays and finds it when it is
    // there.
    st_.record.observe([this](const RunRecord&, RecordChange, std::size_t) {
        if (modelForm_) {
            modelForm_->recordChanged();
        }
    });
    const std::string caption = Caption();
    setWindowTitle(Q(caption));
    st_.log.AddLog(caption + " Started");
}

KOVForm::~KOVForm() = default;

QBoxLayout* KOVForm::telescopeCommands() const {
    return telescope_->commands();
}

QBoxLayout* KOVForm::pointListCommands() const {
    return movement_->pointListCommands();
}

QWidget* KOVForm::buildCommandRow() {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    windowCommands_ = new QHBoxLayout;
    runButtons_ = new RunButtons(st_);
    windowCommands_->addWidget(runButtons_);
    layout->addLayout(windowCommands_);
    layout->addStretch();
    viewLog_ = Named(new QCheckBox(QStringLiteral("View Log")), "Check1");
    connect(viewLog_, &QCheckBox::toggled, this, &KOVForm::setViewLog);
    layout->addWidget(viewLog_);
    viewModel_ = Named(new QCheckBox(QStringLiteral("View Model")), "ViewModel");
    connect(viewModel_, &QCheckBox::toggled, this, &KOVForm::setViewModel);
    layout->addWidget(viewModel_);
    auto* help = Named(new QPushButton(QStringLiteral("Help")), "Command5");
    connect(help, &QPushButton::clicked, this, &KOVForm::Help);
    layout->addWidget(help);
    auto* exit = Named(new QPushButton(QStringLiteral("EXIT")), "Command2");
    connect(exit, &QPushButton::clicked, this, &KOVForm::Exit);
    layout->addWidget(exit);
    return row;
}

void KOVForm::setViewLog(bool on) {
    if (!on) {
        logForm_.reset();
        return;
    }
    logForm_ = std::make_unique<LogForm>(st_.log, st_.clock, *this);
    const QRect frame = frameGeometry();
    logForm_->move(frame.right() + 8, frame.top());
    logForm_->show();
}

void KOVForm::setViewModel(bool on) {
    if (!on) {
        modelForm_.reset();
        return;
    }
    modelForm_ = std::make_unique<ModelForm>(st_);
    const QRect frame = frameGeometry();
    modelForm_->move(frame.left() + 30, frame.top() + 60);
    modelForm_->show();
}

void KOVForm::Help() {
    OpenHelp(st_.log, QCoreApplication::applicationDirPath().toStdString(), *browser_);
}

void KOVForm::Exit() {
    if (exiting_ || !ConfirmExitDuringRun(st_)) {
        return;
    }
    exiting_ = true;
    close();
    // Ends the process when the program is connected; nothing after this may call out.
    emit endProgram();
}

void KOVForm::closeEvent(QCloseEvent* event) {
    // The close box during a run asks as EXIT does; the close EXIT itself causes asks nothing.
    // A run cannot go on under a window that has gone, so Yes ends the program at once.
    const bool duringRun = !exiting_ && !unloaded_ && st_.run.bRunning;
    if (duringRun && !ConfirmExitDuringRun(st_)) {
        event->ignore();
        return;
    }
    unload();
    event->accept();
    // Nor can a command caught in a wait (Connect waiting for the telescope) call out after
    // the settings were saved: the program ends as on EXIT.
    if (duringRun || (!exiting_ && CommandsUnderWay() > 0)) {
        exiting_ = true;
        emit endProgram();
    }
}

void KOVForm::unload() {
    if (unloaded_) {
        return;
    }
    unloaded_ = true;
    // Work still running when the window goes stops at its next check.
    if (st_.run.bRunning) {
        st_.run.bStop = true;
    }
    try {
        SaveSettings(st_.settings, store_, st_.log);
    } catch (const AutomationError& e) {
        st_.log.AddLog(e.description());
        messageBox(e.description(), "KOV - ERROR", Buttons::Ok, Icon::Critical);
    }
    // The log window shows this window's log; it does not outlive it.
    viewLog_->setChecked(false);
    logForm_.reset();
    viewModel_->setChecked(false);
    modelForm_.reset();
}

QLabel* KOVForm::labelFor(Label which) const {
    switch (which) {
        case Label::Status:
            return status_;
        case Label::GeminiResult:
            return geminiResult_;
        case Label::ImageNumber:
            return mapping_->imageNumber();
        case Label::FileDisplay:
            return movement_->fileDisplay();
        case Label::Command1:  // a button, served by the run buttons
            break;
    }
    return status_;
}

void KOVForm::setLabel(Label which, const std::string& text) {
    if (which == Label::Command1) {
        runButtons_->setStartCaption(text);
        return;
    }
    labelFor(which)->setText(Q(text));
    if (which == Label::ImageNumber) {
        mapping_->showImageNumber(text);
    }
}

std::string KOVForm::label(Label which) const {
    if (which == Label::Command1) {
        return runButtons_->startCaption();
    }
    return labelFor(which)->text().toStdString();
}

void KOVForm::repaint(Label which) {
    if (which == Label::Command1) {
        runButtons_->repaint();
        return;
    }
    labelFor(which)->repaint();
}

Answer KOVForm::messageBox(const std::string& text, const std::string& title, Buttons buttons,
                           Icon icon) {
    QString shown = Q(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(ToQt(icon), Q(title.empty() ? std::string(kProgramTitle) : title), shown,
                    ToQt(buttons), this);
    return FromQt(box.exec(), buttons);
}

std::optional<std::string> KOVForm::fileDialog(const FileDialogRequest& request, bool save) {
    QFileDialog dialog(this, Q(request.title));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!request.filter.empty()) {
        dialog.setNameFilters(NameFilters(request.filter));
    }
    if (!request.defaultExtension.empty()) {
        dialog.setDefaultSuffix(Q(request.defaultExtension));
    }
    if (!request.proposedName.empty()) {
        dialog.selectFile(Q(request.proposedName));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst().toStdString();
}

std::optional<std::string> KOVForm::saveFileDialog(const FileDialogRequest& request) {
    return fileDialog(request, true);
}

std::optional<std::string> KOVForm::openFileDialog(const FileDialogRequest& request) {
    return fileDialog(request, false);
}

void KOVForm::yield() {
    QCoreApplication::processEvents();
}

void KOVForm::setForeground() {
    activateWindow();
    raise();
}

void KOVForm::raiseToTop() {
    raise();
}

void KOVForm::keepOnTop() {
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
        return;
    }
    // Changing the flags re-creates the native window hidden; put it back where it was.
    const QRect place = geometry();
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    setGeometry(place);
    if (shown) {
        show();
    }
}

}  // namespace kov::qt
