// plask-cli info, convert and simulate.

#include "cli/cli_common.h"
#include "cli/stream_loading.h"
#include "formats/photon_count_file.h"
#include "sim/diffusion_simulation.h"

#include <iostream>
#include <memory>

namespace plask::cli {

namespace {
    struct StreamOptions {
        std::string file;
        std::optional<double> binWidth;
        std::string output;
    };

    int runInfo(const CliRun& run, const StreamOptions& options)
    {
        AppState state;
        CliPlatform platform;
        if (!prepareSession(run, options.binWidth, state, platform))
            return 2;
        if (!openStreamFile(state, platform, options.file))
            return 1;
        printJson(streamSummary(streamOf(state, 0)));
        return 0;
    }

    // "Save Data" without its question: the stream as loaded, into the file given.
    int runConvert(const CliRun& run, const StreamOptions& options)
    {
        AppState state;
        CliPlatform platform;
        if (!prepareSession(run, options.binWidth, state, platform))
            return 2;
        if (!openStreamFile(state, platform, options.file))
            return 1;
        const PhotonStream& stream = streamOf(state, 0);
        const std::filesystem::path output = absoluteNoResolve(options.output);
        platform.saveFiles = { output.string() };
        const int result = writePhotonCountFile(platform, stream, true);
        showPhotonCountWriteFailure(platform, result);
        if (result != 0)
            return 1;
        std::error_code ignored;
        printJson({
            { "output", output.string() },
            { "packing", packingFor(countRange(stream.bins()).max) },
            { "bytes", std::filesystem::file_size(output, ignored) },
            { "stream", streamSummary(stream) },
        });
        return 0;
    }

    int runSimulate(const std::string& output, const SimulationParameters& parameters)
    {
        const std::string problem = checkSimulationParameters(parameters);
        if (!problem.empty()) {
            std::cerr << "Cannot simulate: " << problem << '\n';
            return 2;
        }
        const std::filesystem::path path = absoluteNoResolve(output);
        const std::optional<SimulationSummary> summary = simulateStreamFile(parameters, path.string());
        if (!summary) {
            std::cerr << "Cannot write " << path.string() << '\n';
            return 1;
        }
        const double duration = static_cast<double>(summary->lastTick) / (parameters.clockMHz * 1e6);
        printJson({
            { "output", path.string() },
            { "photons", summary->photons },
            { "lastTick", summary->lastTick },
            { "duration", duration },
            { "rateKHz", duration > 0.0 ? static_cast<double>(summary->photons) / duration / 1000.0 : 0.0 },
            { "bytes", summary->bytes },
            { "moleculesInBox", summary->moleculesInBox },
            { "expectedRateKHz", expectedRateKHz(parameters) },
            { "expectedG0", expectedAmplitude(parameters) },
            { "seed", parameters.seed },
        });
        return 0;
    }

    void addBinWidthOption(CLI::App& command, std::optional<double>& binWidth, bool required)
    {
        command.add_option("--binwidth", binWidth, "Bin width in µs, one of " + allowedBinWidths())->required(required);
    }
} // namespace

void registerStreamCommands(CLI::App& app, CliRun& run)
{
    // The options live as long as the parser and the action that reads them.
    auto info = std::make_shared<StreamOptions>();
    CLI::App* infoCommand = app.add_subcommand("info", "Load a stream file as Open does and describe it");
    infoCommand->add_option("FILE", info->file, "Correlator stream (.dat) or photon count (.phc) file")->required();
    addBinWidthOption(*infoCommand, info->binWidth, false);
    infoCommand->callback([&run, info] { run.action = [&run, info] { return runInfo(run, *info); }; });

    auto convert = std::make_shared<StreamOptions>();
    CLI::App* convertCommand = app.add_subcommand("convert", "Bin a stream file and save it as a photon count file");
    convertCommand->add_option("FILE", convert->file, "Correlator stream (.dat) or photon count (.phc) file")
        ->required();
    addBinWidthOption(*convertCommand, convert->binWidth, true);
    convertCommand->add_option("-o,--output", convert->output, "The photon count file to write")->required();
    convertCommand->callback([&run, convert] { run.action = [&run, convert] { return runConvert(run, *convert); }; });

    auto output = std::make_shared<std::string>();
    auto parameters = std::make_shared<SimulationParameters>();
    CLI::App* simulate = app.add_subcommand(
        "simulate", "Simulate molecules diffusing through a Gaussian focus and write a correlator stream file");
    simulate->add_option("OUT", *output, "The .dat file to write")->required();
    simulate->add_option("--seconds", parameters->seconds, "Length of the recording in s")->capture_default_str();
    simulate->add_option("--clock", parameters->clockMHz, "Correlator clock in MHz")
        ->check(CLI::IsMember({ 40, 60 }))
        ->capture_default_str();
    simulate
        ->add_option("--molecules", parameters->molecules,
            "Mean number N of molecules in the effective volume pi^(3/2) w0^2 z0 (G(0) = 1/N)")
        ->capture_default_str();
    simulate->add_option("--tau-d-us", parameters->diffusionTimeUs, "Diffusion time w0^2/4D in µs")
        ->capture_default_str();
    simulate->add_option("--kappa", parameters->kappa, "Aspect ratio z0/w0 of the focus")->capture_default_str();
    simulate->add_option("--brightness-khz", parameters->brightnessKHz, "Mean count rate per molecule in kHz")
        ->capture_default_str();
    simulate->add_option("--background-khz", parameters->backgroundKHz, "Uncorrelated background in kHz")
        ->capture_default_str();
    simulate->add_option("--seed", parameters->seed, "Seed of the random numbers")->capture_default_str();
    simulate->callback([&run, output, parameters] {
        run.action = [output, parameters] { return runSimulate(*output, *parameters); };
    });
}

} // namespace plask::cli
