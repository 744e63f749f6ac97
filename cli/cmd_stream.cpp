// plask-cli info, convert and simulate.

#include "cli/cli_common.h"
#include "cli/file_runner.h"
#include "cli/provenance.h"
#include "cli/photon_options.h"
#include "cli/stream_loading.h"
#include "formats/photon_count_file.h"
#include "sim/diffusion_simulation.h"

#include <array>
#include <iostream>
#include <memory>
#include <map>

namespace plask::cli {

namespace {
    struct StreamOptions {
        InputOptions inputs;
        PhotonOptions photon;
        std::optional<double> binWidth;
        std::string output;
        std::map<std::string, std::string> nameOwners; // <base>.phc: the first input that writes it
    };

    std::string phcNameOf(const std::string& file) { return std::filesystem::path(file).stem().string() + ".phc"; }

    // With several inputs, a later file with the base name of an earlier one is refused.
    std::map<std::string, std::string> firstInputsByName(const std::vector<std::string>& paths)
    {
        std::map<std::string, std::string> owners;
        for (const std::string& path : paths)
            owners.try_emplace(phcNameOf(path), path);
        return owners;
    }

    FileOutcome runInfo(const CliRun& run, const StreamOptions& options, const std::string& file)
    {
        AppState state;
        CliPlatform platform;
        if (!prepareSession(run, options.binWidth, state, platform) || !applyPhotonOptions(options.photon, state))
            return { nullptr, 2 };
        if (!openStreamFile(state, platform, file))
            return { nullptr, 1 };
        nlohmann::json summary = streamSummary(streamOf(state, 0));
        addTimeTagFacts(summary, streamOf(state, 0));
        addPhotonParameters(summary, options.photon);
        addProvenance(summary, std::array { file }, state.settings());
        return { std::move(summary), 0 };
    }

    // "Save Data" without its question: the stream as loaded, into the file
    // given, or with several inputs into the folder given under <base>.phc.
    FileOutcome runConvert(const CliRun& run, const StreamOptions& options, const std::string& file)
    {
        AppState state;
        CliPlatform platform;
        if (!prepareSession(run, options.binWidth, state, platform) || !applyPhotonOptions(options.photon, state))
            return { nullptr, 2 };
        std::filesystem::path output = absoluteNoResolve(options.output);
        if (severalInputs(options.inputs)) {
            if (!std::filesystem::is_directory(output)) {
                cliErr() << "-o " << options.output << " is not a folder; with several inputs it must be one\n";
                return { nullptr, 2 };
            }
            output /= phcNameOf(file);
            if (options.nameOwners.at(output.filename().string()) != file) {
                cliErr() << "Not converted: " << output.string() << " is written from an earlier input\n";
                return { nullptr, 1 };
            }
        }
        if (!openStreamFile(state, platform, file))
            return { nullptr, 1 };
        const PhotonStream& stream = streamOf(state, 0);
        platform.saveFiles = { output.string() };
        const int result = writePhotonCountFile(platform, stream, true);
        showPhotonCountWriteFailure(platform, result);
        if (result != 0)
            return { nullptr, 1 };
        std::error_code ignored;
        nlohmann::json summary = {
            { "output", output.string() },
            { "packing", packingFor(countRange(stream.bins()).max) },
            { "bytes", std::filesystem::file_size(output, ignored) },
            { "stream", streamSummary(stream) },
        };
        addPhotonParameters(summary, options.photon);
        addProvenance(summary, std::array { file }, state.settings());
        return { std::move(summary), 0 };
    }

    int runSimulate(const std::string& output, const SimulationParameters& parameters)
    {
        const std::string problem = checkSimulationParameters(parameters);
        if (!problem.empty()) {
            cliErr() << "Cannot simulate: " << problem << '\n';
            return 2;
        }
        const std::filesystem::path path = absoluteNoResolve(output);
        const std::optional<SimulationSummary> summary = simulateStreamFile(parameters, path.string());
        if (!summary) {
            cliErr() << "Cannot write " << path.string() << '\n';
            return 1;
        }
        const double duration = static_cast<double>(summary->lastTick) / (parameters.clockMHz * 1e6);
        nlohmann::json record = {
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
            { "version", versionJson() },
            { "inputs", nlohmann::json::array() },
            { "parameters",
                { { "seconds", parameters.seconds }, { "clockMHz", parameters.clockMHz },
                    { "molecules", parameters.molecules }, { "diffusionTimeUs", parameters.diffusionTimeUs },
                    { "kappa", parameters.kappa }, { "brightnessKHz", parameters.brightnessKHz },
                    { "backgroundKHz", parameters.backgroundKHz }, { "seed", parameters.seed } } },
        };
        printJson(record);
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
    addInputOptions(*infoCommand, info->inputs, "Stream file: .dat, .phc or a time-tag file (.ptu .pt3 .pt2 .ht3 .ht2 .spc .h5)");
    addPhotonOptions(*infoCommand, info->photon);
    addBinWidthOption(*infoCommand, info->binWidth, false);
    infoCommand->callback([&run, info] {
        run.action = [&run, info] {
            return runOverInputs(info->inputs, [&run, info](const std::string& file) { return runInfo(run, *info, file); });
        };
    });

    auto convert = std::make_shared<StreamOptions>();
    CLI::App* convertCommand = app.add_subcommand("convert", "Bin a stream file and save it as a photon count file");
    addInputOptions(*convertCommand, convert->inputs, "Stream file: .dat, .phc or a time-tag file (.ptu .pt3 .pt2 .ht3 .ht2 .spc .h5)");
    addPhotonOptions(*convertCommand, convert->photon);
    addBinWidthOption(*convertCommand, convert->binWidth, true);
    convertCommand
        ->add_option("-o,--output", convert->output,
            "The photon count file to write; with several inputs an existing folder for <base>.phc")
        ->required();
    convertCommand->callback([&run, convert] {
        run.action = [&run, convert] {
            const bool several = severalInputs(convert->inputs);
            const std::vector<std::string> paths
                = several ? expandInputs(convert->inputs.files, std::cin) : convert->inputs.files;
            convert->nameOwners = firstInputsByName(paths);
            return runOverPaths(convert->inputs, paths,
                [&run, convert](const std::string& file) { return runConvert(run, *convert, file); });
        };
    });

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
