#include "win/gui/model_window.h"

// GDI+'s headers use the min and max the Windows headers leave out under NOMINMAX.
#include <objidl.h>

#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "commands/save_files.h"
#include "model/station.h"
#include "run/model_csv.h"
#include "run/model_view.h"
#include "station/automation_error.h"
#include "win/gui/control_ids.h"
#include "win/gui/fonts.h"
#include "win/gui/wide.h"

namespace kov::win::gui {

namespace {

using namespace Gdiplus;

constexpr double kPi = 3.14159265358979323846;
constexpr UINT_PTR kRedrawTimer = 1;
constexpr UINT kRedrawDelayMs = 150;  // gathers the changes of one point, still looks live
constexpr std::int32_t kErrFileAccess = 75;

const Color kTargetColor(255, 40, 90, 200);
const Color kSolvedColor(255, 30, 150, 60);
const Color kFailedColor(255, 210, 40, 40);
const Color kCurrentColor(255, 240, 150, 0);
const Color kListColor(255, 120, 120, 120);
const Color kHiddenSky(110, 170, 140, 100);
const Color kGrid(255, 200, 200, 200);
const Color kAzColor(255, 40, 90, 200);
const Color kElColor(255, 200, 90, 30);

struct Box {
    float x, y, w, h;
};

// GDI's font mapping finds a face on every system (GDI+ alone knows only the installed families
// by name), so the chart's fonts are made by GDI and handed to GDI+.
class GdiFont {
  public:
    GdiFont(int pixels, int weight)
        : font_(CreateFontW(-pixels, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                            DEFAULT_PITCH | FF_SWISS, L"MS Shell Dlg 2")) {}
    ~GdiFont() { DeleteObject(font_); }
    GdiFont(const GdiFont&) = delete;
    GdiFont& operator=(const GdiFont&) = delete;
    HFONT get() const { return font_; }

  private:
    HFONT font_;
};

class Painter {
  public:
    Painter(Graphics& g, float scale)
        : g_(g),
          screen_(GetDC(nullptr)),
          normalFace_(static_cast<int>(std::lround(12 * scale)), FW_NORMAL),
          boldFace_(static_cast<int>(std::lround(13 * scale)), FW_BOLD),
          font_(screen_, normalFace_.get()),
          title_(screen_, boldFace_.get()),
          black_(Color(255, 0, 0, 0)) {
        g_.SetSmoothingMode(SmoothingModeAntiAlias);
        g_.SetTextRenderingHint(TextRenderingHintAntiAliasGridFit);
    }
    ~Painter() { ReleaseDC(nullptr, screen_); }
    Painter(const Painter&) = delete;
    Painter& operator=(const Painter&) = delete;

    float line() const { return font_.GetHeight(&g_); }

    void text(const std::wstring& s, float x, float y, bool bold = false) {
        g_.DrawString(s.c_str(), -1, bold ? &title_ : &font_, PointF(x, y), &black_);
    }
    void centred(const std::wstring& s, float cx, float y, bool bold = false) {
        text(s, cx - width(s, bold) / 2.0f, y, bold);
    }
    float width(const std::wstring& s, bool bold = false) {
        RectF box;
        g_.MeasureString(s.c_str(), -1, bold ? &title_ : &font_, PointF(0, 0), &box);
        return box.Width;
    }
    Graphics& g() { return g_; }

  private:
    Graphics& g_;
    HDC screen_;
    GdiFont normalFace_;
    GdiFont boldFace_;
    Font font_;
    Font title_;
    SolidBrush black_;
};

void Cross(Graphics& g, const Pen& pen, PointF c, float s) {
    g.DrawLine(&pen, c.X - s, c.Y - s, c.X + s, c.Y + s);
    g.DrawLine(&pen, c.X - s, c.Y + s, c.X + s, c.Y - s);
}

void Ring(Graphics& g, const Pen& pen, PointF c, float r) {
    g.DrawEllipse(&pen, c.X - r, c.Y - r, 2 * r, 2 * r);
}

void Dot(Graphics& g, const Color& color, PointF c, float r) {
    SolidBrush brush(color);
    g.FillEllipse(&brush, c.X - r, c.Y - r, 2 * r, 2 * r);
}

// --- Sky chart ------------------------------------------------------------------------------

void DrawSky(Painter& p, Box b, const ModelView& view, const SkyBackdrop& backdrop) {
    Graphics& g = p.g();
    const float line = p.line();
    p.centred(L"Sky (north up, east left)", b.x + b.w / 2, b.y + 4, true);
    const float legendTop = b.y + b.h - line - 6;
    const float top = b.y + 8 + 2 * line;
    const float bottom = legendTop - line - 2;
    const float radius = std::max(10.0f, std::min((b.w - 2 * line - 16) / 2, (bottom - top) / 2));
    const PointF centre(b.x + b.w / 2, top + (bottom - top) / 2);
    // Seen from below, east is on the left; below the horizon stays on its circle.
    const auto at = [&](double alt, double az) {
        const double r = radius * std::clamp(90.0 - alt, 0.0, 90.0) / 90.0;
        const double a = az * kPi / 180.0;
        return PointF(static_cast<REAL>(centre.X - r * std::sin(a)),
                      static_cast<REAL>(centre.Y - r * std::cos(a)));
    };

    if (backdrop.bMapPoints) {
        std::vector<PointF> visible;
        for (int az = 0; az < 360; az += 5) {
            visible.push_back(at(HorizonHeightAt(backdrop.heights, az), az));
        }
        GraphicsPath dome;
        dome.AddEllipse(centre.X - radius, centre.Y - radius, 2 * radius, 2 * radius);
        GraphicsPath above;
        above.AddPolygon(visible.data(), static_cast<INT>(visible.size()));
        Region hidden(&dome);
        hidden.Exclude(&above);
        SolidBrush brush(kHiddenSky);
        g.FillRegion(&brush, &hidden);
        Pen edge(Color(255, 140, 100, 60), 1.5f);
        g.DrawPolygon(&edge, visible.data(), static_cast<INT>(visible.size()));
    }

    Pen grid(kGrid, 1.0f);
    grid.SetDashStyle(DashStyleDash);
    for (double alt : {30.0, 60.0}) {
        Ring(g, grid, centre, static_cast<float>(radius * (90.0 - alt) / 90.0));
        const PointF label = at(alt, 0.0);
        p.text(std::to_wstring(static_cast<int>(alt)) + L"\u00B0", label.X + 3, label.Y - line);
    }
    g.DrawLine(&grid, at(0, 0), at(0, 180));
    g.DrawLine(&grid, at(0, 90), at(0, 270));
    Pen horizon(Color(255, 0, 0, 0), 1.5f);
    Ring(g, horizon, centre, radius);
    const struct {
        const wchar_t* name;
        double az;
    } compass[] = {{L"N", 0}, {L"E", 90}, {L"S", 180}, {L"W", 270}};
    for (const auto& c : compass) {
        const double a = c.az * kPi / 180.0;
        const float x = static_cast<float>(centre.X - (radius + line * 0.8) * std::sin(a));
        const float y = static_cast<float>(centre.Y - (radius + line * 0.8) * std::cos(a));
        p.centred(c.name, x, y - line / 2);
    }

    Pen list(kListColor, 1.0f);
    for (const HorizontalPosition& l : backdrop.listPoints) {
        const PointF c = at(l.alt, l.az);
        g.DrawRectangle(&list, c.X - 3, c.Y - 3, 6.0f, 6.0f);
    }
    Pen target(kTargetColor, 1.5f);
    Pen failed(kFailedColor, 2.5f);
    Pen current(kCurrentColor, 3.0f);
    for (std::size_t i = 0; i < view.points.size(); ++i) {
        const ModelViewPoint& pt = view.points[i];
        if (!pt.sky) {
            continue;
        }
        const PointF c = at(pt.sky->alt, pt.sky->az);
        Ring(g, target, c, 7);
        if (pt.outcome == PointOutcome::Failed) {
            Cross(g, failed, c, 5);
        } else {
            Dot(g, kSolvedColor, c, 4);
        }
        if (view.current == i) {
            Ring(g, current, c, 11);
        }
    }

    // Legend: one sample of each marker with its name.
    std::vector<std::wstring> names{L"target", L"solved", L"failed", L"current"};
    if (backdrop.bMapPoints) {
        names.emplace_back(L"list point");
    }
    float total = 0;
    for (const std::wstring& n : names) {
        total += 32 + p.width(n);
    }
    float x = std::max(b.x + 4, b.x + (b.w - total) / 2);
    const float y = legendTop + line / 2;
    for (std::size_t k = 0; k < names.size(); ++k) {
        const PointF c(x + 8, y);
        switch (k) {
            case 0:
                Ring(g, target, c, 7);
                break;
            case 1:
                Dot(g, kSolvedColor, c, 4);
                break;
            case 2:
                Cross(g, failed, c, 5);
                break;
            case 3:
                Ring(g, current, c, 7);
                break;
            default:
                g.DrawRectangle(&list, c.X - 3, c.Y - 3, 6.0f, 6.0f);
                break;
        }
        p.text(names[k], x + 18, y - line / 2);
        x += 32 + p.width(names[k]);
    }
}

// --- Axes shared by the two plots ------------------------------------------------------------

struct Plot {
    Box area;  // the plot area inside the axes
    double x0, x1, y0, y1;
    PointF at(double x, double y) const {
        return PointF(static_cast<REAL>(area.x + (x - x0) / (x1 - x0) * area.w),
                      static_cast<REAL>(area.y + area.h - (y - y0) / (y1 - y0) * area.h));
    }
};

std::wstring Number(double v) {
    wchar_t s[32];
    std::swprintf(s, 32, L"%g", std::fabs(v) < 1e-9 ? 0.0 : v);
    return s;
}

// Frame, ticks every `step` from zero (x ticks at `xStep` from `xAnchor`), axis titles.
void DrawAxes(Painter& p, const Plot& plot, double xAnchor, double xStep, double yStep,
              const std::wstring& xTitle, const std::wstring& yTitle) {
    Graphics& g = p.g();
    const float line = p.line();
    Pen frame(Color(255, 90, 90, 90), 1.0f);
    Pen grid(Color(255, 225, 225, 225), 1.0f);
    for (double x = xAnchor + std::ceil((plot.x0 - xAnchor) / xStep) * xStep; x <= plot.x1 + 1e-9;
         x += xStep) {
        const PointF a = plot.at(x, plot.y0);
        g.DrawLine(&grid, a, plot.at(x, plot.y1));
        p.centred(Number(x), a.X, a.Y + 3);
    }
    for (double y = std::ceil(plot.y0 / yStep) * yStep; y <= plot.y1 + 1e-9; y += yStep) {
        const PointF a = plot.at(plot.x0, y);
        g.DrawLine(&grid, a, plot.at(plot.x1, y));
        const std::wstring label = Number(y);
        p.text(label, a.X - p.width(label) - 3, a.Y - line / 2);
    }
    g.DrawRectangle(&frame, plot.area.x, plot.area.y, plot.area.w, plot.area.h);
    p.centred(xTitle, plot.area.x + plot.area.w / 2, plot.area.y + plot.area.h + line + 4);
    // The y title stands upright beside the labels.
    const GraphicsState state = g.Save();
    g.TranslateTransform(plot.area.x - 3 * line - 8, plot.area.y + plot.area.h / 2);
    g.RotateTransform(-90.0f);
    p.centred(yTitle, 0, 0);
    g.Restore(state);
}

void Legend(Painter& p, float cx, float y, const std::vector<std::pair<std::wstring, Color>>& items,
            bool filled) {
    float total = 0;
    for (const auto& item : items) {
        total += 30 + p.width(item.first);
    }
    float x = cx - total / 2;
    for (const auto& item : items) {
        if (filled) {
            SolidBrush brush(item.second);
            p.g().FillRectangle(&brush, x, y + 3, 16.0f, p.line() - 6);
        } else {
            Pen pen(item.second, 2.0f);
            p.g().DrawLine(&pen, x, y + p.line() / 2, x + 16, y + p.line() / 2);
        }
        p.text(item.first, x + 20, y);
        x += 30 + p.width(item.first);
    }
}

// --- Pointing error scatter -----------------------------------------------------------------

double ErrorRange(double largest) {
    for (double step : {90.0, 180.0, 300.0, 600.0, 1200.0, 1800.0, 3600.0}) {
        if (largest * 1.1 <= step) {
            return step;
        }
    }
    return std::ceil(largest * 1.1 / 3600.0) * 3600.0;
}

void DrawErrors(Painter& p, Box b, const ModelView& view) {
    Graphics& g = p.g();
    const float line = p.line();
    double largest = 0.0;
    std::size_t count = 0;
    for (const ModelViewPoint& pt : view.points) {
        if (pt.error) {
            largest = std::max({largest, std::fabs(pt.error->ra), std::fabs(pt.error->dec)});
            ++count;
        }
    }
    // Map Points runs have no targets in right ascension and declination to miss.
    p.centred(count == 0 ? L"Pointing error: no point with a target in this run"
                         : L"Pointing error (solved \u2212 target)",
              b.x + b.w / 2, b.y + 4, true);
    const double range = ErrorRange(largest);
    // Equal arc seconds across and up, so the rings stay round whatever the window's shape.
    Box area{b.x + 4 * line + 8, b.y + 2 * line + 12, 0, 0};
    area.w = b.x + b.w - 8 - area.x;
    area.h = b.y + b.h - 4 * line - 12 - area.y;
    const double wide = area.w / std::max(1.0f, area.h);
    const Plot plot{area, -range * std::max(1.0, wide), range * std::max(1.0, wide),
                    -range * std::max(1.0, 1.0 / wide), range * std::max(1.0, 1.0 / wide)};
    DrawAxes(p, plot, 0.0, range / 3.0, range / 3.0, L"RA\u00B7cos(Dec), arcsec", L"Dec, arcsec");
    Pen ring(Color(255, 150, 150, 150), 1.0f);
    ring.SetDashStyle(DashStyleDash);
    const PointF origin = plot.at(0, 0);
    for (double r : {30.0, 60.0}) {
        const float rx = plot.at(r, 0).X - origin.X;
        const float ry = origin.Y - plot.at(0, r).Y;
        g.DrawEllipse(&ring, origin.X - rx, origin.Y - ry, 2 * rx, 2 * ry);
    }
    g.SetClip(RectF(area.x, area.y, area.w, area.h));
    Pen border(Color(255, 20, 90, 40), 1.0f);
    for (const ModelViewPoint& pt : view.points) {
        if (pt.error) {
            const PointF c = plot.at(pt.error->ra, pt.error->dec);
            Dot(g, kSolvedColor, c, 4.5f);
            Ring(g, border, c, 4.5f);
        }
    }
    g.ResetClip();
    Legend(p, b.x + b.w / 2, b.y + b.h - line - 4,
           {{L"30\"", Color(255, 150, 150, 150)},
            {L"60\"", Color(255, 150, 150, 150)},
            {L"solved points", kSolvedColor}},
           false);
}

// --- Term history -----------------------------------------------------------------------------

void DrawTerms(Painter& p, Box b, const ModelView& view) {
    Graphics& g = p.g();
    const float line = p.line();
    // A TEST run, a sync or a run still at its first point has nothing to draw: say why.
    p.centred(view.history.empty() ? L"Model terms: no alignment point in this run"
                                   : L"Model terms after each alignment point",
              b.x + b.w / 2, b.y + 4, true);
    const int last = std::max(2, static_cast<int>(view.history.size()));
    const TermScale scale = TermChartScale(view.history);
    Box area{b.x + 4 * line + 8, b.y + 2 * line + 12, 0, 0};
    area.w = b.x + b.w - 8 - area.x;
    area.h = b.y + b.h - 4 * line - 12 - area.y;
    const Plot plot{area, 0.5, last + 0.5, scale.bottom, scale.top};
    DrawAxes(p, plot, 1.0, std::max(1.0, std::ceil(last / 10.0)), scale.step, L"alignment point",
             L"arcmin");
    const double pad = scale.span * 0.01;
    const auto band = [&](const std::optional<TermBand>& t, const Color& color) {
        if (!t) {
            return;
        }
        const PointF a = plot.at(t->firstAlignment - 0.2, t->high + pad);
        const PointF c = plot.at(t->lastAlignment + 0.2, t->low - pad);
        SolidBrush fill(Color(50, color.GetR(), color.GetG(), color.GetB()));
        g.FillRectangle(&fill, a.X, a.Y, c.X - a.X, c.Y - a.Y);
    };
    band(view.azBand, kAzColor);
    band(view.elBand, kElColor);
    const auto series = [&](bool az, const Color& color) {
        std::vector<PointF> points;
        for (const TermReading& r : view.history) {
            points.push_back(plot.at(r.alignment, az ? r.terms.a : r.terms.e));
        }
        Pen pen(color, 2.0f);
        if (points.size() > 1) {
            g.DrawLines(&pen, points.data(), static_cast<INT>(points.size()));
        }
        for (const PointF& c : points) {
            Dot(g, color, c, 3.0f);
        }
    };
    series(true, kAzColor);
    series(false, kElColor);
    Legend(p, b.x + b.w / 2, b.y + b.h - line - 4, {{L"Az Err", kAzColor}, {L"El Err", kElColor}},
           false);
    Legend(p, b.x + b.w / 2, b.y + b.h - 2 * line - 6,
           {{L"Az, last 3", Color(80, 40, 90, 200)}, {L"El, last 3", Color(80, 200, 90, 30)}},
           true);
}

std::wstring RunCaption(const ModelView& view) {
    if (view.points.empty() && view.ending == RunEnding::Running && view.pointsAsked == 0) {
        return L"No run yet: the charts follow the next START or TEST.";
    }
    char text[200];
    std::snprintf(
        text, sizeof text, "%s, %s: %d of %d points solved, %d failed, %d sent to the controller",
        RunCommandName(view.command), RunEndingName(view.ending),
        view.count(PointOutcome::Solved) + view.count(PointOutcome::Sent), view.pointsAsked,
        view.count(PointOutcome::Failed), view.count(PointOutcome::Sent));
    return Wide(text);
}

// Caption above, the three charts side by side in the proportions 4:4:5.
void DrawCharts(Graphics& g, float scale, float width, float height, const ModelView& view,
                const SkyBackdrop& sky) {
    SolidBrush white(Color(255, 255, 255, 255));
    g.FillRectangle(&white, 0.0f, 0.0f, width, height);
    Painter p(g, scale);
    p.text(RunCaption(view), 8, 6, true);
    const float top = 12 + p.line() * 1.5f;
    const float unit = (width - 12) / 13.0f;
    DrawSky(p, {6, top, 4 * unit, height - top - 6}, view, sky);
    DrawErrors(p, {6 + 4 * unit, top, 4 * unit, height - top - 6}, view);
    DrawTerms(p, {6 + 8 * unit, top, 5 * unit, height - top - 6}, view);
}

bool PngEncoder(CLSID& clsid) {
    UINT count = 0;
    UINT size = 0;
    if (GetImageEncodersSize(&count, &size) != Ok || size == 0) {
        return false;
    }
    std::vector<BYTE> buffer(size);
    auto* codecs = reinterpret_cast<ImageCodecInfo*>(buffer.data());
    if (GetImageEncoders(count, size, codecs) != Ok) {
        return false;
    }
    for (UINT i = 0; i < count; ++i) {
        if (std::wstring(codecs[i].MimeType) == L"image/png") {
            clsid = codecs[i].Clsid;
            return true;
        }
    }
    return false;
}

}  // namespace

std::string ModelChartsPng(const ModelView& view, const SkyBackdrop& sky, int width, int height) {
    const auto failed = [] {
        return AutomationError(kErrFileAccess,
                               "The image could not be made (GDI+ has no PNG encoder here).");
    };
    Bitmap bitmap(width, height, PixelFormat32bppARGB);
    {
        Graphics g(&bitmap);
        DrawCharts(g, 1.0f, static_cast<float>(width), static_cast<float>(height), view, sky);
    }
    CLSID png;
    IStream* stream = nullptr;
    if (!PngEncoder(png) || CreateStreamOnHGlobal(nullptr, TRUE, &stream) != S_OK) {
        throw failed();
    }
    std::string bytes;
    if (bitmap.Save(stream, &png, nullptr) == Ok) {
        HGLOBAL memory = nullptr;
        STATSTG stat{};
        if (GetHGlobalFromStream(stream, &memory) == S_OK &&
            stream->Stat(&stat, STATFLAG_NONAME) == S_OK) {
            const void* data = GlobalLock(memory);
            bytes.assign(static_cast<const char*>(data),
                         static_cast<std::size_t>(stat.cbSize.QuadPart));
            GlobalUnlock(memory);
        }
    }
    stream->Release();
    if (bytes.empty()) {
        throw failed();
    }
    return bytes;
}

GdiplusSession::GdiplusSession() {
    GdiplusStartupInput input;
    GdiplusStartup(&token_, &input, nullptr);
}

GdiplusSession::~GdiplusSession() {
    GdiplusShutdown(token_);
}

ModelWindow::ModelWindow(Station& st, HWND owner, POINT at) : st_(st), owner_(owner) {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &ModelWindow::Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kModelWindowClass;
        return RegisterClassExW(&wc) != 0;
    }();
    (void)registered;
    HMENU menu = CreateMenu();
    AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(ControlId("SaveImage")), L"Save Image...");
    AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(ControlId("SaveData")), L"Save Data...");
    const UINT dpi = WindowDpi(owner);
    // The charts want the screen's width; at 1280 pixels they fill it.
    const int width =
        std::min(Scaled(1240, dpi), GetSystemMetrics(SM_CXSCREEN) - static_cast<int>(at.x));
    hwnd_ = CreateWindowExW(0, kModelWindowClass, L"KOV Model", WS_OVERLAPPEDWINDOW, at.x, at.y,
                            width, Scaled(500, dpi), owner, menu, GetModuleHandleW(nullptr), this);
    ShowWindow(hwnd_, SW_SHOWNA);
}

ModelWindow::~ModelWindow() {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
}

void ModelWindow::recordChanged() {
    SetTimer(hwnd_, kRedrawTimer, kRedrawDelayMs, nullptr);
}

LRESULT CALLBACK ModelWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        SetWindowLongPtrW(
            hwnd, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
    }
    auto* self = reinterpret_cast<ModelWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    switch (msg) {
        case WM_PAINT:
            self->paint();
            return 0;
        case WM_ERASEBKGND:
            return 1;  // the charts paint every pixel
        case WM_SIZE:
            InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        case WM_TIMER:
            KillTimer(hwnd, kRedrawTimer);
            InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        case WM_COMMAND:
            if (LOWORD(wp) == ControlId("SaveImage")) {
                self->SaveImage();
            } else if (LOWORD(wp) == ControlId("SaveData")) {
                self->SaveData();
            }
            return 0;
        case WM_CLOSE:
            PostMessageW(self->owner_, kModelWindowClosed, 0, 0);
            return 0;
        default:
            return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

void ModelWindow::paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    RECT client;
    GetClientRect(hwnd_, &client);
    if (client.right > 0 && client.bottom > 0) {
        // Drawn off the screen first, so a live redraw never flickers.
        Bitmap frame(client.right, client.bottom, PixelFormat32bppARGB);
        {
            Graphics g(&frame);
            DrawCharts(g, static_cast<float>(WindowDpi(hwnd_)) / 96.0f,
                       static_cast<float>(client.right), static_cast<float>(client.bottom),
                       BuildModelView(st_.record.get()),
                       BuildSkyBackdrop(st_.settings, st_.points));
        }
        Graphics screen(dc);
        screen.DrawImage(&frame, 0, 0);
    }
    EndPaint(hwnd_, &ps);
}

void ModelWindow::SaveImage() {
    std::string png;
    try {
        png = ModelChartsPng(BuildModelView(st_.record.get()),
                             BuildSkyBackdrop(st_.settings, st_.points), 1280, 480);
    } catch (const AutomationError& e) {
        st_.ui.messageBox("The chart image was not saved. " + e.description(), "KOV - ERROR",
                          Buttons::Ok, Icon::Critical);
        return;
    }
    SaveModelFile(st_.ui, st_.clock, "Save Chart Image", "png", "PNG images (*.png)", "chart image",
                  png);
}

void ModelWindow::SaveData() {
    SaveModelFile(st_.ui, st_.clock, "Save Chart Data", "csv", "CSV files (*.csv)", "chart data",
                  ModelCsv(BuildModelView(st_.record.get())));
}

}  // namespace kov::win::gui
