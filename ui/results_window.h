#pragma once
// The results window "PS Analysis Results": a top-level window holding the
// results page "page2". Hidden at start; the "Results " command and the
// analyses show it.

#include <QMainWindow>

namespace plask::chart {
class ChartPage;
} // namespace plask::chart

namespace plask::ui {

class ResultsWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit ResultsWindow(QWidget* parent = nullptr);

    [[nodiscard]] chart::ChartPage& page() const { return *page_; }

Q_SIGNALS:
    // The user asked the window manager to close the window; the owner
    // hides it through the results toggle so its check mark follows.
    void closeRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    chart::ChartPage* page_ = nullptr; // owned by the window
};

} // namespace plask::ui
