#include "core/selection_lists.h"

#include <algorithm>

namespace plask {

bool isListedBinWidth(double value)
{
    return std::ranges::find(binWidthValues, value) != binWidthValues.end();
}

bool isListedMultiTauStep(long value)
{
    return std::ranges::any_of(multiTauStepValues, [value](std::uint16_t v) { return v == value; });
}

bool isListedSgFilterWidth(long value)
{
    return std::ranges::any_of(sgFilterWidthValues, [value](std::int32_t v) { return v == value; });
}

} // namespace plask
