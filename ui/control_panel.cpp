#include "ui/control_panel.h"

#include "view/panel_settings.h"
#include "core/selection_lists.h"
#include "core/text_format.h"
#include "ui/commands.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
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
    constexpr int panelWidthUnits = 681;
    constexpr int panelHeightUnits = 65;
    constexpr double narrowestUnitWidth = 1.5;
    const QString noValueText = QStringLiteral("- - - ");

    QString qs(const std::string& text) { return QString::fromStdString(text); }
    QString qs(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
} // namespace

ControlPanel::ControlPanel(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("PHOTONVIEWER"));
    // The panel is laid out in dialog units: a quarter of the average
    // character width and an eighth of the character height. Horizontally it
    // stretches with the window between 1.5 pixels a unit (681 units fill a
    // 1024-pixel screen) and a little over the font's own unit.
    naturalUnitWidth_ = QFontMetricsF(font()).horizontalAdvance(
                            QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"))
        / 52.0 / 4.0;
    scale_.x = std::max(narrowestUnitWidth, naturalUnitWidth_);
    scale_.y = QFontMetricsF(font()).height() / 8.0;

    addGroup(QStringLiteral("Active PS"), units(3, 3, 81, 59));
    addGroup(QStringLiteral("Photon Stream Navigator"), units(86, 3, 231, 59));
    addGroup(QStringLiteral("Burst Analysis"), units(319, 3, 248, 59));
    addGroup(QStringLiteral("Burst Navigator"), units(569, 3, 105, 59));

    // Active channel.
    addCommandButton(new QRadioButton(QStringLiteral("PS1"), this), "ps1Button", cmdSelectPS1, units(13, 14, 22, 10));
    addCommandButton(new QRadioButton(QStringLiteral("PS2"), this), "ps2Button", cmdSelectPS2, units(51, 14, 22, 10));
    rateTexts_[0] = addText("ps1Rate", units(10, 27, 34, 12), true);
    rateTexts_[1] = addText("ps2Rate", units(46, 27, 34, 12), true);
    rangeTexts_[0] = addText("ps1Range", units(5, 43, 34, 12), true);
    rangeTexts_[1] = addText("ps2Range", units(48, 43, 34, 12), true);

    // Stream navigator.
    segmentSlider_ = add(new QSlider(Qt::Horizontal, this), "segmentSlider", units(89, 12, 141, 16));
    zoomSlider_ = add(new QSlider(Qt::Horizontal, this), "zoomSlider", units(89, 36, 117, 16));
    for (QSlider* slider : { segmentSlider_, zoomSlider_ }) {
        slider->setTickPosition(QSlider::TicksBelow);
        slider->setFocusPolicy(Qt::StrongFocus);
    }
    connect(segmentSlider_, &QSlider::valueChanged, this, [this](int position) { Q_EMIT segmentScrolled(position); });
    connect(zoomSlider_, &QSlider::valueChanged, this, [this](int position) { Q_EMIT zoomScrolled(position); });
    segmentTimeText_ = addText("segmentTime", units(208, 43, 52, 12), true);
    addText("segmentLabel", units(235, 14, 34, 8), false)->setText(QStringLiteral("Segment:"));
    segmentNumberText_ = addText("segmentNumber", units(235, 23, 32, 12), true);
    addText("binWidthLabel", units(276, 14, 36, 8), false)->setText(QStringLiteral("Binwidth:"));
    binWidthList_ = add(new QComboBox(this), "binWidthList", units(276, 23, 36, 12));
    for (const std::string_view text : binWidthTexts)
        binWidthList_->addItem(qs(text));
    addCommandButton(new QCheckBox(QStringLiteral("Autoscale Y"), this), "autoscaleY", cmdAutoscaleY,
        units(261, 43, 49, 8));

    // Burst analysis.
    addText("minPhotonsLabel", units(323, 16, 64, 8), false)->setText(QStringLiteral("Min. Photons/Burst"));
    addText("backgroundLabel", units(323, 28, 64, 8), false)->setText(QStringLiteral("Background Counts"));
    addText("triggerLabel", units(432, 16, 43, 8), false)->setText(QStringLiteral("Trigger Level"));
    addText("subMinLabel", units(432, 28, 43, 8), false)->setText(QStringLiteral("Sub-min. Bins"));
    addText("filterWidthLabel", units(520, 14, 46, 8), false)->setText(QStringLiteral("SG Filter width"));
    minPhotonsField_ = add(new QLineEdit(this), "minPhotons", units(389, 14, 40, 12));
    backgroundField_ = add(new QLineEdit(this), "backgroundCounts", units(389, 26, 40, 12));
    triggerField_ = add(new QLineEdit(this), "triggerLevel", units(476, 14, 40, 12));
    subMinField_ = add(new QLineEdit(this), "subMinBins", units(476, 26, 40, 12));
    filterWidthList_ = add(new QComboBox(this), "filterWidthList", units(524, 25, 36, 12));
    for (const std::string_view text : sgFilterWidthTexts)
        filterWidthList_->addItem(qs(text));
    addCommandButton(new QCheckBox(QStringLiteral("Autoscale Hist."), this), "autoscaleHist", cmdAutoscaleHistograms,
        units(321, 44, 55, 10));
    addCommandButton(new QCheckBox(QStringLiteral("Bkgd sub."), this), "subtractBackground", cmdSubtractBackground,
        units(379, 44, 43, 10));
    addCommandButton(new QPushButton(QStringLiteral("Est. Bkgd"), this), "estimateBackground", cmdEstimateBackground,
        units(425, 44, 37, 12));
    addCommandButton(new QPushButton(QStringLiteral("PCH"), this), "pchButton", cmdPch, units(465, 44, 30, 12));
    addCommandButton(new QPushButton(QStringLiteral("Analyze"), this), "analyzeButton", cmdBurstAnalysis,
        units(498, 44, 30, 12));
    addCommandButton(new QPushButton(QStringLiteral("Smooth"), this), "smoothButton", cmdSmooth,
        units(532, 44, 30, 12));

    // Burst navigator.
    addCommandButton(new QPushButton(QStringLiteral("<-Back"), this), "backButton", cmdPreviousBurst,
        units(573, 14, 25, 12));
    burstNumberText_ = addText("burstNumber", units(600, 16, 43, 12), true);
    addCommandButton(new QPushButton(QStringLiteral("Next->"), this), "nextButton", cmdNextBurst,
        units(645, 14, 25, 12));
    burstDescriptionText_ = addText("burstDescription", units(577, 28, 89, 20), true);
    burstDescriptionText_->setWordWrap(true);
    burstDescriptionText_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    addCommandButton(new QRadioButton(QStringLiteral("Show Markers"), this), "showMarkers", cmdShowMarkers,
        units(593, 47, 55, 10));

    setMinimumSize(static_cast<int>(panelWidthUnits * narrowestUnitWidth), panelHeight());
    relayout();
}

QRect ControlPanel::units(int x, int y, int width, int height) { return { x, y, width, height }; }

QRect ControlPanel::toPixels(const QRect& units) const
{
    const auto px = [](int value, double scale) { return static_cast<int>(std::lround(value * scale)); };
    return { px(units.x(), scale_.x), px(units.y(), scale_.y), px(units.width(), scale_.x),
        px(units.height(), scale_.y) };
}

void ControlPanel::relayout()
{
    for (const auto& [widget, rect] : layout_)
        widget->setGeometry(toPixels(rect));
}

void ControlPanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const double fitting = event->size().width() / (panelWidthUnits + 2.0);
    scale_.x = std::max(narrowestUnitWidth, std::min(fitting, naturalUnitWidth_ * 1.15));
    relayout();
}

template <typename W>
W* ControlPanel::add(W* widget, const char* name, QRect geometry)
{
    widget->setObjectName(QString::fromLatin1(name));
    layout_.emplace_back(widget, geometry);
    return widget;
}

QLabel* ControlPanel::addText(const char* name, QRect geometry, bool framed)
{
    auto* label = add(new QLabel(this), name, geometry);
    if (framed) {
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    return label;
}

QAbstractButton* ControlPanel::addCommandButton(QAbstractButton* button, const char* name, int id, QRect geometry)
{
    add(button, name, geometry);
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

void ControlPanel::addGroup(const QString& title, QRect geometry)
{
    auto* group = new QGroupBox(title, this);
    layout_.emplace_back(group, geometry);
    group->lower();
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

int ControlPanel::panelHeight() const { return toPixels(units(0, 0, panelWidthUnits, panelHeightUnits)).height(); }

} // namespace plask::ui
