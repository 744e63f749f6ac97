#include "../ui/correlator_file_writer.h"
#include "dialog_test_support.h"
#include "gui_fixture.h"

#include "chart/chart.h"
#include "chart/chart_page.h"
#include "ui/results_window.h"

#include <QAction>
#include <QDockWidget>
#include <QTableWidget>
#include <QDir>
#include <QImage>

namespace plask::testing {
namespace {

    // 20000 bins of 1 µs: a photon in every fourth bin, and three bursts.
    std::vector<std::uint16_t> simulatedCounts()
    {
        std::vector<std::uint16_t> counts(20000);
        for (std::size_t i = 0; i < counts.size(); ++i)
            counts[i] = i % 4 == 0 ? 1 : 0;
        for (const std::size_t start : { 3000u, 9000u, 15000u })
            std::fill_n(counts.begin() + static_cast<std::ptrdiff_t>(start), 20, std::uint16_t { 5 });
        return counts;
    }

    class ResultsWindowTest : public GuiTest {
    protected:
        void SetUp() override
        {
            GuiTest::SetUp();
            start();
            writeCorrelatorFile(folder / "run.03.dat", simulatedCounts());
        }

        ui::ResultsWindow& results() const { return window->resultsWindow(); }

        void open(const std::filesystem::path& path)
        {
            platform.script.openFileAnswers.push_back(path.string());
            menu(ui::cmdOpen);
            ASSERT_TRUE(isLoaded(state, 0));
        }

        // The burst results of an analysis of PS1 as the analysis leaves them.
        void putBurstResults()
        {
            BurstSet& set = burstSetOf(state, 0);
            set.burstCount = 3;
            set.photonStats = { 100.0, 4.5, 0, 0 };
            set.peakStats = { 5.0, 0.0, 0, 0 };
            set.widthStats = { 12.5, 3.25, 0, 0 };
            set.intervalStats = { 0.006, 0.0004, 0, 0 };
            state.burstDataPresent[0] = 1;
            for (int row = 0; row < 3; ++row) {
                BurstHistogram& histogram = state.histograms.at(static_cast<std::size_t>(row));
                histogram.binCount = 10 + row;
                for (int bin = 0; bin < histogram.binCount; ++bin) {
                    histogram.binEdges.at(static_cast<std::size_t>(bin)) = 5.0 * bin;
                    histogram.binCounts.at(static_cast<std::size_t>(bin)) = bin % 4;
                }
                histogram.binSize = 5.0;
                histogram.xLow = 0;
                histogram.xHigh = 5.0 * histogram.binCount;
                histogram.yMax = 4;
                platform.refreshHistogramChart(row);
            }
            platform.refreshStatisticsPanel(0);
        }

        void autocorrelate(int stepIndex)
        {
            state.settings().showFcsSetupFirst = 1;
            whenDialogOpens([stepIndex](QDialog& dialog) {
                pick(dialog, "stepList", stepIndex);
                pick(dialog, "binWidthList", 2); // 1 µs: the data in memory
                press(dialog, "okButton");
            });
            menu(ui::cmdAutocorrelation);
        }

        std::vector<QString> statisticsTexts() const
        {
            std::vector<QString> texts;
            for (int row = 0; row < ui::statisticsRows; ++row)
                texts.push_back(results().statistics().valueShown(row) ? results().statistics().valueText(row)
                                                                       : QStringLiteral("-"));
            return texts;
        }

        chart::Chart& correlationChart() const { return results().correlation().chart(); }
    };

    TEST_F(ResultsWindowTest, EveryChartExistsBeforeTheFirstRefresh)
    {
        EXPECT_EQ(results().page().charts().size(), 5u);
        EXPECT_EQ(statisticsTexts(), std::vector<QString>(8, QStringLiteral("-")));
        EXPECT_EQ(correlationChart().axisRange(chart::Axis::x), std::make_pair(1.0, 10000.0));
        EXPECT_EQ(results().histogram(0).chart().drawnPointCount(results().histogram(0).plot()), 2u);
        // A refresh of an empty channel hides every value.
        platform.refreshStatisticsPanel(0);
        EXPECT_EQ(statisticsTexts(), std::vector<QString>(8, QStringLiteral("-")));
    }

    TEST_F(ResultsWindowTest, StatisticsFollowTheLoadAndTheBurstResults)
    {
        open(folder / "run.03.dat");
        platform.refreshStatisticsPanel(0);
        std::vector<QString> texts = statisticsTexts();
        EXPECT_EQ(texts[0], QStringLiteral("run.03.dat"));
        EXPECT_EQ(texts[1], QStringLiteral("264.303 KHz"));
        EXPECT_EQ(texts[2], QStringLiteral("0.0 ± 0.0"));
        EXPECT_EQ(texts[3], QStringLiteral("-")); // no burst results yet

        putBurstResults();
        texts = statisticsTexts();
        EXPECT_EQ(texts[3], QStringLiteral("3"));
        EXPECT_EQ(texts[4], QStringLiteral("100.00 ±  4.50 photons"));
        EXPECT_EQ(texts[5], QStringLiteral("5.00 ± 0.00 photons"));
        EXPECT_EQ(texts[6], QStringLiteral("12.50 ± 3.25 µs"));
        EXPECT_EQ(texts[7], QStringLiteral("0.01 ± 0.00 sec"));
        for (int row = 0; row < 3; ++row) {
            const ui::HistogramChart& histogram = results().histogram(row);
            EXPECT_EQ(histogram.chart().drawnPointCount(histogram.plot()), static_cast<std::size_t>(10 + row));
            EXPECT_EQ(histogram.chart().axisRange(chart::Axis::y), std::make_pair(0.0, 4.0));
        }

        // Releasing the burst set empties the histograms; the texts stay.
        platform.releaseHistogramCharts();
        EXPECT_EQ(results().histogram(1).chart().drawnPointCount(results().histogram(1).plot()), 0u);
        EXPECT_EQ(statisticsTexts()[3], QStringLiteral("3"));
    }

    TEST_F(ResultsWindowTest, AutocorrelationDrawsItsCurveWithItsTitle)
    {
        open(folder / "run.03.dat");
        menu(ui::cmdBurstAnalysis);
        autocorrelate(2); // step 8
        const CorrelationResult& result = correlationOf(state, 0);
        ASSERT_GT(result.lagCount, 0);
        EXPECT_TRUE(results().isVisible());
        EXPECT_TRUE(window->menuAction(ui::cmdResults)->isChecked());
        const ui::CorrelationChart& curve = results().correlation();
        EXPECT_EQ(curve.chart().drawnPointCount(curve.plot()), static_cast<std::size_t>(result.lagCount));
        EXPECT_EQ(curve.lagValues().front(), 0.001);
        // 0.001 ms up to the last lag, widened to whole decades.
        const auto [xMin, xMax] = curve.chart().axisRange(chart::Axis::x);
        EXPECT_DOUBLE_EQ(xMin, 0.001);
        EXPECT_GE(xMax, curve.lagValues().back());
        EXPECT_EQ(curve.chart().axisRange(chart::Axis::y).first, 0.0);
        EXPECT_TRUE(QString::fromStdString(result.curveTitle).startsWith(QStringLiteral("AC from 0 to ")));

        // As wide as the smallest screen the program runs on.
        results().resize(1024, 560);
        QDir().mkpath(QStringLiteral(PLASK_ARTIFACT_DIR));
        EXPECT_TRUE(results().grab().save(QStringLiteral(PLASK_ARTIFACT_DIR "/results_window.png")));
    }

    // The simulated recording of the test data (G0 0.3256, tauD 100 µs):
    // Fit in the panel draws the fit over the curve, and Save writes the report.
    TEST_F(ResultsWindowTest, FitPanelFitsTheCurveShownAndSavesTheReport)
    {
        open(testing::testDataPath("fcs_40MHz_1500ms.dat"));
        autocorrelate(2);
        ASSERT_GT(correlationOf(state, 0).lagCount, 0);
        results().fitDock()->show();
        results().resize(1400, 600);
        press(results().fitPanel(), "fitButton");
        ASSERT_TRUE(results().fitPanel().result().has_value());
        const fitting::FcsFit& fit = *results().fitPanel().result();
        EXPECT_EQ(fit.points(), 97);
        EXPECT_NEAR(1.0 / fit.parameter("N")->value, 0.3256, 0.3256 * 0.06);
        EXPECT_NEAR(fit.parameter("tauD_ms")->value, 0.100, 0.012);
        const auto* table = results().fitPanel().findChild<QTableWidget*>(QStringLiteral("fitParameters"));
        EXPECT_NEAR(table->item(1, 1)->text().toDouble(), fit.parameters[1].value, 1e-5);
        EXPECT_NE(table->item(0, 3)->text(), QStringLiteral("-")); // N's error
        EXPECT_EQ(table->item(2, 2)->checkState(), Qt::Checked); // kappa fixed

        platform.script.saveFileAnswers.push_back((folder / "fit.txt").string());
        press(results().fitPanel(), "fitSaveButton");
        EXPECT_EQ(platform.script.fileRequests.back().defaultName, testing::testDataPath("fcs_40MHz_1500ms_fcs_fit.txt").string());
        EXPECT_TRUE(testing::readText(folder / "fit.txt").starts_with("Header size: \t14 rows\r\n"));
        QDir().mkpath(QStringLiteral(PLASK_ARTIFACT_DIR));
        EXPECT_TRUE(results().grab().save(QStringLiteral(PLASK_ARTIFACT_DIR "/results_window_fit.png")));
    }

    TEST_F(ResultsWindowTest, CancelInFcsSetupCancelsTheAutocorrelation)
    {
        open(folder / "run.03.dat");
        state.settings().showFcsSetupFirst = 1;
        whenDialogOpens([](QDialog& dialog) { press(dialog, "cancelButton"); });
        menu(ui::cmdAutocorrelation);
        EXPECT_EQ(correlationOf(state, 0).lagCount, 0);
        EXPECT_FALSE(results().isVisible());
        EXPECT_EQ(correlationChart().drawnPointCount(results().correlation().plot()), 2u);
    }

    // A step of 128 gives more lags than the old 1000-point buffers held;
    // the chart takes them all. A curve without lags is not plotted.
    TEST_F(ResultsWindowTest, LongCurvesAreDrawnWholeAndEmptyOnesNotAtAll)
    {
        CorrelationResult& result = correlationOf(state, 1);
        result.lagCount = 1536;
        result.lags = PageArray<LagChannel>::allocate(1536);
        for (std::size_t i = 0; i < 1536; ++i) {
            result.lags[i].lagMs = 0.001 * static_cast<double>(i + 1);
            result.lags[i].g = -0.5;
        }
        result.curveTitle = "long";
        platform.showCorrelationCurve(1);
        const ui::CorrelationChart& curve = results().correlation();
        EXPECT_EQ(curve.chart().drawnPointCount(curve.plot()), 1536u);
        EXPECT_EQ(curve.chart().axisRange(chart::Axis::x), std::make_pair(0.001, 10.0));
        // All G below zero: an empty plot area above y = 0.
        EXPECT_EQ(curve.chart().axisRange(chart::Axis::y), std::make_pair(0.0, 1.0));

        result.lagCount = 0;
        platform.showCorrelationCurve(1);
        EXPECT_EQ(curve.chart().drawnPointCount(curve.plot()), 1536u);
    }

    TEST_F(ResultsWindowTest, SaveWritesTheFormatOfTheChosenName)
    {
        open(folder / "run.03.dat");
        for (const char* name : { "page.png", "page.svg", "page.pdf" })
            platform.script.saveFileAnswers.push_back((folder / name).string());
        for (int i = 0; i < 3; ++i)
            results().menuAction(ui::resultsSave)->trigger();
        const FileDialogRequest& request = platform.script.fileRequests.back();
        EXPECT_EQ(request.defaultName, "run.03_results.png");
        ASSERT_EQ(request.filters.size(), 3u);
        EXPECT_EQ(request.filters[1].pattern, "*.svg");
        const QImage png(QString::fromStdString((folder / "page.png").string()));
        EXPECT_EQ(png.size(), results().page().size());
        EXPECT_EQ(readText(folder / "page.svg").substr(0, 5), "<?xml");
        EXPECT_EQ(readText(folder / "page.pdf").substr(0, 5), "%PDF-");
        EXPECT_TRUE(platform.script.dialogs().empty());
    }

    TEST_F(ResultsWindowTest, AutoSaveWritesNextToTheDataFile)
    {
        results().menuAction(ui::resultsAutoSave)->trigger();
        ASSERT_EQ(platform.script.dialogs().size(), 1u);
        EXPECT_EQ(platform.script.dialogs()[0].text, "No data loaded");

        const auto data = folder / "data";
        std::filesystem::create_directory(data);
        writeCorrelatorFile(data / "run7.dat", simulatedCounts());
        open(data / "run7.dat");
        results().menuAction(ui::resultsAutoSave)->trigger();
        EXPECT_FALSE(QImage(QString::fromStdString((data / "run7_results.png").string())).isNull());

        platform.script.saveFileAnswers.push_back((data / "mine.svg").string());
        results().menuAction(ui::resultsAutoSaveName)->trigger();
        EXPECT_EQ(platform.script.fileRequests.back().defaultName, (data / "run7_results.png").string());
        EXPECT_TRUE(std::filesystem::exists(data / "mine.svg"));
    }

    TEST_F(ResultsWindowTest, CloseHidesTheWindowAsTheToggleDoes)
    {
        menu(ui::cmdResults);
        ASSERT_TRUE(results().isVisible());
        results().menuAction(ui::resultsClose)->trigger();
        EXPECT_FALSE(results().isVisible());
        EXPECT_FALSE(state.resultsShown);
        EXPECT_FALSE(window->menuAction(ui::cmdResults)->isChecked());
    }

    TEST_F(ResultsWindowTest, PrintWithoutPrinterWritesAPdf)
    {
        platform.script.saveFileAnswers.push_back((folder / "printed.pdf").string());
        results().menuAction(ui::resultsPrint)->trigger();
        EXPECT_EQ(platform.script.fileRequests.back().defaultName, "results.pdf");
        EXPECT_EQ(readText(folder / "printed.pdf").substr(0, 5), "%PDF-");
    }

    // Counts the paints of a widget.
    class PaintCounter : public QObject {
    public:
        int paints = 0;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::Paint)
                ++paints;
            return QObject::eventFilter(watched, event);
        }
    };

    // The analyses as the program runs them, announcing through the desktop
    // platform: a burst analysis, then the segmental autocorrelation over the
    // gaps around its three bursts that pass the minimum, painted after every
    // pooled segment.
    TEST_F(ResultsWindowTest, BurstAnalysisThenSegmentalCorrelation)
    {
        open(folder / "run.03.dat");
        menu(ui::cmdBurstAnalysis);
        ASSERT_TRUE(platform.script.dialogs().empty()) << platform.script.dialogs()[0];
        EXPECT_TRUE(results().isVisible());
        // Bursts of 20 bins with 5 photons, plus the single photon of the end bin.
        const std::vector<QString> expected { QStringLiteral("run.03.dat"), QStringLiteral("264.303 KHz"),
            QStringLiteral("0.0 ± 0.0"), QStringLiteral("3"), QStringLiteral("101.00 ±  0.00 photons"),
            QStringLiteral("5.00 ± 0.00 photons"), QStringLiteral("20.00 ± 0.00 µs"),
            QStringLiteral("0.01 ± 0.00 sec") };
        EXPECT_EQ(statisticsTexts(), expected);
        for (int row = 0; row < 3; ++row) {
            const ui::HistogramChart& histogram = results().histogram(row);
            EXPECT_EQ(histogram.chart().drawnPointCount(histogram.plot()),
                static_cast<std::size_t>(state.histograms.at(static_cast<std::size_t>(row)).binCount));
        }

        // The gaps last about 3, 6, 6 and 5 ms; a 5.5 ms minimum keeps two.
        QStringList counted;
        whenDialogOpens([&counted](QDialog& dialog) {
            counted << childOf<QLabel>(dialog, "countText").text();
            type(dialog, "minimumTime", QStringLiteral("5500"));
            press(dialog, "resetButton");
            counted << childOf<QLabel>(dialog, "countText").text();
            press(dialog, "autocorrelateButton");
        });
        PaintCounter paints;
        correlationChart().surface()->installEventFilter(&paints);
        menu(ui::cmdSegAutocorrelation);
        EXPECT_EQ(counted, QStringList({ QStringLiteral("4 out of 4"), QStringLiteral("2 out of 4") }));
        EXPECT_EQ(state.settings().segFcsMinTime, 5500.0);
        EXPECT_TRUE(platform.script.dialogs().empty());
        EXPECT_GE(paints.paints, 2);
        const CorrelationResult& result = correlationOf(state, 0);
        const ui::CorrelationChart& curve = results().correlation();
        EXPECT_EQ(curve.chart().drawnPointCount(curve.plot()), static_cast<std::size_t>(result.lagCount));
        EXPECT_EQ(result.curveTitle, (folder / "run.03.dat").string());
    }

} // namespace
} // namespace plask::testing
