#include "ui/results_window.h"

#include "chart/chart_page.h"

#include <QCloseEvent>

namespace plask::ui {

ResultsWindow::ResultsWindow(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMinMaxButtonsHint)
    , page_(new chart::ChartPage(QStringLiteral("page2"), this))
{
    setObjectName(QStringLiteral("resultsWindow"));
    setWindowTitle(QStringLiteral("PS Analysis Results"));
    setCentralWidget(page_);
}

void ResultsWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    Q_EMIT closeRequested();
}

} // namespace plask::ui
