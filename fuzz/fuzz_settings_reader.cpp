// Settings files of any length and content: every field ends up in its
// domain, and reading what was written gives the same settings.

#include "core/selection_lists.h"
#include "core/settings_file.h"
#include "memory_file.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const plask::AnalysisSettings settings = plask::decodeSettings(std::span<const std::uint8_t>(data, size));
    require(settings.histogramBins >= 1 && settings.histogramBins <= 1000);
    require(plask::isListedBinWidth(settings.binWidth) && plask::isListedBinWidth(settings.fcsCalcBinWidth));
    require(plask::isListedMultiTauStep(settings.fcsMultiTauStep));
    require(plask::isListedSgFilterWidth(settings.sgFilterWidth));
    require(settings.displayMode >= plask::displayAverage && settings.displayMode <= plask::displaySinglePoint);
    require(std::isfinite(settings.segFcsMinTime) && std::isfinite(settings.scaleA1));

    const plask::SettingsImage image = plask::encodeSettings(settings);
    require(plask::decodeSettings(image) == settings);

    const MemoryFile file(data, size);
    require(file.valid());
    plask::AnalysisSettings read;
    require(plask::readSettingsFile(file.path(), read));
    require(read == settings);
    return 0;
}
