#include "chart/page_export.h"

#include "chart/chart_page.h"

#include "chart/qcustomplot_include.h"

#include <QFileInfo>
#include <QImage>
#include <QPdfWriter>
#include <QSvgGenerator>

namespace plask::chart {

namespace {
    // Renders the page into a painter that has begun on its device.
    bool paintPage(ChartPage& page, QPaintDevice& device, const QRect& target)
    {
        QCPPainter painter;
        if (!painter.begin(&device))
            return false;
        painter.setMode(QCPPainter::pmVectorized);
        painter.setMode(QCPPainter::pmNoCaching);
        painter.fillRect(target, Qt::white);
        page.renderTo(painter, target);
        return painter.end();
    }
} // namespace

ImageFormat imageFormatOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"svg")
        return ImageFormat::svg;
    if (suffix == u"pdf")
        return ImageFormat::pdf;
    return ImageFormat::png;
}

bool savePageImage(ChartPage& page, const QString& path)
{
    const QSize size = page.size().isEmpty() ? QSize(800, 600) : page.size();
    const QRect area(QPoint(0, 0), size);
    switch (imageFormatOf(path)) {
    case ImageFormat::svg: {
        QSvgGenerator svg;
        svg.setFileName(path);
        svg.setSize(size);
        svg.setViewBox(area);
        svg.setTitle(page.windowTitle());
        return paintPage(page, svg, area) && QFileInfo(path).size() > 0;
    }
    case ImageFormat::pdf: {
        QPdfWriter pdf(path);
        pdf.setResolution(96);
        pdf.setPageSize(QPageSize(QSizeF(size), QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setTitle(page.windowTitle());
        const QRect sheet(QPoint(0, 0), QSize(pdf.width(), pdf.height()));
        return paintPage(page, pdf, sheet) && QFileInfo(path).size() > 0;
    }
    case ImageFormat::png:
        break;
    }
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    return paintPage(page, image, area) && image.save(path, "PNG");
}

} // namespace plask::chart
