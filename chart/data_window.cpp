#include "chart/data_window.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <set>

namespace plask::chart {

DataWindow::DataWindow(const QString& title, std::span<const double> x, std::span<const double> y, QWidget* parent)
    : QDialog(parent)
    , table_(new QTableWidget(this))
{
    setObjectName(QStringLiteral("dataWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(title);
    const auto rows = static_cast<int>(std::min(x.size(), y.size()));
    table_->setRowCount(rows);
    table_->setColumnCount(2);
    table_->setHorizontalHeaderLabels({ QStringLiteral("x"), QStringLiteral("y") });
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    for (int row = 0; row < rows; ++row) {
        const auto i = static_cast<std::size_t>(row);
        table_->setItem(row, 0, new QTableWidgetItem(QString::number(x[i], 'g', 9)));
        table_->setItem(row, 1, new QTableWidgetItem(QString::number(y[i], 'g', 9)));
    }
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);

    auto* copyButton = new QPushButton(tr("Copy"), this);
    connect(copyButton, &QPushButton::clicked, this, [this] { copy(); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    layout->addWidget(copyButton);
    resize(320, 480);
}

QString DataWindow::selectedText() const
{
    std::set<int> rows;
    for (const QModelIndex& index : table_->selectionModel()->selectedIndexes())
        rows.insert(index.row());
    if (rows.empty())
        for (int row = 0; row < table_->rowCount(); ++row)
            rows.insert(row);
    QString text;
    for (const int row : rows)
        text += table_->item(row, 0)->text() + u'\t' + table_->item(row, 1)->text() + u'\n';
    return text;
}

void DataWindow::copy() const { QApplication::clipboard()->setText(selectedText()); }

void DataWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy)) {
        copy();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace plask::chart
