#include "cli/provenance.h"

#include "cli/cli_common.h"

#include <openssl/evp.h>

#include <array>
#include <fstream>
#include <memory>
#include <vector>

#ifndef PLASK_VERSION
#define PLASK_VERSION "unknown"
#endif
#ifndef PLASK_GIT_COMMIT
#define PLASK_GIT_COMMIT ""
#endif

namespace plask::cli {

namespace {
    struct DigestFree {
        void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
    };

    std::string hex(std::span<const unsigned char> bytes)
    {
        static constexpr char digits[] = "0123456789abcdef";
        std::string text;
        for (const unsigned char byte : bytes) {
            text += digits[byte >> 4];
            text += digits[byte & 15];
        }
        return text;
    }
} // namespace

nlohmann::json versionJson()
{
    nlohmann::json version = { { "plask", PLASK_VERSION } };
    if (std::string(PLASK_GIT_COMMIT).size() > 0)
        version["commit"] = PLASK_GIT_COMMIT;
    return version;
}

std::optional<std::string> fileSha256(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    const std::unique_ptr<EVP_MD_CTX, DigestFree> context(EVP_MD_CTX_new());
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
        return std::nullopt;
    std::vector<char> buffer(1 << 16);
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        if (got > 0 && EVP_DigestUpdate(context.get(), buffer.data(), got) != 1)
            return std::nullopt;
    }
    if (!in.eof())
        return std::nullopt;
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest {};
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context.get(), digest.data(), &length) != 1)
        return std::nullopt;
    return hex(std::span(digest).first(length));
}

nlohmann::json inputJson(const std::filesystem::path& path)
{
    const std::filesystem::path absolute = absoluteNoResolve(path);
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(absolute, error);
    const std::optional<std::string> sha = fileSha256(absolute);
    return {
        { "path", absolute.string() },
        { "size", error ? nlohmann::json() : nlohmann::json(size) },
        { "sha256", sha ? nlohmann::json(*sha) : nlohmann::json() },
    };
}

nlohmann::json settingsJson(const AnalysisSettings& s)
{
    return {
        { "triggerLevel", s.triggerLevel },
        { "minPhotonsPerBurst", s.minPhotonsPerBurst },
        { "subMinBins", s.subMinBins },
        { "histogramBins", s.histogramBins },
        { "backgroundCounts", s.backgroundCounts },
        { "burstHistBinSize", s.burstHistBinSize },
        { "widthHistBinSize", s.widthHistBinSize },
        { "intervalHistBinSize", s.intervalHistBinSize },
        { "bleed12Factor", s.bleed12Factor },
        { "bleed21Factor", s.bleed21Factor },
        { "bleedFrac12", s.bleedFrac12 },
        { "bleedFrac21", s.bleedFrac21 },
        { "scaleA1", s.scaleA1 },
        { "scaleA2", s.scaleA2 },
        { "offsetC1", s.offsetC1 },
        { "offsetC2", s.offsetC2 },
        { "subtractBackground", s.subtractBackground },
        { "autoscaleY", s.autoscaleY },
        { "autoscaleHistograms", s.autoscaleHistograms },
        { "showMarkersDefault", s.showMarkersDefault },
        { "showFcsSetupFirst", s.showFcsSetupFirst },
        { "showHistSetupFirst", s.showHistSetupFirst },
        { "appendBurstResults", s.appendBurstResults },
        { "batchTraceFcs", s.batchTraceFcs },
        { "batchSegFcs", s.batchSegFcs },
        { "batchVireoFiles", s.batchVireoFiles },
        { "batchSmooth", s.batchSmooth },
        { "batchEstimateBackground", s.batchEstimateBackground },
        { "sgFilterWidth", s.sgFilterWidth },
        { "fcsMultiTauStep", s.fcsMultiTauStep },
        { "binWidth", s.binWidth },
        { "fcsCalcBinWidth", s.fcsCalcBinWidth },
        { "segFcsMinTime", s.segFcsMinTime },
        { "segFcsMultiTauStep", s.segFcsMultiTauStep },
        { "displayMode", s.displayMode },
    };
}

void addProvenance(nlohmann::json& summary, std::span<const std::string> inputs, const AnalysisSettings& used)
{
    nlohmann::json files = nlohmann::json::array();
    for (const std::string& input : inputs)
        files.push_back(inputJson(input));
    nlohmann::json parameters = settingsJson(used);
    if (summary.contains("parameters"))
        parameters.update(summary["parameters"]);
    summary["version"] = versionJson();
    summary["inputs"] = std::move(files);
    summary["parameters"] = std::move(parameters);
}

bool writeProvenanceFiles(const nlohmann::json& summary, std::ostream& err)
{
    std::vector<std::string> results;
    if (summary.contains("output") && summary["output"].is_string())
        results.push_back(summary["output"].get<std::string>());
    if (summary.contains("files") && summary["files"].is_array())
        for (const nlohmann::json& file : summary["files"])
            if (file.is_string())
                results.push_back(file.get<std::string>());
    nlohmann::json record = nlohmann::json::object();
    for (const char* key : { "version", "inputs", "parameters" })
        if (summary.contains(key))
            record[key] = summary[key];
    for (const std::string& result : results) {
        const std::string path = result + ".json";
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << record.dump(2) << '\n';
        out.close();
        if (!out) {
            err << "Cannot write " << path << '\n';
            return false;
        }
    }
    return true;
}

} // namespace plask::cli
