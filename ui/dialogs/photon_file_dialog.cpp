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

PhotonFileDialog::PhotonFileDialog(
    const PhotonFileSummary& file, PhotonSelection& selection, Platform& messages, QWidget* parent)
    : QDialog(parent)
    , file_(file)
    , selection_(selection)
    , messages_(messages)
{
    setObjectName(QStringLiteral("PHOTON_FILE"));
    setWindowTitle(toQString(caption));
    const PhotonChoiceTexts texts = photonChoiceTexts(selection);

    auto* facts = new QFormLayout;
    facts->addRow(QStringLiteral("File:"),
        makeLabel(QFileInfo(toQString(file.path)).fileName(), "fileName", this));
    facts->addRow(QStringLiteral("Format:"), makeLabel(toQString(file.format), "formatText", this));
    facts->addRow(QStringLiteral("Duration:"),
        makeLabel(QStringLiteral("%1 s").arg(file.durationS, 0, 'f', 3), "durationText", this));

    // Every channel is checked when the choice names none of this file's.
    const auto named = [&selection](int channel) {
        return std::find(selection.channels.begin(), selection.channels.end(), channel) != selection.channels.end();
    };
    const bool anyNamed = std::any_of(
        file.channels.begin(), file.channels.end(), [&named](const PhotonChannelInfo& c) { return named(c.channel); });
    auto* channelBox = new QGroupBox(QStringLiteral("Channels of this stream"), this);
    auto* grid = new QGridLayout(channelBox);
    grid->addWidget(makeLabel(QStringLiteral("Channel"), "channelHeader", channelBox), 0, 0);
    grid->addWidget(makeLabel(QStringLiteral("Photons"), "photonsHeader", channelBox, Qt::AlignRight), 0, 1);
    grid->addWidget(makeLabel(QStringLiteral("Rate (kHz)"), "rateHeader", channelBox, Qt::AlignRight), 0, 2);
    int line = 1;
    for (const PhotonChannelInfo& info : file.channels) {
        const QString number = QString::number(info.channel);
        auto* box = new QCheckBox(info.channel < 0 ? number + QStringLiteral(" (sync)") : number, channelBox);
        box->setObjectName(QStringLiteral("channel") + number);
        // An empty choice is every detector channel, the sync records apart.
        box->setChecked(anyNamed ? named(info.channel) : info.channel >= 0);
        grid->addWidget(box, line, 0);
        grid->addWidget(makeLabel(QString::number(info.photons), "photons", channelBox, Qt::AlignRight), line, 1);
        grid->addWidget(
            makeLabel(QString::number(info.rateHz / 1000.0, 'f', 2), "rate", channelBox, Qt::AlignRight), line, 2);
        rows_.push_back({ info.channel, box });
        ++line;
    }
    grid->setColumnStretch(3, 1);

    auto* gateBox = new QGroupBox(QStringLiteral("Microtime gate"), this);
    gateBox->setObjectName(QStringLiteral("gateBox"));
    auto* gateLayout = new QVBoxLayout(gateBox);
    gateFrom_ = makeNumberField("gateFrom", texts.gateFromNs, gateBox);
    gateTo_ = makeNumberField("gateTo", texts.gateToNs, gateBox);
    gateLayout->addLayout(rangeRow(gateFrom_, gateTo_, QStringLiteral("to below"), QStringLiteral("ns"), gateBox));
    QString range = QStringLiteral("This file has no microtimes.");
    if (file.hasMicrotimes)
        range = file.microtimeRangeNs > 0.0
            ? QStringLiteral("Microtimes from 0 to %1 ns; empty: no gate.").arg(file.microtimeRangeNs, 0, 'f', 3)
            : QStringLiteral("The file does not state its microtime range; empty: no gate.");
    gateLayout->addWidget(makeLabel(range, "microtimeRange", gateBox));
    gateBox->setEnabled(file.hasMicrotimes);

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
    layout->addWidget(channelBox);
    layout->addWidget(gateBox);
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
    }
    layout->addWidget(makeOkCancel(*this));
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
