// plask-cli batch commands.

#include "cli/cli_common.h"

namespace plask::cli {

void registerBatchCommands(CLI::App&, CliRun&) { }

} // namespace plask::cli
