// plask-cli: the analyses of Plask driven by arguments, writing the same
// files as the desktop program.

#include "cli/cli_common.h"

#include <iostream>

int main(int argc, char** argv)
{
    CLI::App app { "Plask photon stream analysis, headless", "plask-cli" };
    app.require_subcommand(1);
    app.fallthrough(); // --settings may also follow the subcommand
    plask::cli::CliRun run;
    app.add_option("--settings", run.settingsPath, "Settings file to start from (default: plask.ini here)");
    plask::cli::registerStreamCommands(app, run);
    plask::cli::registerBurstCommands(app, run);
    plask::cli::registerFcsCommands(app, run);
    plask::cli::registerBatchCommands(app, run);
    plask::cli::registerFitCommands(app, run);
    plask::cli::registerCorrelateCommands(app, run);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error);
    }
    return run.action ? run.action() : 2;
}
