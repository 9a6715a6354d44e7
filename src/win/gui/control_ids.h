#pragma once

#include <array>
#include <string_view>

// The names of the native window's controls, as the Qt window names its widgets, with the
// dialog identifiers that carry them. The window and its tests find a control by name through
// this one table.
namespace kov::win::gui {

struct ControlName {
    std::string_view name;
    int id;
};

inline constexpr std::array kControlNames{
    // The movement area: the horizon-height frame, the Zig-Zag frame, the list frame.
    ControlName{"FrameFractal", 1001},
    ControlName{"bFractal_1", 1002},
    ControlName{"bZigZag_1", 1003},
    ControlName{"FrameZigZag", 1010},
    ControlName{"bZigZag_0", 1011},
    ControlName{"bFractal_0", 1012},
    ControlName{"InitialMoveRA", 1013},
    ControlName{"MoveInRA", 1014},
    ControlName{"MoveInDEC", 1015},
    ControlName{"ReverseRA", 1016},
    ControlName{"DECMaxRange", 1017},
    ControlName{"WestFirst", 1018},
    ControlName{"EastFirst", 1019},
    ControlName{"FrameList", 1020},
    ControlName{"bZigZag_2", 1021},
    ControlName{"bFractal_2", 1022},
    ControlName{"LV", 1023},
    ControlName{"FileDisplay", 1024},
    ControlName{"AddPoint", 1025},
    ControlName{"Delete", 1026},
    ControlName{"LoadPts", 1027},
    ControlName{"SavePoints", 1028},
    ControlName{"HorizonHeights", 1029},
    ControlName{"tEast", 1030},
    ControlName{"tWest", 1031},
    ControlName{"tNorth", 1032},
    ControlName{"tSouth", 1033},
    // Mapping Configuration, Telescope, Camera & Plate Solution Setup.
    ControlName{"Frame1", 1040},
    ControlName{"NumberOfAligns", 1041},
    ControlName{"ImageNumber", 1042},
    ControlName{"RunProgress", 1043},
    ControlName{"Frame3", 1050},
    ControlName{"OptionSky5", 1051},
    ControlName{"OptionSky6", 1052},
    ControlName{"ScopeName", 1053},
    ControlName{"Command4", 1054},
    ControlName{"Command3", 1055},
    ControlName{"Frame5", 1060},
    ControlName{"bCCDSoft", 1061},
    ControlName{"bMaxim", 1062},
    ControlName{"bAutoDark", 1063},
    ControlName{"PixelScale", 1064},
    ControlName{"BinMode", 1065},
    ControlName{"Exposure", 1066},
    ControlName{"Delay", 1067},
    // The two large lines and the command row.
    ControlName{"Status", 1070},
    ControlName{"GeminiResult", 1071},
    ControlName{"Command1", 1072},
    ControlName{"TestIt", 1073},
    ControlName{"DoSync", 1074},
    ControlName{"AddlAlign", 1075},
    ControlName{"Check1", 1076},
    ControlName{"ViewModel", 1077},
    ControlName{"Command5", 1078},
    ControlName{"Command2", 1079},
    // The log window (its text and menu) and the model window's menu.
    ControlName{"Text1", 1100},
    ControlName{"SaveLog", 1101},
    ControlName{"ClearLog", 1102},
    ControlName{"SaveImage", 1110},
    ControlName{"SaveData", 1111},
};

// The identifier of a named control; 0 for a name the windows do not have.
constexpr int ControlId(std::string_view name) {
    for (const ControlName& c : kControlNames) {
        if (c.name == name) {
            return c.id;
        }
    }
    return 0;
}

// The window classes of the three windows, by which tests find them among a process's windows.
inline constexpr const wchar_t* kMainWindowClass = L"KovSkyMapperMain";
inline constexpr const wchar_t* kLogWindowClass = L"KovSkyMapperLog";
inline constexpr const wchar_t* kModelWindowClass = L"KovSkyMapperModel";

}  // namespace kov::win::gui
