#include "ui/dialogs/photon_file_dialog.h"

#include "core/photon_choice_text.h"
#include "ui/dialogs/dialog_helpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace plask::ui {

namespace {
    constexpr std::string_view caption = "Photon file";

    // The .spc layouts: PhotonSelection::spcType and the text the list shows.
    constexpr std::array<std::pair<std::string_view, std::string_view>, 4> spcLayouts { {
        { "", "Sniffed from the file" },
        { "130", "SPC-130/134/140/150/160/830" },
        { "600-4096", "SPC-600/630, 4096 channels" },
        { "600-256", "SPC-600/630, 256 channels" },
    } };

    QLabel* makeLabel(const QString& text, const char* name, QWidget* parent, Qt::Alignment alignment = Qt::AlignLeft)
    {
        auto* label = new QLabel(text, parent);
        label->setObjectName(QString::fromLatin1(name));
        label->setAlignment(alignment | Qt::AlignVCenter);
        return label;
    }

    QLineEdit* makeNumberField(const char* name, const std::string& text, QWidget* parent)
    {
        QLineEdit* field = makeField(name, toQString(text), parent);
        field->setPlaceholderText(QStringLiteral("none"));
        field->setMinimumWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("0000000.000")));
        return field;
    }

    bool isSpcFile(const PhotonFileSummary& file)
    {
        return QFileInfo(toQString(file.path)).suffix().compare(QStringLiteral("spc"), Qt::CaseInsensitive) == 0;
    }

    // Both ends in one row: "from [ ] to [ ] unit".
    QHBoxLayout* rangeRow(QLineEdit* from, QLineEdit* to, const QString& toText, const QString& unit, QWidget* parent)
    {
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(QStringLiteral("from"), parent));
        row->addWidget(from);
        row->addWidget(new QLabel(toText, parent));
        row->addWidget(to);
        row->addWidget(new QLabel(unit, parent));
        row->addStretch(1);
        return row;
    }
} // namespace

PhotonFileDialog::PhotonFileDialog(const PhotonFileSummary& file, PhotonSelection& selection, Platform& messages,
    QWidget* parent, std::function<void()> cancelScan)
    : QDialog(parent)
    , file_(file)
    , rescan_(file.rescan)
    , cancelScan_(std::move(cancelScan))
    , selection_(selection)
    , messages_(messages)
{
    setObjectName(QStringLiteral("PHOTON_FILE"));
    setWindowTitle(toQString(caption));
    const PhotonChoiceTexts texts = photonChoiceTexts(selection);

    auto* facts = new QFormLayout;
    facts->addRow(QStringLiteral("File:"),
        makeLabel(QFileInfo(toQString(file.path)).fileName(), "fileName", this));
    formatText_ = makeLabel(QString(), "formatText", this);
    durationText_ = makeLabel(QString(), "durationText", this);
    facts->addRow(QStringLiteral("Format:"), formatText_);
    facts->addRow(QStringLiteral("Duration:"), durationText_);

    channelBox_ = new QGroupBox(QStringLiteral("Channels of this stream"), this);
    auto* channelLayout = new QVBoxLayout(channelBox_);
    channelGrid_ = new QGridLayout;
    channelGrid_->addWidget(makeLabel(QStringLiteral("Channel"), "channelHeader", channelBox_), 0, 0);
    channelGrid_->addWidget(makeLabel(QStringLiteral("Photons"), "photonsHeader", channelBox_, Qt::AlignRight), 0, 1);
    channelGrid_->addWidget(makeLabel(QStringLiteral("Rate (kHz)"), "rateHeader", channelBox_, Qt::AlignRight), 0, 2);
    channelGrid_->setColumnStretch(3, 1);
    channelLayout->addLayout(channelGrid_);
    scanError_ = makeLabel(QString(), "scanError", channelBox_);
    scanError_->setWordWrap(true);
    channelLayout->addWidget(scanError_);
    channelLayout->addStretch(1);

    gateBox_ = new QGroupBox(QStringLiteral("Microtime gate"), this);
    gateBox_->setObjectName(QStringLiteral("gateBox"));
    auto* gateLayout = new QVBoxLayout(gateBox_);
    gateFrom_ = makeNumberField("gateFrom", texts.gateFromNs, gateBox_);
    gateTo_ = makeNumberField("gateTo", texts.gateToNs, gateBox_);
    gateLayout->addLayout(rangeRow(gateFrom_, gateTo_, QStringLiteral("to below"), QStringLiteral("ns"), gateBox_));
    microtimeRange_ = makeLabel(QString(), "microtimeRange", gateBox_);
    gateLayout->addWidget(microtimeRange_);

    auto* windowBox = new QGroupBox(QStringLiteral("Time window"), this);
    auto* windowLayout = new QVBoxLayout(windowBox);
    windowStart_ = makeNumberField("windowStart", texts.windowStartS, windowBox);
    windowDuration_ = makeNumberField("windowDuration", texts.windowDurationS, windowBox);
    windowLayout->addLayout(
        rangeRow(windowStart_, windowDuration_, QStringLiteral("for"), QStringLiteral("s"), windowBox));
    windowLayout->addWidget(makeLabel(
        QStringLiteral("Time zero is the window start; empty: the whole record."), "windowNote", windowBox));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(facts);
    layout->addWidget(channelBox_);
    layout->addWidget(gateBox_);
    layout->addWidget(windowBox);
    if (isSpcFile(file)) {
        spcLayout_ = new QComboBox(this);
        spcLayout_->setObjectName(QStringLiteral("spcLayout"));
        for (const auto& [type, text] : spcLayouts) {
            spcLayout_->addItem(toQString(text), toQString(type));
            if (type == selection.spcType)
                spcLayout_->setCurrentIndex(spcLayout_->count() - 1);
        }
        auto* layoutRow = new QFormLayout;
        layoutRow->addRow(QStringLiteral("Record layout:"), spcLayout_);
        layout->addLayout(layoutRow);
        if (rescan_)
            connect(spcLayout_, &QComboBox::currentIndexChanged, this, &PhotonFileDialog::rescan);
    }
    QDialogButtonBox* buttons = makeOkCancel(*this);
    layout->addWidget(buttons);
    lockedWhileScanning_ = { channelBox_, gateBox_, windowBox, buttons->button(QDialogButtonBox::Ok) };
    if (spcLayout_)
        lockedWhileScanning_.push_back(spcLayout_);
    showFile(selection.channels);
}

void PhotonFileDialog::showFile(const std::vector<int>& named)
{
    formatText_->setText(toQString(file_.format));
    durationText_->setText(QStringLiteral("%1 s").arg(file_.durationS, 0, 'f', 3));
    for (const ChannelRow& row : rows_) {
        delete row.box;
        delete row.photons;
        delete row.rate;
    }
    rows_.clear();
    // Every channel is checked when the choice names none of this file's.
    const auto isNamed
        = [&named](int channel) { return std::find(named.begin(), named.end(), channel) != named.end(); };
    const bool anyNamed = std::any_of(file_.channels.begin(), file_.channels.end(),
        [&isNamed](const PhotonChannelInfo& c) { return isNamed(c.channel); });
    int line = 1;
    for (const PhotonChannelInfo& info : file_.channels) {
        const QString number = QString::number(info.channel);
        ChannelRow row { info.channel,
            new QCheckBox(info.channel < 0 ? number + QStringLiteral(" (sync)") : number, channelBox_),
            makeLabel(QString::number(info.photons), "photons", channelBox_, Qt::AlignRight),
            makeLabel(QString::number(info.rateHz / 1000.0, 'f', 2), "rate", channelBox_, Qt::AlignRight) };
        row.box->setObjectName(QStringLiteral("channel") + number);
        // An empty choice is every detector channel, the sync records apart.
        row.box->setChecked(anyNamed ? isNamed(info.channel) : info.channel >= 0);
        channelGrid_->addWidget(row.box, line, 0);
        channelGrid_->addWidget(row.photons, line, 1);
        channelGrid_->addWidget(row.rate, line, 2);
        // Rows made after the dialog was shown are shown at once, not at the next event.
        for (QWidget* widget : { static_cast<QWidget*>(row.box), static_cast<QWidget*>(row.photons),
                 static_cast<QWidget*>(row.rate) })
            widget->show();
        rows_.push_back(row);
        ++line;
    }
    scanError_->setText(toQString(file_.scanError));
    scanError_->setVisible(!file_.scanError.empty());

    QString range = QStringLiteral("This file has no microtimes.");
    if (file_.hasMicrotimes)
        range = file_.microtimeRangeNs > 0.0
            ? QStringLiteral("Microtimes from 0 to %1 ns; empty: no gate.").arg(file_.microtimeRangeNs, 0, 'f', 3)
            : QStringLiteral("The file does not state its microtime range; empty: no gate.");
    microtimeRange_->setText(range);
    gateBox_->setEnabled(file_.hasMicrotimes);
}

void PhotonFileDialog::rescan()
{
    // The checks carry over to the channels the new scan shows too.
    std::vector<int> checked;
    bool all = true;
    for (const ChannelRow& row : rows_) {
        if (row.box->isChecked())
            checked.push_back(row.channel);
        else if (row.channel >= 0)
            all = false;
    }
    if (all)
        checked.clear();
    PhotonFileSummary scanned;
    // Only Cancel answers while the file is read on the worker.
    scanning_ = true;
    for (QWidget* widget : lockedWhileScanning_)
        widget->setEnabled(false);
    const std::string error = rescan_(spcLayout_->currentData().toString().toStdString(), scanned);
    for (QWidget* widget : lockedWhileScanning_)
        widget->setEnabled(true);
    scanning_ = false;
    const std::string path = file_.path;
    file_ = std::move(scanned);
    file_.path = path;
    if (!error.empty()) {
        file_.channels.clear();
        file_.scanError = error;
    }
    showFile(checked);
    adjustSize();
}

void PhotonFileDialog::reject()
{
    // The scan returns cancelled, and the dialog shows that in place of the channels.
    if (scanning_) {
        if (cancelScan_)
            cancelScan_();
        return;
    }
    QDialog::reject();
}

void PhotonFileDialog::accept()
{
    std::vector<int> checked;
    bool sync = false;
    for (const ChannelRow& row : rows_)
        if (row.box->isChecked()) {
            checked.push_back(row.channel);
            sync = sync || row.channel < 0;
        }
    if (!file_.scanError.empty()) {
        messages_.showMessage(file_.scanError, caption);
        return;
    }
    if (checked.empty()) {
        messages_.showMessage("Check at least one channel for the stream.", caption);
        return;
    }
    const PhotonChoiceRead read = photonChoiceFromTexts({ {}, gateFrom_->text().toStdString(),
        gateTo_->text().toStdString(), windowStart_->text().toStdString(), windowDuration_->text().toStdString() });
    if (!read.error.empty()) {
        messages_.showMessage(read.error, caption);
        return;
    }
    PhotonSelection choice = read.selection;
    // Every detector channel is kept as "all", which fits the next file of this format too.
    if (checked.size() != rows_.size() || sync)
        choice.channels = checked;
    if (const std::string error = photonChoiceError(file_, choice); !error.empty()) {
        messages_.showMessage(error, caption);
        return;
    }
    choice.spcType = spcLayout_ ? spcLayout_->currentData().toString().toStdString() : selection_.spcType;
    selection_ = choice;
    QDialog::accept();
}

} // namespace plask::ui
