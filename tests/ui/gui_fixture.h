#pragma once
// A started program in a fresh folder: the settings file lives there, the
// screen is 1280 x 1024, and the main window is shown offscreen.

#include "scripted_platform.h"
#include "test_files.h"
#include "ui/commands.h"
#include "ui/control_panel.h"
#include "ui/main_window.h"
#include "ui/startup.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace plask::testing {

inline constexpr ScreenMetrics testScreen { 1280, 1024, 984 };

class GuiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previousFolder_ = std::filesystem::current_path();
        std::filesystem::current_path(folder.path());
    }
    void TearDown() override
    {
        window.reset();
        std::filesystem::current_path(previousFolder_);
    }

    // Starts the program and shows its window.
    ui::MainWindow& start(const ScreenMetrics& screen = testScreen)
    {
        window = ui::startProgram(state, platform, screen);
        EXPECT_TRUE(window);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return *window;
    }

    template <typename W>
    W& child(const char* name) const
    {
        W* widget = window->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return *widget;
    }
    [[nodiscard]] QString text(const char* name) const { return child<QLabel>(name).text(); }
    void click(const char* name) const { QTest::mouseClick(&child<QAbstractButton>(name), Qt::LeftButton); }
    void menu(int id) const { window->menuAction(id)->trigger(); }

    TempDir folder;
    AppState state;
    ScriptedPlatform platform;
    std::unique_ptr<ui::MainWindow> window;

private:
    std::filesystem::path previousFolder_;
};

} // namespace plask::testing
