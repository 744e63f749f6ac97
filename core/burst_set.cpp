#include "core/burst_set.h"

namespace plask {

void releaseBurstSet(BurstSet& set)
{
    set.photons.reset();
    set.widths.reset();
    set.intervals.reset();
    set.peaks.reset();
    set.peakTimes.reset();
    set.startBins.reset();
    set.endBins.reset();
    set.burstCount = 0;
    set.arrayBytes = 0;
    set.capacity = 0;
    set.backgroundCounts = 0;
    set.binWidthUs = 0.0;
    set.backgroundPerBin = 0.0;
}

} // namespace plask
