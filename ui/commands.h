#pragma once
// Command identifiers of the main window, the layout of "MAINMENU" and the
// accelerator table "KEY_ACCEL". Menu, accelerators and control panel all
// deliver these numbers to one dispatcher.

#include <array>
#include <span>
#include <string_view>

namespace plask::ui {

enum Command : int {
    cmdAutoscaleHistograms = 1028,
    cmdPreviousBurst = 1085,
    cmdNextBurst = 1086,
    cmdAutoscaleY = 1104,
    cmdSelectPS2 = 1106,
    cmdSelectPS1 = 1107,
    cmdShowMarkers = 1114,
    cmdSubtractBackground = 1006,
    cmdEstimateBackground = 1140,
    cmdSaveHistograms = 40003,
    cmdExit = 40004,
    cmdDisplaySetup = 40005,
    cmdAbout = 40006,
    cmdHelpIndex = 40007,
    cmdNextSegment = 40008,
    cmdPreviousSegment = 40009,
    cmdBurstAnalysis = 40016,
    cmdPch = 40018,
    cmdSaveSegment = 40022,
    cmdAutocorrelation = 40024,
    cmdSelectBackground = 40027,
    cmdCrossCorrelation = 40041,
    cmdClose = 40043,
    cmdPrintBurstHist = 40048,
    cmdPs1MinusC1 = 40050,
    cmdPs2MinusC2 = 40051,
    cmdBleedthrough = 40052,
    cmdSaveData = 40053,
    cmdShowData = 40061,
    cmdPs2TimesA2 = 40064,
    cmdPs1TimesA1 = 40065,
    cmdOpen = 40071,
    cmdSaveBurstData = 40073,
    cmdAnalyzeCoBursts = 40075,
    cmdPs1PlusPs2 = 40079,
    cmdPs1PlusNoise = 40080,
    cmdSelectRegion = 40081,
    cmdSegAutocorrelation = 40084,
    cmdResults = 40086,
    cmdSegCrossCorrelation = 40093,
    cmdSaveFcs = 40094,
    cmdPrintSetupMenu = 40095,
    cmdPrinterOptionsMenu = 40096,
    cmdPs2PlusC2 = 40098,
    cmdPs1PlusC1 = 40099,
    cmdPs2PlusNoise = 40100,
    cmdPs1MinusPs2 = 40101,
    cmdFcsSetup = 40105,
    cmdHistogramSetup = 40106,
    cmdSegFcsSetup = 40107,
    cmdSmooth = 40109,
    cmdBatch = 40110,
    cmdPrintResults = 400,
    cmdPrintSetup = 402,
    cmdPrinterOptions = 403,
};

// One entry of a menu: a command with its caption, or a separator (id 0).
struct MenuItem {
    int id = 0;
    std::string_view caption;
};

struct MenuDefinition {
    std::string_view title;
    std::span<const MenuItem> items;
};

inline constexpr MenuItem separator { 0, {} };

inline constexpr std::array fileMenu { MenuItem { cmdOpen, "Open " }, MenuItem { cmdClose, "Close" },
    MenuItem { cmdSaveData, "Save Data" }, separator, MenuItem { cmdSaveBurstData, "Save Burst Data " },
    MenuItem { cmdSaveHistograms, "Save Histograms" }, MenuItem { cmdSaveSegment, "Save Segment" },
    MenuItem { cmdSaveFcs, "Save FCS results" }, separator, MenuItem { cmdPrintBurstHist, "Print Burst Hist." },
    MenuItem { cmdPrintSetupMenu, "Print Setup" }, MenuItem { cmdPrinterOptionsMenu, "Printer Options" }, separator,
    MenuItem { cmdExit, "Exit" } };

inline constexpr std::array analysisMenu { MenuItem { cmdAutocorrelation, "Autocorrelation" },
    MenuItem { cmdCrossCorrelation, "Cross-Correlation" }, MenuItem { cmdBurstAnalysis, "Burst Analysis" },
    MenuItem { cmdAnalyzeCoBursts, "Analyze Co-Bursts" }, MenuItem { cmdSegAutocorrelation, "Seg. Autocorrelation" },
    MenuItem { cmdSegCrossCorrelation, "Seg. Cross-Correlation" },
    MenuItem { cmdEstimateBackground, "Estimate Background" }, separator,
    MenuItem { cmdBatch, "Analysis Batch mode" } };

inline constexpr std::array mathMenu { MenuItem { cmdPs1MinusC1, "PS1 = PS1 - C1" },
    MenuItem { cmdPs1PlusC1, "PS1 = PS1 + C1" }, MenuItem { cmdPs2MinusC2, "PS2 = PS2 - C2" },
    MenuItem { cmdPs2PlusC2, "PS2 = PS2 + C2" }, MenuItem { cmdPs1TimesA1, "PS1 = a1 * PS1" },
    MenuItem { cmdPs2TimesA2, "PS2 = a2 * PS2" }, MenuItem { cmdPs1PlusPs2, "PS1 = PS1 + PS2" },
    MenuItem { cmdPs1MinusPs2, "PS1 = PS1 - PS2" }, MenuItem { cmdPs1PlusNoise, "PS1 = PS1 + Noise" },
    MenuItem { cmdPs2PlusNoise, "PS2 = PS2 + Noise" }, MenuItem { cmdBleedthrough, "Bleedthrough Correction" } };

inline constexpr std::array setupMenu { MenuItem { cmdSelectBackground, "Select Background Level" },
    MenuItem { cmdSelectRegion, "Select Region for FCS" }, separator,
    MenuItem { cmdDisplaySetup, "PS Display Setup" }, MenuItem { cmdFcsSetup, "FCS Setup" },
    MenuItem { cmdSegFcsSetup, "Seg. FCS Setup" }, MenuItem { cmdHistogramSetup, "Histogram Setup" },
    MenuItem { cmdSmooth, "Smooth Data" } };

inline constexpr std::array windowMenu { MenuItem { cmdResults, "Results " }, MenuItem { cmdShowData, "PS Data" } };

inline constexpr std::array helpMenu { MenuItem { cmdHelpIndex, "Index" }, MenuItem { cmdAbout, "About Plask.exe" } };

inline constexpr std::array<MenuDefinition, 6> mainMenu { MenuDefinition { "File", fileMenu },
    MenuDefinition { "Analysis", analysisMenu }, MenuDefinition { "Math", mathMenu },
    MenuDefinition { "Setup", setupMenu }, MenuDefinition { "Window", windowMenu },
    MenuDefinition { "Help", helpMenu } };

// Items that carry a check mark.
[[nodiscard]] constexpr bool isCheckable(int id)
{
    return id == cmdSelectBackground || id == cmdSelectRegion || id == cmdResults;
}


} // namespace plask::ui
