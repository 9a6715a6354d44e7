#pragma once

#include <windows.h>

#include <string>

namespace kov {
struct Station;
struct ModelView;
struct SkyBackdrop;
}  // namespace kov

namespace kov::win::gui {

// Posted to the owner when the operator closes the model window with its close box.
inline constexpr UINT kModelWindowClosed = WM_APP + 2;

// The model window "KOV Model": the run's sky chart, pointing-error scatter and term history,
// drawn with GDI+ from the same model view the Qt charts read, live while a run goes on, and a
// menu with "Save Image..." (PNG) and "Save Data..." (CSV), both through the safe file writer.
class ModelWindow {
  public:
    ModelWindow(Station& st, HWND owner, POINT at);
    ~ModelWindow();
    ModelWindow(const ModelWindow&) = delete;
    ModelWindow& operator=(const ModelWindow&) = delete;

    HWND hwnd() const { return hwnd_; }
    // The run record changed: redrawn shortly, so a point's several changes draw once.
    void recordChanged();
    void SaveImage();
    void SaveData();

  private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void paint();

    Station& st_;
    HWND owner_;
    HWND hwnd_ = nullptr;
};

// The three charts and their caption as a PNG image of this size, for Save Image... Throws
// AutomationError when GDI+ cannot make it.
std::string ModelChartsPng(const ModelView& view, const SkyBackdrop& sky, int width, int height);

// GDI+ for as long as the program runs.
class GdiplusSession {
  public:
    GdiplusSession();
    ~GdiplusSession();
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

  private:
    ULONG_PTR token_ = 0;
};

}  // namespace kov::win::gui
