#include "ui/dialogs/segment_dialog.h"

#include "core/selection_lists.h"
#include "ui/dialogs/dialog_helpers.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace plask::ui {

namespace {
    void setIndex(QComboBox& list, std::size_t index)
    {
        list.setCurrentIndex(index < static_cast<std::size_t>(list.count()) ? static_cast<int>(index) : 0);
    }

    std::size_t indexOf(const QComboBox& list) { return static_cast<std::size_t>(std::max(0, list.currentIndex())); }
} // namespace

SegmentDialog::SegmentDialog(SegmentDialogFields& fields, const SegmentDialogActions& actions, QWidget* parent)
    : QDialog(parent)
    , fields_(fields)
    , actions_(actions)
    , fileText_(new QLabel(this))
    , countText_(new QLabel(this))
    , minimum_(makeField("minimumTime", QString(), this))
    , stepList_(new QComboBox(this))
    , binWidthList_(new QComboBox(this))
{
    setObjectName(QStringLiteral("SEGMENT_AUTOCORR"));
    setWindowTitle(QStringLiteral("Segmental  Autocorrelation"));
    fileText_->setObjectName(QStringLiteral("fileText"));
    countText_->setObjectName(QStringLiteral("countText"));
    stepList_->setObjectName(QStringLiteral("stepList"));
    binWidthList_->setObjectName(QStringLiteral("binWidthList"));
    for (const std::string_view text : multiTauStepTexts)
        stepList_->addItem(toQString(text));
    for (const std::string_view text : binWidthTexts)
        binWidthList_->addItem(toQString(text));

    QPushButton* resetButton = makeButton(QStringLiteral("Reset"), "resetButton", this);
    QPushButton* autocorrelateButton = makeButton(QStringLiteral("Autocorrelate"), "autocorrelateButton", this);
    QPushButton* cancelButton = makeButton(QStringLiteral("Cancel"), "cancelButton", this);
    connect(resetButton, &QPushButton::clicked, this, &SegmentDialog::reset);
    connect(autocorrelateButton, &QPushButton::clicked, this, &SegmentDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &SegmentDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("File:"), fileText_);
    form->addRow(QStringLiteral("Segments>min. length:"), countText_);
    auto* minimumRow = new QHBoxLayout;
    minimumRow->addWidget(minimum_);
    minimumRow->addWidget(resetButton);
    form->addRow(QStringLiteral("Minimum time (µs):"), minimumRow);
    form->addRow(QStringLiteral("MultiTau Step:"), stepList_);
    form->addRow(QStringLiteral("Bin width (µs) : "), binWidthList_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(autocorrelateButton);
    buttons->addWidget(cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    showFields();
}

void SegmentDialog::takeWidgets()
{
    fields_.minimumText = minimum_->text().toStdString();
    fields_.stepIndex = indexOf(*stepList_);
    fields_.binWidthIndex = indexOf(*binWidthList_);
}

void SegmentDialog::showFields()
{
    fileText_->setText(QString::fromStdString(fields_.fileText));
    countText_->setText(QString::fromStdString(fields_.countText));
    minimum_->setText(QString::fromStdString(fields_.minimumText));
    setIndex(*stepList_, fields_.stepIndex);
    setIndex(*binWidthList_, fields_.binWidthIndex);
}

void SegmentDialog::reset()
{
    takeWidgets();
    if (actions_.reset)
        actions_.reset(fields_);
    showFields();
}

void SegmentDialog::accept()
{
    takeWidgets();
    const bool ends = !actions_.autocorrelate || actions_.autocorrelate(fields_);
    showFields();
    if (ends)
        QDialog::accept();
}

} // namespace plask::ui
