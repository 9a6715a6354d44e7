#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "model/station.h"
#include "station/operator.h"
#include "win/gui/fonts.h"

namespace kov {
class Browser;
class SettingsStore;
}  // namespace kov

namespace kov::win::gui {

class LogWindow;
class ModelWindow;

// The main window on the Win32 API: every frame, control, caption and option pair of the Qt
// window, made in the order Tab walks them and named by the control table. It owns the station
// and is the Operator the procedures talk to.
class MainWindow : public Operator {
  public:
    // Loads the settings from the store, creates the (hidden) window and logs the start line.
    MainWindow(SettingsStore& store, Clock& clock, ObjectFactory& objects, Desktop& desktop,
               Browser& browser);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND hwnd() const { return hwnd_; }
    Station& station() { return st_; }
    void show(int how);

    // Handles every pending message of the thread and returns: the yield of every wait.
    void pump();
    // The program's message loop; returns the exit status when the window has gone.
    int run();

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

  private:
    enum Frame { kAlways, kFractal, kZigZag, kList };
    struct Placed {
        HWND hwnd;
        RECT at;  // at 96 dots per inch
        Frame frame;
        bool large;
    };

    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);

    HWND add(const wchar_t* cls, const char* name, const std::string& text, DWORD style, int x,
             int y, int w, int h, Frame frame, DWORD exStyle = 0);
    HWND control(const char* name) const;
    void build();
    void buildZigZag(int x, int y);
    void buildHorizon(int x, int y);
    void buildList(int x, int y);
    void buildSide(int x, int y);
    void buildCommandRow(int y);
    void bindText(const char* name);
    void bindPair(const char* first, const char* second, Observable<bool>& field);
    void layout();
    void showPattern(bool zigZag);

    void onCommand(int id, int code);
    LRESULT onNotify(NMHDR* header);
    void guarded(const std::function<void()>& command);

    void followPoints(PointListChange change);
    void showRows();
    void showSelection();
    void selectionEdited();
    void followRecord(const RunRecord& record, RecordChange change);

    void setViewLog(bool on);
    void setViewModel(bool on);
    void Help();
    void Exit();
    void close();
    void unload();
    [[noreturn]] void endProgram();
    std::optional<std::string> fileDialog(const FileDialogRequest& request, bool save);

    SettingsStore& store_;
    Browser& browser_;
    Station st_;
    HWND hwnd_ = nullptr;
    Fonts fonts_;
    std::vector<Placed> placed_;
    std::map<int, std::function<void(int)>> commands_;  // by control id: what a notification does
    std::unique_ptr<LogWindow> logWindow_;
    std::unique_ptr<ModelWindow> modelWindow_;
    bool echo_ = false;     // a control is being set from its field: no edit goes back
    bool showing_ = false;  // the list is being set from the model
    bool unloaded_ = false;
    bool exiting_ = false;
    int underWay_ = 0;  // guarded commands that have not returned
};

}  // namespace kov::win::gui
