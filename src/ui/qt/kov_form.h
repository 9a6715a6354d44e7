#pragma once

#include <QWidget>
#include <memory>
#include <string>

#include "model/station.h"
#include "station/operator.h"

class QBoxLayout;
class QCheckBox;
class QLabel;

namespace kov {
class Browser;
class SettingsStore;
}  // namespace kov

namespace kov::qt {

class LogForm;
class MappingFrame;
class ModelForm;
class MovementFrames;
class RunButtons;
class TelescopeFrame;

// The main window: it owns the station (settings, run state, log and the rest), composes the
// frames that show every setting in a control of the same name, and is the Operator the
// procedures talk to.
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
    // The model window while "View Model" holds one, else null.
    ModelForm* modelForm() const { return modelForm_.get(); }

    // Rows that the commands of later features join: Frame3's buttons (Choose, Connect), the
    // list frame's buttons under LV, and the window's command row (left of "View Log").
    QBoxLayout* telescopeCommands() const;
    QBoxLayout* pointListCommands() const;
    QBoxLayout* windowCommands() const { return windowCommands_; }

    // What "Help" opens the manual with; the window's own desktop browser until replaced. The
    // browser must outlive the window.
    void setBrowser(Browser& browser) { browser_ = &browser; }

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
    // The window has unloaded (settings saved) on EXIT, or on its close box during a run: the
    // program must end now, from wherever this is emitted, nested work included, before any
    // outside program is called again. The program connects it directly to its process end.
    void endProgram();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    QWidget* buildCommandRow();
    void setViewLog(bool on);
    void setViewModel(bool on);
    void Exit();
    void Help();
    void unload();
    QLabel* labelFor(Label which) const;
    std::optional<std::string> fileDialog(const FileDialogRequest& request, bool save);

    SettingsStore& store_;
    Station st_;
    std::unique_ptr<Browser> ownBrowser_;
    Browser* browser_ = nullptr;
    // Declared after the station so they go first: no widget or log window outlives the
    // settings and the log they are bound to.
    std::unique_ptr<QWidget> body_;
    std::unique_ptr<LogForm> logForm_;
    std::unique_ptr<ModelForm> modelForm_;
    bool unloaded_ = false;
    bool exiting_ = false;  // EXIT has been confirmed: the close it causes asks nothing

    // Controls, owned by body_.
    MovementFrames* movement_ = nullptr;
    MappingFrame* mapping_ = nullptr;
    TelescopeFrame* telescope_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* geminiResult_ = nullptr;
    QCheckBox* viewLog_ = nullptr;
    QCheckBox* viewModel_ = nullptr;
    QBoxLayout* windowCommands_ = nullptr;
    RunButtons* runButtons_ = nullptr;
};

}  // namespace kov::qt
