#pragma once
// Which commands may run while a long computation runs on the worker: those
// that only look at the data (paging, burst stepping, windows) or end the
// program (which cancels the job first). Every other command would change a
// channel, a setting or a result the job or its commit relies on.

#include "ui/commands.h"

namespace plask::ui {

[[nodiscard]] constexpr bool runsDuringJob(int id)
{
    switch (id) {
    case cmdNextSegment:
    case cmdPreviousSegment:
    case cmdPreviousBurst:
    case cmdNextBurst:
    case cmdShowMarkers:
    case cmdResults:
    case cmdShowData:
    case cmdHelpIndex:
    case cmdAbout:
    case cmdExit:
        return true;
    default:
        return false;
    }
}

} // namespace plask::ui
