#pragma once
// The texts shown (or, in batch runs, logged) for the burst analysis result
// codes, and the captions of the burst commands.

#include <string_view>

namespace plask {

// Result codes of a burst run; each is also the id of its text.
enum BurstResult : int {
    burstRunOk = 0,
    burstAnalysisSuccessful = 1,
    burstMemoryError = 2,
    burstNoTrigger = 3,
    burstNoneAccepted = 4,
    burstSetFull = 5,
    burstUnspecified = 6,
    burstParameterRefused = 7, // a negative sub-minimum or minimum photon count
    burstCancelled = 8, // the run was cancelled: nothing changed, nothing to show
};

inline constexpr std::string_view burstErrorCaption = "Burst Analysis parameter error";
inline constexpr std::string_view overwriteBurstQuestion = "Overwrite Burst Data?";
inline constexpr std::string_view overwriteBurstCaption = "Burst Data not saved";

// The text for a result code; empty for codes without one.
[[nodiscard]] std::string_view burstMessageText(int id);

} // namespace plask
