#pragma once
// "FCS Setup": the multi-tau step and bin width of the correlation commands,
// and whether they show this dialog before computing.

#include "core/analysis_settings.h"

#include <QDialog>

class QCheckBox;
class QComboBox;

namespace plask::ui {

class FcsSetupDialog : public QDialog {
    Q_OBJECT
public:
    FcsSetupDialog(AnalysisSettings& settings, QWidget* parent = nullptr);

    // OK stores the bin width, the step and the check box, in that order.
    void accept() override;

private:
    AnalysisSettings& settings_;
    QComboBox* stepList_ = nullptr;
    QComboBox* binWidthList_ = nullptr;
    QCheckBox* showFirst_ = nullptr;
};

} // namespace plask::ui
