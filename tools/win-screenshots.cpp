// Takes the native window's screenshots for the README under Wine: the main window with each
// movement pattern, a run with the log window open, and the model window after the run, on the
// simulated observatory.
//
//   kovsky_win_screenshots.exe FOLDER       (tools/screenshots-windows.sh runs it under Xvfb)
#include <windows.h>

#include <objidl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include "win/gui/control_ids.h"
#include "win/gui/ui_driver.h"
#include "win/gui/wide.h"

namespace {

using namespace kov::win::gui;
using namespace kov::win::gui::test;

bool PngEncoder(CLSID& clsid) {
    UINT count = 0;
    UINT size = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    std::vector<BYTE> buffer(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    Gdiplus::GetImageEncoders(count, size, codecs);
    for (UINT i = 0; i < count; ++i) {
        if (std::wstring(codecs[i].MimeType) == L"image/png") {
            clsid = codecs[i].Clsid;
            return true;
        }
    }
    return false;
}

// What the screen shows in this rectangle, as a PNG file.
bool Shoot(RECT r, const std::string& path) {
    std::this_thread::sleep_for(std::chrono::milliseconds(700));  // the windows have painted
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    CLSID png;
    bool saved = false;
    {
        Gdiplus::Bitmap image(bitmap, nullptr);
        saved = PngEncoder(png) && image.Save(Wide(path).c_str(), &png, nullptr) == Gdiplus::Ok;
    }
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    std::printf("%s %s (%dx%d)\n", saved ? "saved" : "FAILED", path.c_str(), w, h);
    return saved;
}

RECT Frame(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kovsky_win_screenshots FOLDER\n");
        return 2;
    }
    const std::string out = argv[1];
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    int failures = 0;
    {
        TempFolder dir;
        // The demonstration's night: the camera's scale, a walk east across the meridian.
        dir.write("settings.ini",
                  "[Settings]\r\nImage Scale=1\r\nMove in RA=10\r\nNumber of Aligns=8\r\n");
        dir.write("west.kov",
                  "30\xBA 0' 0\",270\xBA 0' 0\"\r\n45\xBA 0' 0\",250\xBA 0' 0\"\r\n"
                  "60\xBA 0' 0\",300\xBA 0' 0\"\r\n40\xBA 0' 0\",200\xBA 0' 0\"\r\n"
                  "55\xBA 0' 0\",160\xBA 0' 0\"\r\n35\xBA 0' 0\",120\xBA 0' 0\"\r\n");
        Program program(Beside(L"kov-sky-mapper.exe"),
                        {"--sim", "--time-factor", "60", "--settings", dir.path("settings.ini")},
                        dir.path());
        HWND main = program.window(kMainWindowClass);
        if (main == nullptr) {
            std::fprintf(stderr, "the window did not come\n");
            return 1;
        }
        SetWindowPos(main, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        failures += !Shoot(Frame(main), out + "\\win-main-zigzag.png");

        Click(Control(main, "bFractal_0"));
        Click(Control(main, "LoadPts"));
        AnswerFileDialog(WaitDialog(program.pid(), "Load Mapping Points", IDOK),
                         dir.path("west.kov"));
        WaitText(Control(main, "NumberOfAligns"), [](const std::string& t) { return t == "6"; });
        failures += !Shoot(Frame(main), out + "\\win-main-points.png");

        Click(Control(main, "bZigZag_2"));
        Type(Control(main, "NumberOfAligns"), "8");
        // East first: with points on both sides of the meridian the controller fits both terms.
        Click(Control(main, "EastFirst"));
        Click(Control(main, "Check1"));
        Click(Control(main, "Command1"));
        WaitText(
            Control(main, "Status"),
            [](const std::string& s) { return s.rfind("Image 4/", 0) == 0; }, 60000);
        failures += !Shoot(RECT{0, 0, 1280, 800}, out + "\\win-log-window.png");

        WaitText(
            Control(main, "Status"),
            [](const std::string& s) { return s == "Modeling run completed!"; }, 120000);
        Click(Control(main, "Check1"));
        Click(Control(main, "ViewModel"));
        HWND model = program.window(kModelWindowClass);
        failures += model == nullptr || !Shoot(Frame(model), out + "\\win-model.png");
        Click(Control(main, "Command2"));
        program.waitExit();
    }
    Gdiplus::GdiplusShutdown(token);
    return failures == 0 ? 0 : 1;
}
