#pragma once
// The strip under the trace: the whole recording of the active channel as a
// min/max band, the part the trace shows marked on it. Pressing or dragging
// on the strip centres the trace there.

#include "core/app_state.h"
#include "view/trace_envelope.h"

#include <QWidget>

#include <vector>

namespace plask::ui {

class TraceView;

class OverviewStrip : public QWidget {
    Q_OBJECT
public:
    OverviewStrip(AppState& state, TraceView& trace, QWidget* parent = nullptr);

    // The visible window as fractions of the recording (first, last), or (0, 0) with nothing shown.
    [[nodiscard]] std::pair<double, double> visibleFraction() const;

    [[nodiscard]] QSize sizeHint() const override;

Q_SIGNALS:
    // The strip moved the view; the sliders and the trace follow.
    void navigated();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void centreAt(double pixelX);

    AppState& state_;
    TraceView& trace_;
    std::vector<CountEnvelope> columns_; // scratch, one per pixel column
};

} // namespace plask::ui
