#include "batch/status_log.h"

namespace plask {

namespace {
    bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }
} // namespace

std::string_view shownLogPart(std::string_view log, std::size_t limit)
{
    if (log.size() <= limit)
        return log;
    std::size_t start = log.size() - limit;
    if (log[start - 1] != '\n') {
        const std::size_t lineEnd = log.find('\n', start);
        if (lineEnd != std::string_view::npos && lineEnd + 1 < log.size()) {
            start = lineEnd + 1;
        } else {
            while (start < log.size() && isContinuationByte(log[start]))
                ++start;
        }
    }
    return log.substr(start);
}

} // namespace plask
