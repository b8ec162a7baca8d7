#include "gui/logger/datasetgrid.h"

#include "core/logger/datasetlist.h"
#include "core/logger/datasets.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QTableWidget>

namespace {

void SetCell(QTableWidget *grid, int row, int column, const QString &text)
{
    if (QTableWidgetItem *item = grid->item(row, column))
        item->setText(text);
    else
        grid->setItem(row, column, new QTableWidgetItem(text));
}

} // namespace

void FillDataSetList(QTableWidget *grid, const TLoggerStore &store)
{
    if (!grid)
        return;
    const int n = store.DataSets.size();
    grid->setUpdatesEnabled(false);
    grid->setRowCount(n + 1);
    for (int i = 0; i < n; ++i) {
        const QStringList cells = DataSetRowTexts(store.DataSets.at(i), i);
        for (int c = 0; c < cells.size(); ++c)
            if (!cells.at(c).isNull())
                SetCell(grid, i + 1, c, cells.at(c));
    }
    // No column narrower than its title or its widest text.
    if (n > 0) {
        const QFontMetrics header(grid->horizontalHeader()->font());
        const QFontMetrics cells(grid->font());
        for (int c = 0; c < 10; ++c) {
            int wanted = 0;
            if (QTableWidgetItem *title = grid->horizontalHeaderItem(c))
                wanted = header.horizontalAdvance(title->text());
            for (int row = 1; row <= n; ++row)
                if (QTableWidgetItem *item = grid->item(row, c))
                    wanted = std::max(wanted, cells.horizontalAdvance(item->text()));
            wanted += 12;
            if (grid->columnWidth(c) < wanted)
                grid->setColumnWidth(c, wanted);
        }
        grid->setCurrentCell(1, 0);
        grid->selectRow(1);
    }
    grid->setUpdatesEnabled(true);
}
