#pragma once
// What the Save commands of the text exports share: the Save dialog for a
// tab-delimited file and the messages for a file that could not be written.

#include "core/platform.h"

#include <optional>
#include <string>
#include <string_view>

namespace plask {

inline constexpr std::string_view fileErrorText = "File cannot be opened";
inline constexpr std::string_view fileIncompleteText = "File could not be written completely";
inline constexpr std::string_view fileErrorCaption = "FILE ERROR";

// The Save dialog for a "*.txt" file with the given filter text and proposed
// name; it asks before overwriting. Nothing when cancelled.
[[nodiscard]] std::optional<std::string> chooseTextExport(Platform& platform, std::string_view filterDescription,
    std::string defaultName);

// Shows the message for a writer's failure code; nothing for success.
void reportWriteFailure(Platform& platform, int result, Owner owner);

} // namespace plask
