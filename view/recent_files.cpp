#include "view/recent_files.h"

#include <algorithm>

namespace plask {

std::vector<std::string> withRecentFile(std::vector<std::string> list, const std::string& path, std::size_t limit)
{
    std::erase_if(list, [&path](const std::string& entry) { return entry.empty() || entry == path; });
    if (!path.empty())
        list.insert(list.begin(), path);
    if (list.size() > limit)
        list.resize(limit);
    return list;
}

} // namespace plask
