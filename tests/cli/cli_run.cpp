#include "cli_run.h"

#include "test_files.h"

#include <cstdlib>

#include <sys/wait.h>

namespace plask::testing {

std::string quoted(const std::filesystem::path& path)
{
    std::string text = "'";
    for (const char c : path.string())
        text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return text + "'";
}

CliResult runCli(const std::string& arguments, const std::filesystem::path& folder)
{
    const std::filesystem::path out = folder / "cli.out";
    const std::filesystem::path err = folder / "cli.err";
    const std::string command = "cd " + quoted(folder) + " && " + quoted(PLASK_CLI_PATH) + " " + arguments + " >"
        + quoted(out) + " 2>" + quoted(err);
    const int status = std::system(command.c_str());
    CliResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = readText(out);
    result.err = readText(err);
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return result;
}

} // namespace plask::testing
