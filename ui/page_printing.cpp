#include "ui/page_printing.h"

#include "chart/page_export.h"
#include "chart/printing.h"
#include "core/file_names.h"

#include <filesystem>

namespace plask::ui {

void printPage(chart::ChartPage& page, QRectF margins, Platform& platform, const std::string& pdfName)
{
    if (chart::printerAvailable()) {
        chart::printWithinMargins(page, margins, chart::sharedPrinter());
        return;
    }
    const std::optional<std::string> path
        = platform.chooseSaveFile({ { { "PDF file (*.pdf)", "*.pdf" } }, pdfName, ".pdf" });
    if (path)
        chart::printToPdf(page, margins, QString::fromStdString(*path));
}

std::string autoSavePath(const PhotonStream& stream)
{
    if (stream.filePath.empty())
        return {};
    const std::filesystem::path data(stream.filePath);
    const std::string title = stream.fileTitle.empty() ? data.filename().string() : stream.fileTitle;
    return (data.parent_path() / (stripExtension(title) + "_results.png")).string();
}

bool writePageImage(chart::ChartPage& page, Platform& platform, const std::string& path)
{
    if (chart::savePageImage(page, QString::fromStdString(path)))
        return true;
    platform.showMessage("File cannot be opened", "FILE ERROR", Owner::none);
    return false;
}

bool savePageAs(chart::ChartPage& page, Platform& platform, const std::string& name)
{
    const FileDialogRequest request { { { "PNG image (*.png)", "*.png" }, { "SVG drawing (*.svg)", "*.svg" },
                                          { "PDF document (*.pdf)", "*.pdf" } },
        name, ".png" };
    const std::optional<std::string> path = platform.chooseSaveFile(request);
    return path && writePageImage(page, platform, *path);
}

} // namespace plask::ui
