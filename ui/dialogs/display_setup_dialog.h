#pragma once
// "Photon Stream Display": how the trace shows counts (average, sum or single
// point per chart point), the stream arithmetic constants C1, C2, a1, a2 and
// the two bleed-through fractions.

#include "core/app_state.h"
#include "core/platform.h"

#include <QDialog>

class QLineEdit;
class QRadioButton;

namespace plask::ui {

class DisplaySetupDialog : public QDialog {
    Q_OBJECT
public:
    DisplaySetupDialog(AppState& state, Platform& platform, QWidget* parent = nullptr);

    // OK: refuses bleed-through fractions the correction cannot use (with a
    // message, the dialog stays open); otherwise stores the display mode,
    // asks for "Autoscale Y" when "Sum" is chosen with it off, then stores
    // the six fields.
    void accept() override;

Q_SIGNALS:
    // "Sum" was chosen while "Autoscale Y" is off: the owner switches it on
    // through the control panel's toggle.
    void autoscaleYRequested();

private:
    [[nodiscard]] bool bleedFractionsUsable(double fraction12, double fraction21);

    AppState& state_;
    Platform& platform_;
    QRadioButton* modeButtons_[3] {}; // 1113, 1114, 1115
    QLineEdit* offsetC1_ = nullptr;
    QLineEdit* offsetC2_ = nullptr;
    QLineEdit* scaleA1_ = nullptr;
    QLineEdit* scaleA2_ = nullptr;
    QLineEdit* bleedFrac12_ = nullptr;
    QLineEdit* bleedFrac21_ = nullptr;
};

} // namespace plask::ui
