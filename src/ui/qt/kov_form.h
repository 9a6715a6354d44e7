#pragma once

#include <QWidget>
#include <memory>
#include <string>

#include "station/operator.h"
#include "station/station.h"

class QBoxLayout;
class QCheckBox;
class QGroupBox;
class QLabel;
class QRadioButton;
class QStackedLayout;

namespace kov {
class SettingsStore;
}

namespace kov::qt {

class LogForm;
class RunButtons;

// The main window: it owns the station (settings, run state, log and the rest), shows every
// setting in a control of the same name, and is the Operator the procedures talk to.
class KOVForm : public QWidget, public Operator {
    Q_OBJECT
  public:
    // Loads the settings from the store, completes the caption and logs the start line.
    KOVForm(SettingsStore& store, Clock& clock, ObjectFactory& objects, Desktop& desktop,
            QWidget* parent = nullptr);
    ~KOVForm() override;
    KOVForm(const KOVForm&) = delete;
    KOVForm& operator=(const KOVForm&) = delete;

    Station& station() { return st_; }
    // The log window while "View Log" holds one, else null.
    LogForm* logForm() const { return logForm_.get(); }

    // Rows that the commands of later features join: Frame3's buttons (Choose, Connect), the
    // list frame's buttons under LV, and the window's command row (left of "View Log").
    QBoxLayout* telescopeCommands() const { return telescopeCommands_; }
    QBoxLayout* pointListCommands() const { return pointListCommands_; }
    QBoxLayout* windowCommands() const { return windowCommands_; }

    // The "Kov Sky Mapper - ..." caption with the version appended, as the window shows it.
    static std::string Caption();

    // Operator
    void setLabel(Label which, const std::string& text) override;
    std::string label(Label which) const override;
    void repaint(Label which) override;
    Answer messageBox(const std::string& text, const std::string& title, Buttons buttons,
                      Icon icon) override;
    std::optional<std::string> saveFileDialog(const FileDialogRequest& request) override;
    std::optional<std::string> openFileDialog(const FileDialogRequest& request) override;
    void yield() override;
    void setForeground() override;
    void raiseToTop() override;
    void keepOnTop() override;

  signals:
    // EXIT has unloaded the window: the program should end now, nested work included.
    void endProgram();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    QWidget* buildMovementArea();
    QGroupBox* buildZigZagFrame();
    QGroupBox* buildHorizonFrame();
    QGroupBox* buildListFrame();
    QGroupBox* buildCameraFrame();
    QGroupBox* buildMappingFrame();
    QGroupBox* buildTelescopeFrame();
    QWidget* buildCommandRow();
    void bindSettings();
    void showPattern(bool zigZag);
    void setViewLog(bool on);
    void Exit();
    void unload();
    QLabel* labelFor(Label which) const;
    std::optional<std::string> fileDialog(const FileDialogRequest& request, bool save);

    SettingsStore& store_;
    Station st_;
    // Declared after the station so they go first: no widget or log window outlives the
    // settings and the log they are bound to.
    std::unique_ptr<QWidget> body_;
    std::unique_ptr<LogForm> logForm_;
    bool unloaded_ = false;

    // Controls, owned by body_.
    QStackedLayout* movementStack_ = nullptr;
    QGroupBox* frameZigZag_ = nullptr;
    QGroupBox* frameFractal_ = nullptr;
    QGroupBox* frameList_ = nullptr;
    QRadioButton* bZigZag_[3] = {};
    QRadioButton* bFractal_[3] = {};
    QLabel* status_ = nullptr;
    QLabel* geminiResult_ = nullptr;
    QLabel* imageNumber_ = nullptr;
    QLabel* fileDisplay_ = nullptr;
    QLabel* scopeName_ = nullptr;
    QCheckBox* viewLog_ = nullptr;
    QBoxLayout* telescopeCommands_ = nullptr;
    QBoxLayout* pointListCommands_ = nullptr;
    QBoxLayout* windowCommands_ = nullptr;
    RunButtons* runButtons_ = nullptr;
};

}  // namespace kov::qt
