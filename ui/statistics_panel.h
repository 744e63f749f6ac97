#pragma once
// The statistics panel of the results window: a chart of texts naming the
// active channel's file, count rate and background, and the statistics of
// its last burst analysis.

#include "chart/chart_types.h"
#include "core/app_state.h"
#include "ui/statistics_texts.h"

#include <QObject>
#include <QString>

#include <array>

namespace plask::chart {
class Chart;
} // namespace plask::chart

namespace plask::ui {

class StatisticsPanel : public QObject {
    Q_OBJECT
public:
    // Puts the title, the eight captions and eight hidden value texts on the chart.
    explicit StatisticsPanel(chart::Chart& chart);

    // Shows rows 0 to 2 when the channel is loaded and rows 3 to 7 when it
    // has burst results; rows not covered keep their text and visibility. A
    // stream without counts hides every value.
    void refresh(const AppState& state, int channel);

    [[nodiscard]] QString valueText(int row) const;
    [[nodiscard]] bool valueShown(int row) const;
    [[nodiscard]] chart::Chart& chart() const { return chart_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showRow(int row, const PhotonStream& stream, const BurstSet& set);
    void fitTextFont();

    chart::Chart& chart_;
    std::array<chart::TextId, statisticsRows> values_ {};
    std::array<bool, statisticsRows> shown_ {};
};

} // namespace plask::ui
