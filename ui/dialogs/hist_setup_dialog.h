#pragma once
// "Burst Analysis Setup": bin sizes and number of bins of the three burst
// histograms, and the two burst-file options.

#include "core/analysis_settings.h"

#include <QDialog>

#include <cstdint>

class QCheckBox;
class QLineEdit;

namespace plask::ui {

// "Number of bins" as stored: the number truncated to an integer, 1000 for
// 1000 and above and for negative numbers, and at least 1.
[[nodiscard]] std::int32_t histogramBinsFrom(double typed);

class HistSetupDialog : public QDialog {
    Q_OBJECT
public:
    HistSetupDialog(AnalysisSettings& settings, QWidget* parent = nullptr);

    // OK stores the three bin sizes, the number of bins, then the two check boxes.
    void accept() override;

private:
    AnalysisSettings& settings_;
    QLineEdit* burstBinSize_ = nullptr;
    QLineEdit* widthBinSize_ = nullptr;
    QLineEdit* intervalBinSize_ = nullptr;
    QLineEdit* bins_ = nullptr;
    QCheckBox* showFirst_ = nullptr;
    QCheckBox* append_ = nullptr;
    QLineEdit* fileName_ = nullptr;
};

} // namespace plask::ui
