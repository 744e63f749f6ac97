#include "fitting/curve_file.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>

namespace plask::fitting {

namespace {
    constexpr std::string_view headerSizeLabel = "Header size:";
    constexpr std::size_t maxFileBytes = 256u << 20;

    std::string_view trimmed(std::string_view line)
    {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        return line;
    }

    // The numbers of one data line, separated by tabs, commas or spaces.
    bool parseNumbers(std::string_view line, std::vector<double>& numbers)
    {
        numbers.clear();
        std::size_t at = 0;
        while (at < line.size()) {
            while (at < line.size() && (line[at] == '\t' || line[at] == ',' || line[at] == ' '))
                ++at;
            if (at == line.size())
                break;
            double value = 0.0;
            const auto [end, error] = std::from_chars(line.data() + at, line.data() + line.size(), value);
            if (error != std::errc {} || !std::isfinite(value))
                return false;
            numbers.push_back(value);
            at = static_cast<std::size_t>(end - line.data());
            if (at < line.size() && line[at] != '\t' && line[at] != ',' && line[at] != ' ')
                return false;
        }
        return !numbers.empty();
    }

    FitFailure notACurve(const std::string& why) { return { "This is not a correlation curve: " + why + "." }; }
} // namespace

FitOutcome<CorrelationCurve> parseCurveText(std::string_view text)
{
    std::vector<std::string_view> lines;
    for (std::size_t at = 0; at <= text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        lines.push_back(trimmed(text.substr(at, end - at)));
        at = end + 1;
    }
    std::size_t first = 0;
    if (!lines.empty() && lines[0].starts_with(headerSizeLabel)) {
        // "Header size: \t%d rows": that many lines, this one included, before the data.
        std::string_view count = trimmed(lines[0].substr(headerSizeLabel.size()));
        int rows = 0;
        const auto [end, error] = std::from_chars(count.data(), count.data() + count.size(), rows);
        if (error != std::errc {} || rows < 1 || static_cast<std::size_t>(rows) > lines.size())
            return notACurve("its header size line gives no valid row count");
        (void)end;
        first = static_cast<std::size_t>(rows);
    } else {
        while (first < lines.size() && (lines[first].starts_with('#') || lines[first].empty()))
            ++first;
        // A column header such as "tau_ms,G,SEM".
        if (first < lines.size() && lines[first].starts_with("tau"))
            ++first;
    }

    CorrelationCurve curve;
    std::vector<double> numbers;
    std::size_t columns = 0;
    for (std::size_t i = first; i < lines.size(); ++i) {
        if (lines[i].empty())
            continue;
        if (!parseNumbers(lines[i], numbers))
            return notACurve("line " + std::to_string(i + 1) + " holds no lag and G");
        if (columns == 0)
            columns = numbers.size();
        if (numbers.size() != columns || columns < 2 || columns > 3)
            return notACurve("line " + std::to_string(i + 1) + " does not have 2 or 3 columns like the others");
        if (numbers[0] < 0.0 || (!curve.tauMs.empty() && numbers[0] < curve.tauMs.back()))
            return notACurve("the lags on line " + std::to_string(i + 1) + " do not increase");
        curve.tauMs.push_back(numbers[0]);
        curve.g.push_back(numbers[1]);
        if (columns == 3)
            curve.sem.push_back(numbers[2]);
    }
    if (curve.size() == 0)
        return notACurve("it has no lag and G lines");
    return curve;
}

FitOutcome<CorrelationCurve> readCurveFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return FitFailure { "Cannot open the file " + path.string() + "." };
    std::error_code error;
    if (std::filesystem::file_size(path, error) > maxFileBytes)
        return notACurve("the file is far larger than any curve");
    std::ostringstream text;
    text << in.rdbuf();
    return parseCurveText(text.str());
}

std::filesystem::path fitReportPath(const std::filesystem::path& curvePath)
{
    std::filesystem::path report = curvePath;
    report.replace_filename(curvePath.stem().string() + "_fit.txt");
    return report;
}

} // namespace plask::fitting
