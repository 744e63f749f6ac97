#pragma once
// What the setup dialogs share: the fixed selection lists as combo boxes,
// fields showing printf-formatted numbers, and the OK / Cancel button row.

#include <QString>

#include <cstdint>
#include <string>
#include <string_view>

class QComboBox;
class QDialog;
class QDialogButtonBox;
class QLineEdit;
class QPushButton;
class QWidget;

namespace plask::ui {

[[nodiscard]] inline QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The eleven bin widths, with the entry equal to value selected (the first
// entry when none is).
void fillBinWidthList(QComboBox& list, double value);
[[nodiscard]] double selectedBinWidth(const QComboBox& list);

// The nine multi-tau steps, likewise.
void fillStepList(QComboBox& list, std::uint16_t value);
[[nodiscard]] std::uint16_t selectedStep(const QComboBox& list);

// A line edit named `name` showing `text`, as long as the dialogs' fields (80 characters).
QLineEdit* makeField(const char* name, const QString& text, QWidget* parent);
// A push button named `name` that does not take Enter as its default.
QPushButton* makeButton(const QString& text, const char* name, QWidget* parent);
// The field's text as a number: its leading numeric part, 0 when there is none.
[[nodiscard]] double fieldNumber(const QLineEdit& field);

// "OK" and "Cancel" (named "okButton" and "cancelButton") wired to the
// dialog's accept and reject.
QDialogButtonBox* makeOkCancel(QDialog& dialog);

} // namespace plask::ui
