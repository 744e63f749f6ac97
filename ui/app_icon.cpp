#include "ui/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <array>

namespace plask::ui {

namespace {
    QPixmap iconPixmap(int size)
    {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const double s = size;
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(20, 40, 90));
        painter.drawRoundedRect(QRectF(0.0, 0.0, s, s), s * 0.18, s * 0.18);
        // Counts per bin: a low background and one burst in the middle.
        constexpr std::array<double, 12> counts { 0.12, 0.2, 0.1, 0.18, 0.35, 0.8, 0.65, 0.3, 0.12, 0.22, 0.1, 0.16 };
        QPainterPath trace;
        const double left = s * 0.12;
        const double step = s * 0.76 / static_cast<double>(counts.size() - 1);
        const double base = s * 0.84;
        const double height = s * 0.68;
        for (std::size_t i = 0; i < counts.size(); ++i) {
            const QPointF point(left + step * static_cast<double>(i), base - counts[i] * height);
            if (i == 0)
                trace.moveTo(point);
            else
                trace.lineTo(point);
        }
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(QColor(255, 190, 60), std::max(1.0, s / 14.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(trace);
        return pixmap;
    }
} // namespace

QIcon appIcon()
{
    QIcon icon;
    for (const int size : { 16, 24, 32, 48, 64, 128, 256 })
        icon.addPixmap(iconPixmap(size));
    return icon;
}

} // namespace plask::ui
