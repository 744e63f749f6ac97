#pragma once
// "About Plask.exe": version, date and credits, with one "OK" button.

#include <QDialog>

namespace plask::ui {

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

} // namespace plask::ui
