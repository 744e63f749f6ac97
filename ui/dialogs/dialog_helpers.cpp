#include "ui/dialogs/dialog_helpers.h"

#include "view/panel_settings.h"
#include "core/selection_lists.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>

#include <span>

namespace plask::ui {

namespace {
    template <typename T, std::size_t N>
    void fillList(
        QComboBox& list, const std::array<std::string_view, N>& texts, const std::array<T, N>& values, T value)
    {
        list.clear();
        for (const std::string_view text : texts)
            list.addItem(toQString(text));
        list.setCurrentIndex(static_cast<int>(indexOfValue<T>(value, std::span<const T>(values))));
    }

    template <typename T, std::size_t N> T selectedValue(const QComboBox& list, const std::array<T, N>& values)
    {
        const int index = list.currentIndex();
        return values.at(index >= 0 && static_cast<std::size_t>(index) < N ? static_cast<std::size_t>(index) : 0);
    }
} // namespace

void fillBinWidthList(QComboBox& list, double value) { fillList(list, binWidthTexts, binWidthValues, value); }

double selectedBinWidth(const QComboBox& list) { return selectedValue(list, binWidthValues); }

void fillStepList(QComboBox& list, std::uint16_t value)
{
    fillList(list, multiTauStepTexts, multiTauStepValues, value);
}

std::uint16_t selectedStep(const QComboBox& list) { return selectedValue(list, multiTauStepValues); }

QLineEdit* makeField(const char* name, const QString& text, QWidget* parent)
{
    auto* field = new QLineEdit(text, parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setMaxLength(80);
    return field;
}

QPushButton* makeButton(const QString& text, const char* name, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

double fieldNumber(const QLineEdit& field) { return leadingNumber(field.text().toStdString()); }

QDialogButtonBox* makeOkCancel(QDialog& dialog)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("okButton"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancelButton"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}

} // namespace plask::ui
