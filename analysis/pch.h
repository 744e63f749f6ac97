#pragma once
// The photon counting histogram: how many bins hold 0, 1, 2, ... photons,
// its "_PCH.txt" file and the commands around it.

#include "core/app_state.h"
#include "core/platform.h"

#include <string>
#include <string_view>

namespace plask {

inline constexpr int commandPch = 40018;
inline constexpr int commandPchSave = 40035;
inline constexpr int commandPchClose = 40104;
inline constexpr std::string_view pchNotLoadedText = "Data not loaded in selected PS.";
inline constexpr std::string_view pchErrorCaption = "PCH Error";

// Fills the result from bins first..last (clipped to the stream): one point
// per count value 0..maxCount. False, with the result emptied, when memory ran out.
[[nodiscard]] bool computePch(const PhotonStream& stream, PchResult& pch, std::uint32_t first, std::uint32_t last);
// The same with progress; false also, the result emptied, on a cancel.
[[nodiscard]] bool computePch(
    const PhotonStream& stream, PchResult& pch, std::uint32_t first, std::uint32_t last, Progress& progress);

// Frees the arrays and zeroes the sizes, as the page's "Close" does.
void releasePch(PchResult& pch);

// One line "%f\t%f" per point. Returns a WriteResult.
[[nodiscard]] int savePch(const std::string& path, const PchResult& pch);

// The "PCH" button on the active channel: computes the histogram of the whole
// stream. True when there is a new result to show.
bool runPchCommand(AppState& state, Platform& platform);

// "Save" of the PCH page: Save dialog proposing "<name>_PCH.txt", then the file.
int savePchCommand(AppState& state, Platform& platform);

} // namespace plask
