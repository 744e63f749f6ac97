// plask-cli info, convert and simulate.

#include "cli/cli_common.h"

namespace plask::cli {

void registerStreamCommands(CLI::App&, CliRun&) { }

} // namespace plask::cli
