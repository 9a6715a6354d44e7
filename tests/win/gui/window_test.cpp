// The native window clicked from another process under the system's own message handling, as an
// operator clicks it: runs, stops, exits, point files, the log window and the model window.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "run/model_csv.h"
#include "win/gui/control_ids.h"
#include "win/gui/ui_driver.h"
#include "win/gui/wide.h"

namespace kov::win::gui::test {
namespace {

// 2026-12-06 21:05:03 UTC: the virtual clock of both programs starts here.
constexpr const char* kClockStart = "1796591103";
constexpr const char* kCompleted = "Modeling run completed!";

// The window on the simulated observatory in a folder of its own (its cameras write their
// images into the working folder), with its settings in an INI file there.
struct Window {
    explicit Window(const std::vector<std::string>& timing, const std::string& settings = "") {
        dir.write("settings.ini", "[Settings]\r\nImage Scale=1\r\n" + settings);
        std::vector<std::string> args{"--sim", "--settings", dir.path("settings.ini")};
        args.insert(args.end(), timing.begin(), timing.end());
        program = std::make_unique<Program>(Beside(L"kov-sky-mapper.exe"), args, dir.path());
        main = program->window(kMainWindowClass);
    }
    HWND operator[](const char* name) const { return Control(main, name); }
    HWND box(const std::string& title, int button) const {
        return WaitDialog(program->pid(), title, button);
    }

    TempFolder dir;
    std::unique_ptr<Program> program;
    HWND main = nullptr;
};

std::vector<std::string> Fast() {
    return {"--fast", "--clock-start", kClockStart};
}

// Real time, 40 times faster: an exposure of 40 s is a second, long enough to click inside.
std::vector<std::string> Live() {
    return {"--time-factor", "40"};
}

bool InExposureWait(const std::string& status) {
    return status.rfind("Image 1/", 0) == 0 && status.find(" -- ") != std::string::npos;
}

TEST(NativeWindow, StartRunsFivePointsAsTheHeadlessRunnerAndTheLogAndModelWindowsSaveThem) {
    Window w(Fast(), "Number of Aligns=5\r\n");
    ASSERT_NE(w.main, nullptr);
    Click(w["Check1"]);
    HWND log = Control(w.program->window(kLogWindowClass), "Text1");
    ASSERT_NE(log, nullptr);
    Click(w["Command1"]);
    ASSERT_TRUE(WaitText(w["Status"], [](const std::string& s) { return s == kCompleted; }))
        << Text(w["Status"]);
    EXPECT_EQ(Text(w["Command1"]), "START");
    EXPECT_FALSE(IsWindowVisible(w["RunProgress"]));

    // The same run by the headless runner, on the same night and clock.
    TempFolder cliDir;
    Program cli(Beside(L"kov-sky-mapper-cli.exe"),
                {"start", "--sim", "--fast", "--clock-start", kClockStart, "--settings",
                 cliDir.path("cli.ini"), "--set", "NumberOfAligns=5", "--set", "PixelScale=1"},
                cliDir.path(), true);
    const std::string headless = cli.output();
    ASSERT_EQ(cli.waitExit(), 0u);
    ASSERT_TRUE(WaitText(log, [](const std::string& text) {
        return text.find("Model Run Completed") != std::string::npos;
    }));
    const std::vector<std::string> window = LogTexts(Text(log), "Starting Model Run");
    ASSERT_FALSE(window.empty());
    EXPECT_EQ(window.back(), "Model Run Completed");
    std::vector<std::string> expected = LogTexts(headless, "Starting Model Run");
    // The runner saves its settings file at its end, as the window does at EXIT.
    ASSERT_EQ(expected.back(), "KOV Exiting");
    expected.pop_back();
    const auto differ =
        std::mismatch(expected.begin(), expected.end(), window.begin(), window.end());
    EXPECT_EQ(expected, window) << "first difference at entry " << (differ.first - expected.begin())
                                << ": " << (differ.first != expected.end() ? *differ.first : "")
                                << " | " << (differ.second != window.end() ? *differ.second : "");

    // The log window saves what it shows, and Clear! empties the window, not the log.
    HWND logWindow = w.program->window(kLogWindowClass);
    Menu(logWindow, "SaveLog");
    ASSERT_TRUE(AnswerFileDialog(w.box("Save Log to a File", IDOK), w.dir.path("night.txt")));
    ASSERT_TRUE(WaitUntil([&] { return !w.dir.read("night.txt").empty(); }));
    EXPECT_EQ(w.dir.read("night.txt"), Text(log) + "\r\n");
    Menu(logWindow, "ClearLog");
    EXPECT_TRUE(WaitText(log, [](const std::string& text) { return text.empty(); }));

    // The model window saves the chart as a PNG and the points as the CSV.
    Click(w["ViewModel"]);
    HWND model = w.program->window(kModelWindowClass);
    ASSERT_NE(model, nullptr);
    Menu(model, "SaveImage");
    ASSERT_TRUE(AnswerFileDialog(w.box("Save Chart Image", IDOK), w.dir.path("chart.png")));
    ASSERT_TRUE(WaitUntil([&] { return w.dir.read("chart.png").size() > 1000; }));
    EXPECT_EQ(w.dir.read("chart.png").substr(0, 8), "\x89PNG\r\n\x1a\n");
    Menu(model, "SaveData");
    ASSERT_TRUE(AnswerFileDialog(w.box("Save Chart Data", IDOK), w.dir.path("chart.csv")));
    ASSERT_TRUE(WaitUntil([&] { return !w.dir.read("chart.csv").empty(); }));
    const std::string csv = w.dir.read("chart.csv");
    EXPECT_EQ(csv.substr(0, ModelCsvHeader().size()), ModelCsvHeader());
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 6);  // the header and five points

    // A refused save (the file held open by another program) shows the error box and leaves
    // the file that was there, and nothing beside it.
    const std::vector<std::string> before = w.dir.files();
    HANDLE held = CreateFileW(Wide(w.dir.path("chart.csv")).c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Menu(model, "SaveData");
    ASSERT_TRUE(AnswerFileDialog(w.box("Save Chart Data", IDOK), w.dir.path("chart.csv")));
    if (HWND replace = WaitDialog(w.program->pid(), "Save Chart Data", IDYES, 3000)) {
        Press(replace, IDYES);
    }
    HWND error = w.box("KOV - ERROR", IDOK);
    ASSERT_NE(error, nullptr);
    EXPECT_NE(BoxText(error).find("The chart data was not saved."), std::string::npos)
        << BoxText(error);
    Press(error, IDOK);
    CloseHandle(held);
    EXPECT_EQ(w.dir.read("chart.csv"), csv);
    // Wine's ReplaceFileW leaves an empty backup file of its own ("rf1A.tmp") when the
    // replace fails; nothing of ours is left.
    std::vector<std::string> after = w.dir.files();
    std::erase_if(after, [&](const std::string& name) {
        return name.rfind("rf", 0) == 0 && name.ends_with(".tmp") && w.dir.read(name).empty();
    });
    EXPECT_EQ(after, before);
}

// A click on STOP (the START button during a run), on EXIT and on the close box, inside the
// camera's wait.
TEST(NativeWindow, StopExitAndTheCloseBoxInsideTheExposureWait) {
    const struct {
        const char* button;
        const char* question;
    } cases[] = {{"Command1", "Do you really want to stop?"},
                 {"Command2", "Do you really want to exit?"},
                 {"close box", "Do you really want to exit?"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        Window w(Live(), "Exposure Length=40\r\nExposure Delay=0\r\n");
        ASSERT_NE(w.main, nullptr);
        ASSERT_TRUE(Type(w["NumberOfAligns"], "7"));
        Click(w["Command1"]);
        ASSERT_TRUE(WaitText(w["Status"], InExposureWait)) << Text(w["Status"]);
        EXPECT_EQ(Text(w["Command1"]), "STOP");
        if (std::string(c.button) == "close box") {
            PostMessageW(w.main, WM_CLOSE, 0, 0);
        } else {
            Click(w[c.button]);
        }
        HWND box = w.box("KOV - User Interrupt", IDYES);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(BoxText(box), c.question);
        Press(box, IDYES);
        if (std::string(c.button) == "Command1") {
            ASSERT_TRUE(WaitText(w["Command1"], [](const std::string& s) { return s == "START"; }));
            EXPECT_EQ(Text(w["Status"]), "Stopped");
            Click(w["Command2"]);  // no run now: EXIT asks nothing
        }
        // The program ends, the settings saved first, the typed point count among them.
        ASSERT_EQ(w.program->waitExit(), 0u);
        EXPECT_NE(w.dir.read("settings.ini").find("Number of Aligns=7"), std::string::npos)
            << w.dir.read("settings.ini");
    }
}

// A command line the window cannot act on is said in a box and on standard error, exit 2; the
// observatory is chosen by name as on Linux, the real one by default.
TEST(NativeWindow, CommandLinesItCannotActOnAreSaidInABox) {
    const std::pair<std::vector<std::string>, const char*> rows[] = {
        {{"--observatory", "moon"}, "--observatory takes sim or real"},
        {{"--observatory=real", "--fast"}, "--fast is for the simulated observatory"},
        {{"--fast"}, "--fast is for the simulated observatory"},
        {{"--time-factor"}, "--time-factor wants a value"},
    };
    for (const auto& [args, says] : rows) {
        SCOPED_TRACE(says);
        TempFolder dir;
        Program program(Beside(L"kov-sky-mapper.exe"), args, dir.path());
        const HWND box = WaitDialog(program.pid(), "KOV - ERROR", IDOK);
        ASSERT_NE(box, nullptr);
        EXPECT_NE(BoxText(box).find(says), std::string::npos) << BoxText(box);
        Press(box, IDOK);
        EXPECT_EQ(program.waitExit(), std::optional<DWORD>(2));
    }
}

TEST(NativeWindow, LoadFillsTheListAndADoubleClickAsksToSlew) {
    Window w(Fast());
    ASSERT_NE(w.main, nullptr);
    w.dir.write("west.kov", "30,270\r\n45,250\r\n60,300\r\n");
    Click(w["bFractal_0"]);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(w["LV"]) != FALSE; }));
    EXPECT_FALSE(IsWindowVisible(w["InitialMoveRA"]));
    Click(w["LoadPts"]);
    ASSERT_TRUE(AnswerFileDialog(w.box("Load Mapping Points", IDOK), w.dir.path("west.kov")));
    ASSERT_TRUE(WaitUntil([&] { return ListView_GetItemCount(w["LV"]) == 3; }));
    EXPECT_EQ(Text(w["NumberOfAligns"]), "3");
    EXPECT_NE(Text(w["FileDisplay"]).find("west.kov"), std::string::npos);

    // A double-click on a selected row asks before it slews there; No leaves the telescope.
    HWND list = w["LV"];
    PostMessageW(list, WM_KEYDOWN, VK_HOME, 0);
    RECT header{};
    GetWindowRect(GetWindow(list, GW_CHILD), &header);
    POINT row{header.left + 20, header.bottom + 4};
    ScreenToClient(list, &row);
    PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(row.x, row.y));
    HWND ask = w.box("Slew to Point", IDNO);
    ASSERT_NE(ask, nullptr);
    EXPECT_EQ(BoxText(ask), "Slew to point: 30, 270?");
    Press(ask, IDNO);
    EXPECT_TRUE(WaitUntil(
        [&] { return WaitDialog(w.program->pid(), "Slew to Point", IDNO, 0) == nullptr; }));
    EXPECT_EQ(Text(w["Status"]), "");
}

}  // namespace
}  // namespace kov::win::gui::test
