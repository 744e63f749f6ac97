#pragma once
// The status bar's part for a running job: its caption, a progress bar and
// Cancel. Hidden while nothing runs.

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace plask::ui {

class JobBar : public QWidget {
    Q_OBJECT
public:
    explicit JobBar(QWidget* parent = nullptr);

    void begin(const QString& caption);
    // `fraction` in [0, 1].
    void showProgress(double fraction);
    void end();

Q_SIGNALS:
    void cancelRequested();

private:
    QLabel* caption_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

} // namespace plask::ui
