#include "analysis/burst_messages.h"

namespace plask {

std::string_view burstMessageText(int id)
{
    switch (id) {
    case burstAnalysisSuccessful:
        return "Burst analysis successful";
    case burstMemoryError:
        return "Memory  error  allocating memory for busrt analysis.";
    case burstNoTrigger:
        return "No bursts found with current trigger setting. ";
    case burstNoneAccepted:
        return "No bursts found during analysis - check minimum photons per burst criteria. ";
    case burstSetFull:
        return "Overstepped array bounds during analysis - program bug. ";
    case burstUnspecified:
        return "Unspecified analysis error.";
    case burstParameterRefused:
        return "Sub-min. Bins and Min. Photons/Burst must not be negative.";
    default:
        return {};
    }
}

} // namespace plask
