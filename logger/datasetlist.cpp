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

QStringList DataSetRowTexts(const TDataSet &set, int index)
{
    static const char *couples = "KJETNRS";
    const bool knownCouple = set.coupleType >= 0 && set.coupleType <= 6;
    return {QString::number(index + 1),
            LocaleUtil::ShortDate(set.startTime),
            DateTimeUtil::FromDays(set.startTime).toString(QStringLiteral("HH:mm:ss")),
            DataSetRateText(set.intervalSeconds),
            QString::number(set.recordCount),
            set.unitCode <= 2 ? QString(QLatin1Char("FCK"[set.unitCode])) : QString(),
            QString(QLatin1Char(knownCouple ? couples[set.coupleType] : 'K')),
            DataSetOffsetText(set.rhOffset, set.unitCode, false),
            DataSetOffsetText(set.t1Offset, set.unitCode, true),
            DataSetOffsetText(set.t2Offset, set.unitCode, true)};
}

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
