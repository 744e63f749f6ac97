#include "ui/statistics_texts.h"

#include "core/text_format.h"

namespace plask::ui {

std::string statisticsValueText(int row, const PhotonStream& stream, const BurstSet& set)
{
    switch (row) {
    case 0:
        return stream.fileTitle;
    case 1:
        return formatText("%4.3f KHz", stream.rateKHz);
    case 2:
        return formatText("%3.1f ± %3.1f", stream.backgroundMean, stream.backgroundSd);
    case 3:
        return formatText("%u", set.burstCount);
    case 4:
        return formatText("%5.2f ± %5.2f photons", set.photonStats.mean, set.photonStats.sd);
    case 5:
        return formatText("%4.2f ± %3.2f photons", set.peakStats.mean, set.peakStats.sd);
    case 6:
        return formatText("%4.2f ± %3.2f µs", set.widthStats.mean, set.widthStats.sd);
    case 7:
        return formatText("%4.2f ± %3.2f sec", set.intervalStats.mean, set.intervalStats.sd);
    default:
        return {};
    }
}

} // namespace plask::ui
