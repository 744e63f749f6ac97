#include "../ui/correlator_file_writer.h"
#include "dialog_test_support.h"
#include "gui_fixture.h"
#include "pch_page_support.h"

#include "chart/chart.h"
#include "chart/data_window.h"
#include "ui/pch_page.h"

#include <QDir>
#include <QPointer>

namespace plask::testing {
namespace {

    // 1 µs bins: a photon in every fourth bin, and three bursts of 20 bins
    // holding 5 photons each. Counts 2 to 4 never occur.
    std::vector<std::uint16_t> pchCounts()
    {
        std::vector<std::uint16_t> counts(20000);
        for (std::size_t i = 0; i < counts.size(); ++i)
            counts[i] = i % 4 == 0 ? 1 : 0;
        for (const std::size_t start : { 3000u, 9000u, 15000u })
            std::fill_n(counts.begin() + static_cast<std::ptrdiff_t>(start), 20, std::uint16_t { 5 });
        return counts;
    }

    class PchPageTest : public GuiTest {
    protected:
        void SetUp() override
        {
            GuiTest::SetUp();
            start();
            writeCorrelatorFile(folder / "run.03.dat", pchCounts());
            platform.script.openFileAnswers.push_back((folder / "run.03.dat").string());
            menu(ui::cmdOpen);
            ASSERT_TRUE(isLoaded(state, 0));
        }

        // Presses the control panel's "PCH" button; the page it opened.
        ui::PchPage* pressPch() { return pressPchButton(*window); }

        static std::size_t drawn(const ui::PchPage& page) { return page.chart().drawnPointCount(page.plot()); }

        // The file a correct histogram of the stream makes: 45 bins of 5
        // photons and 15 more once ones inside the bursts, the rest zeros.
        std::string expectedFile() const
        {
            const std::uint32_t length = state.streams[0].length;
            const std::uint32_t ones = (length + 3) / 4 - 15;
            const std::uint32_t zeros = length - ones - 60;
            return "0.000000\t" + std::to_string(zeros) + ".000000\r\n1.000000\t" + std::to_string(ones)
                + ".000000\r\n2.000000\t0.000000\r\n3.000000\t0.000000\r\n4.000000\t0.000000\r\n"
                  "5.000000\t60.000000\r\n";
        }
    };

    TEST_F(PchPageTest, ThePchButtonOpensAPageWithTheHistogram)
    {
        ui::PchPage* page = pressPch();
        ASSERT_NE(page, nullptr);
        EXPECT_TRUE(page->isVisible());
        EXPECT_EQ(page->windowTitle(), QStringLiteral("Photon Count Histogram"));
        EXPECT_EQ(page->geometry(), QRect(300, 100, 550, 350));
        EXPECT_EQ(drawn(*page), 6u);
        EXPECT_EQ(page->chart().axisRange(chart::Axis::x), std::make_pair(0.0, 5.0));

        page->menuAction(ui::pchShowData)->trigger();
        auto* data = page->findChild<chart::DataWindow*>();
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(data->windowTitle(), QStringLiteral("pch1"));
        EXPECT_EQ(data->selectedText().split(u'\n', Qt::SkipEmptyParts).size(), 6);
        data->close();

        QDir().mkpath(QStringLiteral(PLASK_ARTIFACT_DIR));
        EXPECT_TRUE(page->grab().save(QStringLiteral(PLASK_ARTIFACT_DIR "/pch_page.png")));
    }

    TEST_F(PchPageTest, SaveWritesTheCurrentResultUnderTheDataFilesName)
    {
        ui::PchPage* page = pressPch();
        ASSERT_NE(page, nullptr);
        platform.script.saveFileAnswers.push_back((folder / "out.txt").string());
        page->menuAction(ui::pchSave)->trigger();
        EXPECT_EQ(platform.script.fileRequests.back().defaultName, "run.03_PCH.txt");
        EXPECT_EQ(readText(folder / "out.txt"), expectedFile());
    }

    // Each page keeps its own copy: closing one releases the result, which
    // the other page then saves as an empty file while still drawing.
    TEST_F(PchPageTest, SeveralPagesAndCloseReleasingTheResult)
    {
        QPointer<ui::PchPage> first = pressPch();
        ui::PchPage* second = pressPch();
        ASSERT_TRUE(first && second && first != second);
        first->menuAction(ui::pchClose)->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(first.isNull());
        EXPECT_EQ(state.pch.pointCount, 0u);
        EXPECT_TRUE(state.pch.frequency.empty());
        EXPECT_EQ(drawn(*second), 6u);

        platform.script.saveFileAnswers.push_back((folder / "empty.txt").string());
        second->menuAction(ui::pchSave)->trigger();
        EXPECT_EQ(readText(folder / "empty.txt"), "");

        // Closing the window itself keeps the result.
        pressPch();
        second->close();
        EXPECT_EQ(state.pch.pointCount, 6u);
    }

    TEST_F(PchPageTest, AChannelWithoutDataGetsTheMessageAndNoPage)
    {
        click("ps2Button");
        EXPECT_EQ(pressPch(), nullptr);
        ASSERT_EQ(platform.script.dialogs().size(), 1u);
        EXPECT_EQ(platform.script.dialogs()[0].text, "Data not loaded in selected PS.");
        EXPECT_EQ(platform.script.dialogs()[0].caption, "PCH Error");
    }

} // namespace
} // namespace plask::testing
