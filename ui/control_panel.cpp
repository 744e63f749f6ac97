#include "ui/control_panel.h"

#include "view/panel_settings.h"
#include "core/selection_lists.h"
#include "core/text_format.h"
#include "ui/commands.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>
#include <cmath>

namespace plask::ui {

namespace {
    const QString noValueText = QStringLiteral("- - - ");

    QString qs(const std::string& text) { return QString::fromStdString(text); }
    QString qs(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
} // namespace

ControlPanel::ControlPanel(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("PHOTONVIEWER"));
    // Four groups side by side in Qt layouts: every text gets the room its
    // font needs at any size and pixel ratio, and the sliders take what is left.
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(1, 1, 1, 1);
    row->setSpacing(2);
    QGridLayout* active = addGroup(row, QStringLiteral("Active PS"), 0);
    QGridLayout* navigator = addGroup(row, QStringLiteral("Photon Stream Navigator"), 2);
    QGridLayout* analysis = addGroup(row, QStringLiteral("Burst Analysis"), 1);
    QGridLayout* bursts = addGroup(row, QStringLiteral("Burst Navigator"), 1);

    // Active channel.
    addCommandButton(new QRadioButton(QStringLiteral("PS1"), this), "ps1Button", cmdSelectPS1, active, { 0, 0 });
    addCommandButton(new QRadioButton(QStringLiteral("PS2"), this), "ps2Button", cmdSelectPS2, active, { 0, 1 });
    rateTexts_[0] = addText("ps1Rate", active, { 1, 0 }, QStringLiteral("9999.99 KHz"));
    rateTexts_[1] = addText("ps2Rate", active, { 1, 1 }, QStringLiteral("9999.99 KHz"));
    rangeTexts_[0] = addText("ps1Range", active, { 2, 0 }, QStringLiteral("0 to 65535"));
    rangeTexts_[1] = addText("ps2Range", active, { 2, 1 }, QStringLiteral("0 to 65535"));

    // Stream navigator: each slider over the texts it drives.
    segmentSlider_ = add(new QSlider(Qt::Horizontal, this), "segmentSlider", navigator, { 0, 0, 1, 4 });
    zoomSlider_ = add(new QSlider(Qt::Horizontal, this), "zoomSlider", navigator, { 2, 0, 1, 4 });
    for (QSlider* slider : { segmentSlider_, zoomSlider_ }) {
        slider->setTickPosition(QSlider::TicksBelow);
        slider->setFocusPolicy(Qt::StrongFocus);
    }
    connect(segmentSlider_, &QSlider::valueChanged, this, [this](int position) { Q_EMIT segmentScrolled(position); });
    connect(zoomSlider_, &QSlider::valueChanged, this, [this](int position) { Q_EMIT zoomScrolled(position); });
    addPlainText("segmentLabel", QStringLiteral("Segment:"), navigator, { 1, 0 });
    segmentNumberText_ = addText("segmentNumber", navigator, { 1, 1 }, QStringLiteral("99999"));
    addPlainText("binWidthLabel", QStringLiteral("Binwidth:"), navigator, { 1, 2 });
    binWidthList_ = add(new QComboBox(this), "binWidthList", navigator, { 1, 3 });
    for (const std::string_view text : binWidthTexts)
        binWidthList_->addItem(qs(text));
    binWidthList_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    segmentTimeText_ = addText("segmentTime", navigator, { 3, 0, 1, 2 }, QStringLiteral("0.000128 s (100.00%)"));
    addCommandButton(new QCheckBox(QStringLiteral("Autoscale Y"), this), "autoscaleY", cmdAutoscaleY, navigator,
        { 3, 2, 1, 2 });

    // Burst analysis: the four fields, then the filter width and the check boxes, then the buttons.
    addPlainText("minPhotonsLabel", QStringLiteral("Min. Photons/Burst"), analysis, { 0, 0 });
    addPlainText("backgroundLabel", QStringLiteral("Background Counts"), analysis, { 1, 0 });
    addPlainText("triggerLabel", QStringLiteral("Trigger Level"), analysis, { 0, 2 });
    addPlainText("subMinLabel", QStringLiteral("Sub-min. Bins"), analysis, { 1, 2 });
    minPhotonsField_ = addField("minPhotons", analysis, { 0, 1 });
    backgroundField_ = addField("backgroundCounts", analysis, { 1, 1 });
    triggerField_ = addField("triggerLevel", analysis, { 0, 3 });
    subMinField_ = addField("subMinBins", analysis, { 1, 3 });
    const auto rowOf = [analysis](int line) {
        auto* boxes = new QHBoxLayout;
        boxes->setSpacing(4);
        analysis->addLayout(boxes, line, 0, 1, 4);
        return boxes;
    };
    QHBoxLayout* options = rowOf(2);
    auto* filterLabel = new QLabel(QStringLiteral("SG Filter width"), this);
    filterLabel->setObjectName(QStringLiteral("filterWidthLabel"));
    options->addWidget(filterLabel);
    filterWidthList_ = add(new QComboBox(this), "filterWidthList", nullptr, {});
    for (const std::string_view text : sgFilterWidthTexts)
        filterWidthList_->addItem(qs(text));
    filterWidthList_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    options->addWidget(filterWidthList_);
    options->addStretch(1);
    options->addWidget(addCommandButton(new QCheckBox(QStringLiteral("Autoscale Hist."), this), "autoscaleHist",
        cmdAutoscaleHistograms, nullptr, {}));
    options->addWidget(addCommandButton(new QCheckBox(QStringLiteral("Bkgd sub."), this), "subtractBackground",
        cmdSubtractBackground, nullptr, {}));
    QHBoxLayout* actions = rowOf(3);
    actions->addWidget(addCommandButton(new QPushButton(QStringLiteral("Est. Bkgd"), this), "estimateBackground",
        cmdEstimateBackground, nullptr, {}));
    actions->addWidget(addCommandButton(new QPushButton(QStringLiteral("PCH"), this), "pchButton", cmdPch, nullptr, {}));
    actions->addWidget(addCommandButton(new QPushButton(QStringLiteral("Analyze"), this), "analyzeButton",
        cmdBurstAnalysis, nullptr, {}));
    actions->addWidget(addCommandButton(new QPushButton(QStringLiteral("Smooth"), this), "smoothButton", cmdSmooth,
        nullptr, {}));

    // Burst navigator.
    addCommandButton(new QPushButton(QStringLiteral("<-Back"), this), "backButton", cmdPreviousBurst, bursts, { 0, 0 });
    burstNumberText_ = addText("burstNumber", bursts, { 0, 1 }, QStringLiteral("99999"));
    addCommandButton(new QPushButton(QStringLiteral("Next->"), this), "nextButton", cmdNextBurst, bursts, { 0, 2 });
    burstDescriptionText_ = addText("burstDescription", bursts, { 1, 0, 2, 3 }, QString());
    burstDescriptionText_->setWordWrap(true);
    burstDescriptionText_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    burstDescriptionText_->setMinimumHeight(2 * fontMetrics().height() + 4);
    addCommandButton(new QRadioButton(QStringLiteral("Show Markers"), this), "showMarkers", cmdShowMarkers, bursts,
        { 3, 0, 1, 3 });
}

template <typename W>
W* ControlPanel::add(W* widget, const char* name, QGridLayout* grid, Cell cell)
{
    widget->setObjectName(QString::fromLatin1(name));
    if (grid != nullptr)
        grid->addWidget(widget, cell.row, cell.column, cell.rowSpan, cell.columnSpan);
    return widget;
}

QLabel* ControlPanel::addText(const char* name, QGridLayout* grid, Cell cell, const QString& widestText)
{
    auto* label = add(new QLabel(this), name, grid, cell);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Wide enough for the longest value it shows, so the panel does not jump as values change.
    const int frame = 2 * label->frameWidth() + 2 * label->margin() + 6;
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(widestText) + frame);
    return label;
}

QLabel* ControlPanel::addPlainText(const char* name, const QString& text, QGridLayout* grid, Cell cell)
{
    auto* label = add(new QLabel(text, this), name, grid, cell);
    label->setMinimumWidth(label->sizeHint().width());
    return label;
}

QLineEdit* ControlPanel::addField(const char* name, QGridLayout* grid, Cell cell)
{
    auto* field = add(new QLineEdit(this), name, grid, cell);
    field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 8);
    return field;
}

QAbstractButton* ControlPanel::addCommandButton(
    QAbstractButton* button, const char* name, int id, QGridLayout* grid, Cell cell)
{
    add(button, name, grid, cell);
    // Push buttons as narrow as their caption allows; check marks at their full size.
    if (qobject_cast<QPushButton*>(button) != nullptr) {
        button->setMinimumWidth(button->fontMetrics().horizontalAdvance(button->text()) + 12);
        button->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    } else {
        // At exactly its size, so a click on its middle lands on the mark or its caption.
        button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }
    if (auto* radio = qobject_cast<QRadioButton*>(button))
        radio->setAutoExclusive(false);
    // The program sets every check mark itself in answer to the command.
    connect(button, &QAbstractButton::clicked, this, [this, button, id] {
        if (button->isCheckable())
            button->setChecked(!button->isChecked());
        Q_EMIT command(id);
    });
    buttons_[id] = button;
    return button;
}

QGridLayout* ControlPanel::addGroup(QHBoxLayout* row, const QString& title, int stretch)
{
    auto* group = new QGroupBox(title, this);
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(3, 2, 3, 2);
    grid->setHorizontalSpacing(3);
    grid->setVerticalSpacing(2);
    row->addWidget(group, stretch);
    return grid;
}

void ControlPanel::initialise(const AppState& state)
{
    const AnalysisSettings& settings = state.settings();
    enableBurstNavigator(false);
    enableStreamNavigator(false);
    setZoomSlider(0, 100, 0);
    setSegmentSlider(100, 10, 0);
    const PanelFields panel = panelFieldsFrom(settings);
    binWidthList_->setCurrentIndex(static_cast<int>(panel.binWidthIndex));
    showStreamInfo(state);
    segmentNumberText_->setText(noValueText);
    burstNumberText_->setText(noValueText);
    burstDescriptionText_->setText(noValueText);

    setChecked(cmdAutoscaleY, settings.autoscaleY != 0);
    minPhotonsField_->setText(qs(panel.minPhotonsText));
    subMinField_->setText(qs(panel.subMinBinsText));
    triggerField_->setText(qs(panel.triggerLevelText));
    backgroundField_->setText(qs(panel.backgroundCountsText));
    filterWidthList_->setCurrentIndex(static_cast<int>(panel.sgFilterWidthIndex));
    setChecked(cmdSubtractBackground, panel.subtractBackground);
    setChecked(cmdAutoscaleHistograms, panel.autoscaleHistograms);
    setChecked(cmdShowMarkers, panel.showMarkers);
}

PanelFields ControlPanel::fields() const
{
    PanelFields panel;
    panel.minPhotonsText = minPhotonsField_->text().toStdString();
    panel.subMinBinsText = subMinField_->text().toStdString();
    panel.triggerLevelText = triggerField_->text().toStdString();
    panel.backgroundCountsText = backgroundField_->text().toStdString();
    panel.binWidthIndex = static_cast<std::size_t>(std::max(0, binWidthList_->currentIndex()));
    panel.sgFilterWidthIndex = static_cast<std::size_t>(std::max(0, filterWidthList_->currentIndex()));
    panel.subtractBackground = isChecked(cmdSubtractBackground);
    panel.autoscaleHistograms = isChecked(cmdAutoscaleHistograms);
    panel.showMarkers = isChecked(cmdShowMarkers);
    return panel;
}

void ControlPanel::setMinPhotonsText(const QString& text) { minPhotonsField_->setText(text); }

void ControlPanel::setBackgroundCountsText(const QString& text) { backgroundField_->setText(text); }

void ControlPanel::showStreamInfo(const AppState& state)
{
    for (std::size_t channel = 0; channel < 2; ++channel) {
        const PhotonStream& stream = state.streams.at(channel);
        rateTexts_[channel]->setText(qs(formatText("%3.2f KHz", stream.rateKHz)));
        rangeTexts_[channel]->setText(qs(formatText("%u to %u", unsigned { stream.minCount }, unsigned { stream.maxCount })));
    }
    setBackgroundCountsText(qs(formatText("%u", static_cast<unsigned>(state.settings().backgroundCounts))));
}

void ControlPanel::setActiveChannel(int channel)
{
    if (channel != 0 && channel != 1)
        return;
    setChecked(cmdSelectPS1, channel == 0);
    setChecked(cmdSelectPS2, channel == 1);
}

void ControlPanel::setChecked(int id, bool checked)
{
    const auto found = buttons_.find(id);
    if (found != buttons_.end())
        found->second->setChecked(checked);
}

bool ControlPanel::isChecked(int id) const
{
    const auto found = buttons_.find(id);
    return found != buttons_.end() && found->second->isChecked();
}

void ControlPanel::setZoomSlider(int lowest, int highest, int position)
{
    const QSignalBlocker quiet(zoomSlider_);
    zoomSlider_->setRange(lowest, highest);
    zoomSlider_->setPageStep(1);
    zoomSlider_->setValue(position);
}

void ControlPanel::setSegmentSlider(int highest, int pageStep, int position)
{
    const QSignalBlocker quiet(segmentSlider_);
    segmentSlider_->setRange(0, highest);
    segmentSlider_->setPageStep(pageStep);
    segmentSlider_->setTickInterval(std::max(1, highest / 10));
    segmentSlider_->setValue(position);
}

void ControlPanel::setSegmentPosition(int position)
{
    const QSignalBlocker quiet(segmentSlider_);
    segmentSlider_->setValue(position);
}

void ControlPanel::setNavigatorTexts(const QString& segmentTime, const QString& segmentNumber)
{
    segmentTimeText_->setText(segmentTime);
    segmentNumberText_->setText(segmentNumber);
}

void ControlPanel::setBurstTexts(const QString& number, const QString& description)
{
    burstNumberText_->setText(number);
    burstDescriptionText_->setText(description);
}

void ControlPanel::enableStreamNavigator(bool enabled)
{
    segmentSlider_->setEnabled(enabled);
    zoomSlider_->setEnabled(enabled);
    buttons_.at(cmdSelectPS1)->setEnabled(enabled);
    buttons_.at(cmdSelectPS2)->setEnabled(enabled);
}

void ControlPanel::enableBurstNavigator(bool enabled)
{
    buttons_.at(cmdPreviousBurst)->setEnabled(enabled);
    buttons_.at(cmdNextBurst)->setEnabled(enabled);
    buttons_.at(cmdShowMarkers)->setEnabled(enabled);
}

bool ControlPanel::segmentSliderHasFocus() const { return segmentSlider_->hasFocus(); }

int ControlPanel::panelHeight() const { return sizeHint().height(); }

} // namespace plask::ui
