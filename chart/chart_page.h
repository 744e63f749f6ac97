#pragma once
// A page: a window holding charts at fractional rectangles of its area.

#include <QRectF>
#include <QString>
#include <QWidget>

#include <vector>

class QCPPainter;

namespace plask::chart {

class Chart;

class ChartPage : public QWidget {
    Q_OBJECT
public:
    explicit ChartPage(const QString& name, QWidget* parent = nullptr);

    [[nodiscard]] const QString& name() const { return name_; }
    // A new chart over (left, top, right, bottom) fractions of the page.
    Chart* addChart(QRectF fractions);
    [[nodiscard]] std::vector<Chart*> charts() const;

    // Draws every chart into a target rectangle of another device.
    void renderTo(QCPPainter& painter, const QRect& target);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Placement {
        Chart* chart = nullptr; // child of the page
        QRectF fractions;
    };
    [[nodiscard]] static QRect placed(QRectF fractions, const QRect& area);

    QString name_;
    std::vector<Placement> placements_;
};

} // namespace plask::chart
