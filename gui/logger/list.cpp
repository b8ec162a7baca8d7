#include "gui/logger/list.h"

#include "core/base/translation.h"
#include "gui/base/langapply.h"
#include "gui/logger/loggerhost.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// Column 0 looks like the grid's fixed column: the header's colour, no selection.
class TFixedColumnDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        painter->fillRect(option.rect, option.palette.button());
        QStyleOptionViewItem plain = option;
        plain.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
        QStyledItemDelegate::paint(painter, plain, index);
    }
};

} // namespace

const QStringList &TfrmList::Titles()
{
    static const QStringList titles{QStringLiteral("No"), QStringLiteral("Date"), QStringLiteral("Time"),
                                    QStringLiteral("%RH"), QStringLiteral("T1"), QStringLiteral("T2"),
                                    QStringLiteral("WET BULB"), QStringLiteral("DEW POINT")};
    return titles;
}

TfrmList::TfrmList(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmList"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(640, 400);

    Grid1 = new QTableWidget(1, kColumns, this);
    Grid1->setObjectName(QStringLiteral("Grid1"));
    Grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid1->setSelectionMode(QAbstractItemView::ContiguousSelection);
    Grid1->setSelectionBehavior(QAbstractItemView::SelectItems);
    Grid1->setShowGrid(true);
    Grid1->setWordWrap(false);
    Grid1->verticalHeader()->hide();
    Grid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Grid1->verticalHeader()->setMinimumSectionSize(1);
    Grid1->verticalHeader()->setDefaultSectionSize(kRowHeight);
    Grid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    Grid1->horizontalHeader()->setHighlightSections(false);
    Grid1->setItemDelegateForColumn(0, new TFixedColumnDelegate(Grid1));
    const int widths[kColumns] = {48, 80, 96, 64, 64, 64, 72, 80};
    for (int c = 0; c < kColumns; ++c)
        Grid1->setColumnWidth(c, widths[c]);

    lblUnit = new QLabel(this);
    lblUnit->setObjectName(QStringLiteral("lblUnit"));
    lblUnit->setContentsMargins(6, 2, 6, 2);
    lblUnit->hide();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(lblUnit);
    layout->addWidget(Grid1);

    siLangLinked_frmList = ApplyTranslation(this, QStringLiteral("frmList"));
    FormShow();
}

int TfrmList::RowCount() const { return Grid1->rowCount() + 1; }

void TfrmList::SetRowCount(int rows) { Grid1->setRowCount(std::max(1, rows - 1)); }

QString TfrmList::Cell(int column, int row) const
{
    if (row == 0) {
        const QTableWidgetItem *title = Grid1->horizontalHeaderItem(column);
        return title ? title->text() : QString();
    }
    const QTableWidgetItem *item = Grid1->item(row - 1, column);
    return item ? item->text() : QString();
}

void TfrmList::SetCell(int column, int row, const QString &text)
{
    if (row == 0) {
        Grid1->setHorizontalHeaderItem(column, new QTableWidgetItem(text));
        return;
    }
    if (QTableWidgetItem *item = Grid1->item(row - 1, column)) {
        item->setText(text);
        return;
    }
    auto *item = new QTableWidgetItem(text);
    if (column == 0)
        item->setFlags(Qt::ItemIsEnabled);
    Grid1->setItem(row - 1, column, item);
}

QStringList TfrmList::DataCells(int row) const
{
    QStringList cells;
    for (int c = 1; c < Grid1->columnCount(); ++c)
        cells << Cell(c, row);
    return cells;
}

QStringList TfrmList::RowCells(int row) const
{
    QStringList cells;
    for (int c = 0; c < Grid1->columnCount(); ++c)
        cells << Cell(c, row);
    return cells;
}

void TfrmList::SetUnit(const QString &unit)
{
    m_unit = unit;
    lblUnit->setText(AddedText("Temperatures in %1").arg(unit));
    lblUnit->setVisible(!unit.isEmpty());
}

void TfrmList::FitColumnsToContents()
{
    // Texts of one column differ in their digits only: a sample of rows
    // spread over the table finds the widest without measuring them all.
    const int rows = Grid1->rowCount();
    const int step = std::max(1, rows / 200);
    const QFontMetrics cells(Grid1->font());
    const QFontMetrics titles(Grid1->horizontalHeader()->font());
    for (int c = 1; c < Grid1->columnCount(); ++c) {
        int widest = titles.horizontalAdvance(Cell(c, 0));
        for (int r = 0; r < rows; r += step) {
            if (const QTableWidgetItem *item = Grid1->item(r, c))
                widest = std::max(widest, cells.horizontalAdvance(item->text()));
        }
        if (rows > 0)
            if (const QTableWidgetItem *item = Grid1->item(rows - 1, c))
                widest = std::max(widest, cells.horizontalAdvance(item->text()));
        Grid1->setColumnWidth(c, std::max(Grid1->columnWidth(c), widest + 16));
    }
}

void TfrmList::Embed()
{
    if (ILoggerHost *host = LoggerHost()) {
        host->AddChildWindow(this);
        if (QWidget *frame = parentWidget()) {
            // Wide enough for every column, as high as the frame allows.
            const QWidget *area = frame->parentWidget();
            const int height = area ? std::min(area->height(), 480) : 480;
            frame->resize(std::max(frame->width(), 660), std::max(frame->height(), height));
            if (area && frame->y() + frame->height() > area->height())
                frame->move(frame->x(), std::max(0, area->height() - frame->height()));
            frame->show();
        }
        for (QWidget *w = parentWidget(); w && !m_watchedArea; w = w->parentWidget())
            if (auto *area = qobject_cast<QMdiArea *>(w))
                WatchActivation(area);
    }
    show();
}

void TfrmList::FormShow()
{
    const QStringList &titles = Titles();
    for (int c = 0; c < kColumns; ++c)
        SetCell(c, 0, titles.at(c));
}

void TfrmList::FormActivate()
{
    if (ILoggerHost *host = LoggerHost())
        host->SetOutputToGraphEnabled(true);
}

void TfrmList::WatchActivation(QMdiArea *area)
{
    if (m_watchedArea || !area)
        return;
    m_watchedArea = area;
    connect(area, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow *sw) {
        if (sw && sw->widget() == this)
            FormActivate();
    });
    if (auto *sw = qobject_cast<QMdiSubWindow *>(parentWidget()); sw && area->activeSubWindow() == sw)
        FormActivate();
}

void TfrmList::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    FormShow();
    for (QWidget *w = parentWidget(); w && !m_watchedArea; w = w->parentWidget())
        if (auto *area = qobject_cast<QMdiArea *>(w))
            WatchActivation(area);
}

void TfrmList::closeEvent(QCloseEvent *event)
{
    // The window and its sub-window free themselves.
    event->accept();
}
