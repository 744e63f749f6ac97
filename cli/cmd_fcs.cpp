// plask-cli fcs commands.

#include "cli/cli_common.h"

namespace plask::cli {

void registerFcsCommands(CLI::App&, CliRun&) { }

} // namespace plask::cli
