#include "ui/dialogs/about_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace plask::ui {

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About Plask.exe"));
    auto* version = new QLabel(QStringLiteral("PLASK.EXE Version 3.0"), this);
    version->setObjectName(QStringLiteral("versionText"));
    auto* date = new QLabel(QStringLiteral("Feb. 2008"), this);
    date->setObjectName(QStringLiteral("dateText"));
    auto* credits = new QLabel(QStringLiteral("Photon stream analysis for single-molecule fluorescence\n"
                                              "and fluorescence correlation spectroscopy:\n"
                                              "burst detection, multi-tau correlation and\n"
                                              "photon counting histograms."),
        this);
    credits->setObjectName(QStringLiteral("creditsText"));
    // OK and Escape both just close the box.
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("okButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    for (QLabel* label : { version, date })
        label->setAlignment(Qt::AlignHCenter);
    layout->addWidget(version);
    layout->addWidget(date);
    layout->addWidget(credits);
    layout->addWidget(buttons);
}

} // namespace plask::ui
