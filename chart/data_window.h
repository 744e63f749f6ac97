#pragma once
// A window listing a dataset's x and y values, from which they can be copied
// as tab-separated text.

#include <QDialog>

#include <span>

class QTableWidget;

namespace plask::chart {

class DataWindow : public QDialog {
    Q_OBJECT
public:
    DataWindow(const QString& title, std::span<const double> x, std::span<const double> y, QWidget* parent);

    // The selected rows, or every row when none is selected, as "x\ty" lines.
    [[nodiscard]] QString selectedText() const;
    // Puts selectedText() on the clipboard.
    void copy() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QTableWidget* table_ = nullptr;
};

} // namespace plask::chart
