#include "logger/datasetlist.h"

#include "app/datetime.h"
#include "logger/datasets.h"

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

QString DataSetRateText(int intervalSeconds)
{
    const QChar zero(QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(intervalSeconds / 60, 2, 10, zero).arg(intervalSeconds % 60, 2, 10, zero);
}

QString DataSetOffsetText(int storedByte, int unitCode, bool temperature)
{
    // The byte is a signed count of tenths: of %RH, or of degF for the two
    // temperatures, shown as a difference in degC unless the set is in degF.
    const int tenths = int(int8_t(uint8_t(storedByte)));
    const double value = !temperature || unitCode == 0 ? tenths * 0.1 : tenths * 5 / 90.0;
    return LocaleUtil::Fixed1(value);
}

void FillDataSetList(QTableWidget *grid, const TLoggerStore &store)
{
    if (!grid)
        return;
    static const char *couples = "KJETNRS";
    const int n = store.DataSets.size();
    grid->setUpdatesEnabled(false);
    grid->setRowCount(n + 1);
    for (int i = 0; i < n; ++i) {
        const TDataSet &set = store.DataSets.at(i);
        const int row = i + 1;
        SetCell(grid, row, 0, QString::number(i + 1));
        SetCell(grid, row, 1, LocaleUtil::ShortDate(set.startTime));
        SetCell(grid, row, 2, DateTimeUtil::FromDays(set.startTime).toString(QStringLiteral("HH:mm:ss")));
        SetCell(grid, row, 3, DataSetRateText(set.intervalSeconds));
        SetCell(grid, row, 4, QString::number(set.recordCount));
        if (set.unitCode <= 2)
            SetCell(grid, row, 5, QString(QLatin1Char("FCK"[set.unitCode])));
        const bool knownCouple = set.coupleType >= 0 && set.coupleType <= 6;
        SetCell(grid, row, 6, QString(QLatin1Char(knownCouple ? couples[set.coupleType] : 'K')));
        SetCell(grid, row, 7, DataSetOffsetText(set.rhOffset, set.unitCode, false));
        SetCell(grid, row, 8, DataSetOffsetText(set.t1Offset, set.unitCode, true));
        SetCell(grid, row, 9, DataSetOffsetText(set.t2Offset, set.unitCode, true));
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
