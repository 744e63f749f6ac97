// plask-cli bursts commands.

#include "cli/cli_common.h"

namespace plask::cli {

void registerBurstCommands(CLI::App&, CliRun&) { }

} // namespace plask::cli
