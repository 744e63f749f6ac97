#include "chart/printing.h"

#include "chart/chart_page.h"

#include "chart/qcustomplot_include.h"

#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <memory>

namespace plask::chart {

QPrinter& sharedPrinter()
{
    static const std::unique_ptr<QPrinter> printer = std::make_unique<QPrinter>(QPrinter::ScreenResolution);
    return *printer;
}

bool printerAvailable() { return !QPrinterInfo::availablePrinters().isEmpty(); }

bool runPrintSetup(QWidget* owner)
{
    QPageSetupDialog dialog(&sharedPrinter(), owner);
    return dialog.exec() == QDialog::Accepted;
}

bool runPrinterOptions(QWidget* owner)
{
    QPrintDialog dialog(&sharedPrinter(), owner);
    return dialog.exec() == QDialog::Accepted;
}

bool printWithinMargins(ChartPage& page, QRectF margins, QPrinter& printer)
{
    printer.setPageOrientation(QPageLayout::Landscape);
    QCPPainter painter;
    if (!painter.begin(&printer))
        return false;
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    const QRect sheet = painter.viewport();
    const QRect target(sheet.left() + static_cast<int>(margins.left() * sheet.width()),
        sheet.top() + static_cast<int>(margins.top() * sheet.height()),
        static_cast<int>(margins.width() * sheet.width()), static_cast<int>(margins.height() * sheet.height()));
    page.renderTo(painter, target);
    return painter.end();
}

bool printToPdf(ChartPage& page, QRectF margins, const QString& path)
{
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageLayout(sharedPrinter().pageLayout());
    return printWithinMargins(page, margins, printer);
}

} // namespace plask::chart
