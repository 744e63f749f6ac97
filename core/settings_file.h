#pragma once
// "plask.ini": where the settings image lives and how it is read and written.

#include "core/analysis_settings.h"

#include <filesystem>
#include <string>

namespace plask {

inline constexpr const char* settingsFileName = "plask.ini";

struct SettingsStore {
    AnalysisSettings settings;
    std::filesystem::path startDirectory; // where the program started
};

// Remembers the current directory as startDirectory and reads "plask.ini"
// there. Returns false when the file cannot be opened (settings untouched).
bool loadSettings(SettingsStore& store);

// Reads the settings image from a file. Returns false when it cannot be opened.
bool readSettingsFile(const std::filesystem::path& path, AnalysisSettings& settings);

// Sets every field to its default and writes "plask.ini" in the start
// directory. Returns false when the file cannot be written.
bool writeDefaultSettings(SettingsStore& store);

// Writes the settings to "plask.ini" in the start directory, whatever the
// current directory is now. Returns 1 on success and 0 when it cannot be
// written. The file is replaced atomically.
int saveSettings(const SettingsStore& store);

// Writes an image to a file through a temporary file and a rename.
bool writeSettingsFile(const std::filesystem::path& path, const AnalysisSettings& settings);

} // namespace plask
