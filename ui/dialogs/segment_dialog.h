#pragma once
// "Segmental  Autocorrelation": the analysed file, how many burst-free
// segments pass the minimum time, the minimum, the step and bin width lists.
// What the buttons do is the command's (SegmentDialogActions); the dialog
// only moves the fields between its widgets and the record.

#include "core/platform.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;

namespace plask::ui {

class SegmentDialog : public QDialog {
    Q_OBJECT
public:
    SegmentDialog(SegmentDialogFields& fields, const SegmentDialogActions& actions, QWidget* parent = nullptr);

    // "Autocorrelate": ends the dialog when the command accepts the fields.
    void accept() override;

private:
    void reset();
    void takeWidgets();
    void showFields();

    SegmentDialogFields& fields_;
    const SegmentDialogActions& actions_;
    QLabel* fileText_ = nullptr;
    QLabel* countText_ = nullptr;
    QLineEdit* minimum_ = nullptr;
    QComboBox* stepList_ = nullptr;
    QComboBox* binWidthList_ = nullptr;
};

} // namespace plask::ui
