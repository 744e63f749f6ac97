#pragma once
// A photon choice as people type and read it: the fields of the "Photon
// file" dialog and of the batch dialog turned into a PhotonSelection, the
// checks of a choice against the file it is for, and the short description
// the status bar shows.

#include "core/photon_selection.h"

#include <string>
#include <string_view>

namespace plask {

// The typed fields; an empty field means "not chosen".
struct PhotonChoiceTexts {
    std::string channels; // "1,2" (spaces allowed); empty: every channel
    std::string gateFromNs;
    std::string gateToNs;
    std::string windowStartS;
    std::string windowDurationS;
};

struct PhotonChoiceRead {
    PhotonSelection selection;
    std::string error; // empty when every field could be read; otherwise the message for the user
};

// Reads the fields. Numbers are plain decimals; a gate needs 0 <= from < to,
// a window a start of 0 or more and a duration above 0.
[[nodiscard]] PhotonChoiceRead photonChoiceFromTexts(const PhotonChoiceTexts& texts);

// The fields that show `selection` (the inverse of photonChoiceFromTexts).
[[nodiscard]] PhotonChoiceTexts photonChoiceTexts(const PhotonSelection& selection);

// Empty when `selection` fits `file`; otherwise why not: a chosen channel the
// file has no photons in, a gate on a file without microtimes, or a gate
// outside the file's microtime range.
[[nodiscard]] std::string photonChoiceError(const PhotonFileSummary& file, const PhotonSelection& selection);

// "all detectors", "detector 1" or "detectors 0 + 1", then " | gate 2 to
// 10 ns" and " | window 5 to 15 s" when chosen.
[[nodiscard]] std::string photonChoiceDescription(const PhotonSelection& selection);

} // namespace plask
