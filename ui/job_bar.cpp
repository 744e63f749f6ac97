#include "ui/job_bar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <cmath>

namespace plask::ui {

namespace {
    constexpr int progressSteps = 1000;
}

JobBar::JobBar(QWidget* parent)
    : QWidget(parent)
    , caption_(new QLabel(this))
    , progress_(new QProgressBar(this))
    , cancel_(new QPushButton(tr("Cancel"), this))
{
    setObjectName(QStringLiteral("jobBar"));
    caption_->setObjectName(QStringLiteral("jobCaption"));
    progress_->setObjectName(QStringLiteral("jobProgress"));
    cancel_->setObjectName(QStringLiteral("jobCancel"));
    progress_->setRange(0, progressSteps);
    progress_->setMinimumWidth(160);
    cancel_->setToolTip(tr("Stop the running computation (Esc); the data stay as they were"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(caption_);
    layout->addWidget(progress_);
    layout->addWidget(cancel_);
    connect(cancel_, &QPushButton::clicked, this, &JobBar::cancelRequested);
    hide();
}

void JobBar::begin(const QString& caption)
{
    caption_->setText(caption);
    progress_->setValue(0);
    cancel_->setEnabled(true);
    show();
}

void JobBar::showProgress(double fraction)
{
    const double clamped = std::clamp(std::isfinite(fraction) ? fraction : 0.0, 0.0, 1.0);
    progress_->setValue(static_cast<int>(std::lround(clamped * progressSteps)));
}

void JobBar::end() { hide(); }

} // namespace plask::ui
