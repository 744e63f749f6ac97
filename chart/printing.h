#pragma once
// Printing pages: one shared printer whose setup and options the print
// commands change, and output to a PDF file where no printer is installed.

#include <QRectF>
#include <QString>

class QPrinter;
class QWidget;

namespace plask::chart {

class ChartPage;

// The printer every print command uses; lives until the program ends.
[[nodiscard]] QPrinter& sharedPrinter();
[[nodiscard]] bool printerAvailable();

// The page setup dialog and the printer options dialog over the shared
// printer; true when the user accepted.
bool runPrintSetup(QWidget* owner);
bool runPrinterOptions(QWidget* owner);

// Prints a page on one sheet inside margins given as fractions of the sheet
// (left, top, right, bottom). False when the printer cannot start.
bool printWithinMargins(ChartPage& page, QRectF margins, QPrinter& printer);
bool printToPdf(ChartPage& page, QRectF margins, const QString& path);

} // namespace plask::chart
