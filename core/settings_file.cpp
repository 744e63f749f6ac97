#include "core/settings_file.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

#include <unistd.h>

namespace plask {

namespace {
    // Reads at most a little more than one image: longer files are not ours
    // to slurp whole.
    constexpr std::size_t readLimit = settingsImageSize + 1;
}

bool readSettingsFile(const std::filesystem::path& path, AnalysisSettings& settings)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::vector<std::uint8_t> bytes(readLimit);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    settings = decodeSettings(bytes);
    return true;
}

bool writeSettingsFile(const std::filesystem::path& path, const AnalysisSettings& settings)
{
    const SettingsImage image = encodeSettings(settings);
    std::filesystem::path temporary = path;
    temporary += ".tmp" + std::to_string(getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

bool loadSettings(SettingsStore& store)
{
    std::error_code error;
    store.startDirectory = std::filesystem::current_path(error);
    if (error)
        store.startDirectory = ".";
    return readSettingsFile(store.startDirectory / settingsFileName, store.settings);
}

bool writeDefaultSettings(SettingsStore& store)
{
    store.settings = AnalysisSettings {};
    return writeSettingsFile(store.startDirectory / settingsFileName, store.settings);
}

int saveSettings(const SettingsStore& store)
{
    return writeSettingsFile(store.startDirectory / settingsFileName, store.settings) ? 1 : 0;
}

} // namespace plask
