#pragma once
// Opening a PCH page the way a user does: the control panel's "PCH" button.

#include "ui/main_window.h"
#include "ui/pch_page.h"

#include <QAbstractButton>
#include <QTest>

namespace plask::testing {

// Presses "PCH"; the page it opened, or null when none opened.
inline ui::PchPage* pressPchButton(ui::MainWindow& window)
{
    const auto before = window.findChildren<ui::PchPage*>();
    QTest::mouseClick(window.findChild<QAbstractButton*>(QStringLiteral("pchButton")), Qt::LeftButton);
    for (ui::PchPage* page : window.findChildren<ui::PchPage*>())
        if (!before.contains(page))
            return page;
    return nullptr;
}

} // namespace plask::testing
