#pragma once
// The control panel "PHOTONVIEWER" docked at the bottom of the main window:
// active channel with rates and count ranges, the stream navigator, the
// burst analysis parameters and buttons, and the burst navigator. Its
// buttons and check boxes send command identifiers; none checks itself.

#include "core/app_state.h"
#include "core/platform.h"

#include <QWidget>

#include <map>
#include <utility>
#include <vector>

class QAbstractButton;
class QComboBox;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QSlider;

namespace plask::ui {

class ControlPanel : public QWidget {
    Q_OBJECT
public:
    explicit ControlPanel(QWidget* parent = nullptr);

    // The start-up state: navigators disabled, sliders at 0 of 0..100, lists
    // and fields filled from the settings, "- - - " in the navigator texts.
    void initialise(const AppState& state);

    [[nodiscard]] PanelFields fields() const;
    void setMinPhotonsText(const QString& text);
    void setBackgroundCountsText(const QString& text);
    // Rates and count ranges of both channels, and "Background Counts".
    void showStreamInfo(const AppState& state);
    void setActiveChannel(int channel);
    // Check boxes and radio buttons the program sets: 1028, 1104, 1114, 1006.
    void setChecked(int id, bool checked);
    [[nodiscard]] bool isChecked(int id) const;

    // Zoom slider over lowest..zoomMax at a position, without a scroll notice.
    void setZoomSlider(int lowest, int highest, int position);
    void setSegmentSlider(int highest, int pageStep, int position);
    void setSegmentPosition(int position);
    void setNavigatorTexts(const QString& segmentTime, const QString& segmentNumber);
    void setBurstTexts(const QString& number, const QString& description);

    void enableStreamNavigator(bool enabled);
    void enableBurstNavigator(bool enabled);
    [[nodiscard]] bool segmentSliderHasFocus() const;

    // Height the panel's layout asks for, in pixels.
    [[nodiscard]] int panelHeight() const;

Q_SIGNALS:
    void command(int id);
    void zoomScrolled(int position);
    void segmentScrolled(int position);

private:
    struct Cell {
        int row = 0;
        int column = 0;
        int rowSpan = 1;
        int columnSpan = 1;
    };
    template <typename W>
    W* add(W* widget, const char* name, QGridLayout* grid, Cell cell);
    // A framed value text, at least as wide as `widestText`.
    QLabel* addText(const char* name, QGridLayout* grid, Cell cell, const QString& widestText);
    QLabel* addPlainText(const char* name, const QString& text, QGridLayout* grid, Cell cell);
    QLineEdit* addField(const char* name, QGridLayout* grid, Cell cell);
    // Placed in `grid` at `cell`, or left for the caller to place when grid is null.
    QAbstractButton* addCommandButton(QAbstractButton* button, const char* name, int id, QGridLayout* grid, Cell cell);
    QGridLayout* addGroup(QHBoxLayout* row, const QString& title, int stretch);

    std::map<int, QAbstractButton*> buttons_; // by command id
    QLabel* rateTexts_[2] {};
    QLabel* rangeTexts_[2] {};
    QSlider* segmentSlider_ = nullptr;
    QSlider* zoomSlider_ = nullptr;
    QLabel* segmentTimeText_ = nullptr;
    QLabel* segmentNumberText_ = nullptr;
    QComboBox* binWidthList_ = nullptr;
    QLineEdit* minPhotonsField_ = nullptr;
    QLineEdit* backgroundField_ = nullptr;
    QLineEdit* triggerField_ = nullptr;
    QLineEdit* subMinField_ = nullptr;
    QComboBox* filterWidthList_ = nullptr;
    QLabel* burstNumberText_ = nullptr;
    QLabel* burstDescriptionText_ = nullptr;
};

} // namespace plask::ui
