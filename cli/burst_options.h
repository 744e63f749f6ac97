#pragma once
// The burst analysis's options, shared by plask-cli bursts and batch: the
// control panel's fields and the histogram setup as the user would type them.

#include "cli/cli_platform.h"
#include "core/app_state.h"

#include <CLI/CLI.hpp>

#include <optional>
#include <vector>

namespace plask::cli {

struct BurstPanelOptions {
    std::optional<double> binWidth;
    std::optional<int> trigger;
    std::optional<int> minPhotons;
    std::optional<int> background;
    std::optional<double> backgroundPerBin; // --background of the commands that take fractions
    std::optional<int> subMin;
    std::optional<int> sgWidth;
    bool subtractBackground = false;
    std::optional<int> bins;
    bool autoscale = false;
    std::vector<double> fixedBins; // photons, width (µs), interval (s)
};

// What bursts and segfcs do to the loaded stream before the burst search.
struct BurstPreparation {
    bool smooth = false;
    bool estimateBackground = false;
};

// --binwidth, --trigger, --min-photons, --background, --sub-min, --sg-width,
// --subtract-background, --bins and --autoscale | --fixed-bins P,W,I. With
// `fractionalBackground` --background takes a fraction of a count per bin
// (into backgroundPerBin); the burst search then uses its whole part.
void addBurstPanelOptions(CLI::App& command, BurstPanelOptions& options, bool fractionalBackground = false);

// Puts the options into the panel's fields and the histogram settings.
// False after a message on stderr.
[[nodiscard]] bool applyBurstOptions(const BurstPanelOptions& o, AppState& state, CliPlatform& platform);

// --smooth and --estimate-background.
void addBurstPreparationFlags(CLI::App& command, BurstPreparation& options);

// Smoothing, then the background estimate (which lands in the panel's field
// that the analysis reads), as the menus would be used.
void prepareBurstSearch(const BurstPreparation& options, AppState& state, CliPlatform& platform);

} // namespace plask::cli
