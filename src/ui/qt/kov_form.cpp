#include "ui/qt/kov_form.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedLayout>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "mount/telescope_choice.h"
#include "station/settings_store.h"
#include "ui/qt/log_form.h"
#include "ui/qt/point_list_view.h"
#include "ui/qt/run_buttons.h"
#include "ui/qt/slot_guard.h"

namespace kov::qt {

namespace {

// The maker's notice of the design caption; the version follows it.
constexpr const char* kDesignCaption = "Kov Sky Mapper - Gemini pointing model builder";

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

template <class W>
W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// A control by its name; every bound control is built before the settings are bound.
template <class W>
W* Child(const QWidget* root, const char* name) {
    W* widget = root->findChild<W*>(QString::fromLatin1(name));
    Q_ASSERT(widget != nullptr);
    return widget;
}

QLineEdit* TextBox(const char* name) {
    auto* edit = Named(new QLineEdit, name);
    edit->setMaximumWidth(90);
    return edit;
}

QRadioButton* Option(const char* name, const char* caption) {
    return Named(new QRadioButton(QString::fromLatin1(caption)), name);
}

// One row of a settings grid: the label, the text box and, when given, the unit after it.
void AddTextRow(QGridLayout* grid, const char* caption, QLineEdit* edit, const char* unit) {
    const int row = grid->rowCount();
    grid->addWidget(new QLabel(QString::fromLatin1(caption)), row, 0);
    grid->addWidget(edit, row, 1);
    if (unit != nullptr) {
        grid->addWidget(new QLabel(QString::fromLatin1(unit)), row, 2);
    }
}

// The two pattern buttons at the top of a movement frame, in the frame's own order.
QHBoxLayout* PatternRow(QWidget* frame, QRadioButton* first, QRadioButton* second) {
    auto* group = new QButtonGroup(frame);
    group->addButton(first);
    group->addButton(second);
    auto* row = new QHBoxLayout;
    row->addWidget(first);
    row->addWidget(second);
    row->addStretch();
    return row;
}

void GroupPair(QWidget* owner, QRadioButton* a, QRadioButton* b) {
    auto* group = new QButtonGroup(owner);
    group->addButton(a);
    group->addButton(b);
}

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

Qt::CheckState ToQt(CheckState state) {
    switch (state) {
        case CheckState::Unchecked:
            return Qt::Unchecked;
        case CheckState::Checked:
            return Qt::Checked;
        case CheckState::Grayed:
            return Qt::PartiallyChecked;
    }
    return Qt::Unchecked;
}

CheckState FromQt(Qt::CheckState state) {
    switch (state) {
        case Qt::Unchecked:
            return CheckState::Unchecked;
        case Qt::PartiallyChecked:
            return CheckState::Grayed;
        case Qt::Checked:
            return CheckState::Checked;
    }
    return CheckState::Unchecked;
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
      body_(std::make_unique<QWidget>()) {
    setObjectName(QStringLiteral("KOVForm"));
    setWindowTitle(QString::fromLatin1(kDesignCaption));

    auto* grid = new QGridLayout(body_.get());
    grid->addWidget(buildMovementArea(), 0, 0, 2, 1);
    grid->addWidget(buildMappingFrame(), 0, 1);
    grid->addWidget(buildTelescopeFrame(), 1, 1);
    grid->addWidget(buildCameraFrame(), 2, 0, 1, 2);

    QFont large = font();
    large.setPointSize(12);
    status_ = Named(new QLabel, "Status");
    geminiResult_ = Named(new QLabel, "GeminiResult");
    for (QLabel* label : {status_, geminiResult_}) {
        label->setFont(large);
        label->setMinimumHeight(label->fontMetrics().height());
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    grid->addWidget(status_, 3, 0, 1, 2);
    grid->addWidget(geminiResult_, 4, 0, 1, 2);
    grid->addWidget(buildCommandRow(), 5, 0, 1, 2);
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(0, 1);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(body_.get());

    bindSettings();

    // Start-up: settings first (they arrange the movement frames), then the caption with its
    // version, whose start line is the log's first entry.
    LoadSettings(st_.settings, store_);
    const std::string caption = Caption();
    setWindowTitle(Q(caption));
    st_.log.AddLog(caption + " Started");
}

KOVForm::~KOVForm() = default;

QWidget* KOVForm::buildMovementArea() {
    auto* area = Named(new QWidget, "MovementArea");
    movementStack_ = new QStackedLayout(area);
    movementStack_->setContentsMargins(0, 0, 0, 0);
    // The horizon-height frame goes in first: it fixes the place and size of the area.
    frameFractal_ = buildHorizonFrame();
    frameZigZag_ = buildZigZagFrame();
    frameList_ = buildListFrame();
    movementStack_->addWidget(frameFractal_);
    movementStack_->addWidget(frameZigZag_);
    movementStack_->addWidget(frameList_);
    return area;
}

QGroupBox* KOVForm::buildZigZagFrame() {
    auto* frame = Named(new QGroupBox(QStringLiteral("Movement Settings")), "FrameZigZag");
    bZigZag_[0] = Option("bZigZag_0", "Zig-Zag");
    bFractal_[0] = Option("bFractal_0", "Map Points");
    auto* layout = new QVBoxLayout(frame);
    layout->addLayout(PatternRow(frame, bZigZag_[0], bFractal_[0]));

    auto* grid = new QGridLayout;
    AddTextRow(grid, "Initial Move in RA:", TextBox("InitialMoveRA"), "degrees");
    AddTextRow(grid, "Move size in RA:", TextBox("MoveInRA"), "degrees");
    AddTextRow(grid, "Move size in DEC:", TextBox("MoveInDEC"), "degrees");
    AddTextRow(grid, "RA Max Range:", TextBox("ReverseRA"), "degrees");
    AddTextRow(grid, "DEC Max Range:", TextBox("DECMaxRange"), "degrees");
    grid->setColumnStretch(3, 1);
    layout->addLayout(grid);

    // A container of its own keeps West/East apart from the pattern buttons.
    layout->addWidget(new QLabel(QStringLiteral("Start moving in RA towards:")));
    auto* picture = Named(new QWidget, "Picture1");
    auto* west = Option("WestFirst", "West");
    auto* east = Option("EastFirst", "East");
    GroupPair(picture, west, east);
    auto* row = new QHBoxLayout(picture);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(west);
    row->addWidget(east);
    row->addStretch();
    layout->addWidget(picture);
    layout->addStretch();
    return frame;
}

QGroupBox* KOVForm::buildHorizonFrame() {
    auto* frame = Named(new QGroupBox(QStringLiteral("Movement Settings")), "FrameFractal");
    bFractal_[1] = Option("bFractal_1", "Map Points");
    bZigZag_[1] = Option("bZigZag_1", "Zig-Zag");
    auto* layout = new QVBoxLayout(frame);
    layout->addLayout(PatternRow(frame, bFractal_[1], bZigZag_[1]));
    // No pattern shows this frame, so the horizon heights live in the list frame instead.
    layout->addStretch();
    return frame;
}

QGroupBox* KOVForm::buildListFrame() {
    auto* frame = Named(new QGroupBox(QStringLiteral("Movement Settings")), "FrameList");
    bZigZag_[2] = Option("bZigZag_2", "Zig-Zag");
    bFractal_[2] = Option("bFractal_2", "Map Points");
    auto* layout = new QVBoxLayout(frame);
    layout->addLayout(PatternRow(frame, bZigZag_[2], bFractal_[2]));

    auto* points = new PointListView(st_);
    layout->addWidget(points, 1);
    fileDisplay_ = points->fileDisplay();
    pointListCommands_ = points->commands();
    return frame;
}

QGroupBox* KOVForm::buildCameraFrame() {
    auto* frame = Named(new QGroupBox(QStringLiteral("Camera && Plate Solution Setup")), "Frame5");
    auto* grid = new QGridLayout(frame);

    auto* ccdSoft = Option("bCCDSoft", "CCDSoft");
    auto* maxim = Option("bMaxim", "MaxIm DL");
    GroupPair(frame, ccdSoft, maxim);
    grid->addWidget(new QLabel(QStringLiteral("Software:")), 0, 0);
    grid->addWidget(ccdSoft, 0, 1);
    grid->addWidget(maxim, 0, 2);
    grid->addWidget(Named(new QCheckBox(QStringLiteral("Auto Dark")), "bAutoDark"), 0, 3, 1, 2);

    auto* bin = Named(new QComboBox, "BinMode");
    for (const char* mode : kBinModes) {
        bin->addItem(QString::fromLatin1(mode));
    }
    grid->addWidget(new QLabel(QStringLiteral("Pixel Scale:")), 1, 0);
    grid->addWidget(TextBox("PixelScale"), 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Bin:")), 1, 2);
    grid->addWidget(bin, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Exposure (sec)")), 2, 0);
    grid->addWidget(TextBox("Exposure"), 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Delay:")), 2, 2);
    grid->addWidget(TextBox("Delay"), 2, 3);
    grid->setColumnStretch(5, 1);
    return frame;
}

QGroupBox* KOVForm::buildMappingFrame() {
    auto* frame = Named(new QGroupBox(QStringLiteral("Mapping Configuration")), "Frame1");
    auto* grid = new QGridLayout(frame);
    grid->addWidget(new QLabel(QStringLiteral("Points:")), 0, 0);
    grid->addWidget(TextBox("NumberOfAligns"), 0, 1);
    imageNumber_ = Named(new QLabel, "ImageNumber");
    grid->addWidget(imageNumber_, 1, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    return frame;
}

QGroupBox* KOVForm::buildTelescopeFrame() {
    auto* frame = Named(new QGroupBox(QStringLiteral("Telescope")), "Frame3");
    auto* layout = new QVBoxLayout(frame);
    auto* sky5 = Option("OptionSky5", "TheSky 5 Level IV");
    auto* sky6 = Option("OptionSky6", "TheSky 6 Professional");
    GroupPair(frame, sky5, sky6);
    layout->addWidget(sky5);
    layout->addWidget(sky6);
    scopeName_ = Named(new QLabel, "ScopeName");
    layout->addWidget(scopeName_);
    telescopeCommands_ = new QHBoxLayout;
    auto* choose = Named(new QPushButton(QStringLiteral("Choose")), "Command4");
    connect(choose, &QPushButton::clicked, this,
            [this] { GuardSlot(st_, [this] { ChooseTelescope(st_); }); });
    telescopeCommands_->addWidget(choose);
    auto* connectButton = Named(new QPushButton(QStringLiteral("Connect")), "Command3");
    connect(connectButton, &QPushButton::clicked, this,
            [this] { GuardSlot(st_, [this] { ConnectTelescope(st_); }); });
    telescopeCommands_->addWidget(connectButton);
    layout->addLayout(telescopeCommands_);
    layout->addStretch();
    return frame;
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
    auto* exit = Named(new QPushButton(QStringLiteral("EXIT")), "Command2");
    connect(exit, &QPushButton::clicked, this, &KOVForm::Exit);
    layout->addWidget(exit);
    return row;
}

void KOVForm::bindSettings() {
    RunSettings& s = st_.settings;
    const QWidget* body = body_.get();

    // Text boxes: an edit goes straight into the settings; a rewrite by the core comes back.
    const auto text = [&](const char* name, Observable<std::string>& field) {
        QLineEdit* edit = Child<QLineEdit>(body, name);
        edit->setText(Q(field()));
        connect(edit, &QLineEdit::textEdited, this,
                [&field](const QString& t) { field.set(t.toStdString()); });
        field.observe([edit](const std::string& value) {
            const QString t = Q(value);
            if (edit->text() != t) {
                edit->setText(t);
            }
        });
    };
    text("InitialMoveRA", s.InitialMoveRA);
    text("MoveInRA", s.MoveInRA);
    text("MoveInDEC", s.MoveInDEC);
    text("ReverseRA", s.ReverseRA);
    text("DECMaxRange", s.DECMaxRange);
    text("tEast", s.tEast);
    text("tWest", s.tWest);
    text("tNorth", s.tNorth);
    text("tSouth", s.tSouth);
    text("NumberOfAligns", s.NumberOfAligns);
    text("PixelScale", s.PixelScale);
    text("Exposure", s.Exposure);
    text("Delay", s.Delay);

    // Option pairs: the field is true when the first button is selected.
    const auto pair = [&](const char* first, const char* second, Observable<bool>& field) {
        QRadioButton* a = Child<QRadioButton>(body, first);
        QRadioButton* b = Child<QRadioButton>(body, second);
        (field() ? a : b)->setChecked(true);
        connect(a, &QRadioButton::toggled, this, [&field](bool on) {
            if (on) {
                field.set(true);
            }
        });
        connect(b, &QRadioButton::toggled, this, [&field](bool on) {
            if (on) {
                field.set(false);
            }
        });
        field.observe([a, b](bool value) { (value ? a : b)->setChecked(true); });
    };
    pair("WestFirst", "EastFirst", s.WestFirst);
    pair("bCCDSoft", "bMaxim", s.bCCDSoft);
    pair("OptionSky5", "OptionSky6", s.OptionSky5);

    // The pattern: any of the three "Zig-Zag" or "Map Points" buttons switches it. The field
    // tells its observers only on a change, so selecting the selected pattern runs nothing.
    for (int i = 0; i < 3; ++i) {
        connect(bZigZag_[i], &QRadioButton::toggled, this, [&s](bool on) {
            if (on) {
                s.bZigZag.set(true);
            }
        });
        connect(bFractal_[i], &QRadioButton::toggled, this, [&s](bool on) {
            if (on) {
                s.bZigZag.set(false);
            }
        });
    }
    showPattern(s.bZigZag());
    s.bZigZag.observe([this](bool zigZag) { showPattern(zigZag); });

    QComboBox* bin = Child<QComboBox>(body, "BinMode");
    bin->setCurrentIndex(s.BinMode());
    connect(bin, &QComboBox::currentIndexChanged, this, [&s](int index) {
        if (index >= 0) {
            s.BinMode.set(index);
        }
    });
    s.BinMode.observe([bin](int index) { bin->setCurrentIndex(index); });

    QCheckBox* dark = Child<QCheckBox>(body, "bAutoDark");
    const auto showDark = [dark](CheckState state) {
        dark->setCheckState(ToQt(state));
        // A stored grayed state shows as such; once the operator clicks, two states again.
        dark->setTristate(state == CheckState::Grayed);
    };
    showDark(s.bAutoDark());
    connect(dark, &QCheckBox::stateChanged, this,
            [&s](int state) { s.bAutoDark.set(FromQt(static_cast<Qt::CheckState>(state))); });
    s.bAutoDark.observe(showDark);

    scopeName_->setText(Q(s.ScopeName()));
    s.ScopeName.observe([this](const std::string& name) { scopeName_->setText(Q(name)); });
}

void KOVForm::showPattern(bool zigZag) {
    // Whichever frame shows takes the horizon-height frame's place (the stack gives every page
    // the same rectangle), and all three frames' buttons follow the pattern.
    if (zigZag) {
        movementStack_->setCurrentWidget(frameZigZag_);
        for (QRadioButton* button : bZigZag_) {
            button->setChecked(true);
        }
    } else {
        movementStack_->setCurrentWidget(frameList_);
        for (QRadioButton* button : bFractal_) {
            button->setChecked(true);
        }
    }
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

void KOVForm::Exit() {
    if (st_.run.bRunning) {
        if (messageBox("Do you really want to exit?", "KOV - User Interrupt", Buttons::YesNo,
                       Icon::Question) != Answer::Yes) {
            return;
        }
        st_.run.bStop = true;
    }
    close();
    emit endProgram();
}

void KOVForm::closeEvent(QCloseEvent* event) {
    unload();
    event->accept();
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
}

QLabel* KOVForm::labelFor(Label which) const {
    switch (which) {
        case Label::Status:
            return status_;
        case Label::GeminiResult:
            return geminiResult_;
        case Label::ImageNumber:
            return imageNumber_;
        case Label::FileDisplay:
            return fileDisplay_;
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
