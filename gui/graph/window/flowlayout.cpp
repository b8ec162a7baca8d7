#include "gui/graph/window/flowlayout.h"

#include <QWidget>

#include <algorithm>

TFlowLayout::TFlowLayout(QWidget *parent, int hSpacing, int vSpacing)
    : QLayout(parent), m_hSpacing(hSpacing), m_vSpacing(vSpacing)
{
}

TFlowLayout::~TFlowLayout()
{
    while (QLayoutItem *item = takeAt(0))
        delete item;
}

void TFlowLayout::addItem(QLayoutItem *item)
{
    m_items.append(item);
}

QLayoutItem *TFlowLayout::takeAt(int index)
{
    return index >= 0 && index < m_items.size() ? m_items.takeAt(index) : nullptr;
}

QSize TFlowLayout::minimumSize() const
{
    QSize size;
    for (const QLayoutItem *item : m_items)
        size = size.expandedTo(item->minimumSize());
    const QMargins m = contentsMargins();
    return size + QSize(m.left() + m.right(), m.top() + m.bottom());
}

QSize TFlowLayout::sizeHint() const
{
    // One row of everything is what the strip would like.
    int width = 0, height = 0;
    for (const QLayoutItem *item : m_items) {
        if (item->isEmpty())
            continue;
        const QSize hint = item->sizeHint();
        width += hint.width() + (width ? m_hSpacing : 0);
        height = qMax(height, hint.height());
    }
    const QMargins m = contentsMargins();
    return QSize(width + m.left() + m.right(), height + m.top() + m.bottom());
}

void TFlowLayout::setGeometry(const QRect &rect)
{
    QLayout::setGeometry(rect);
    DoLayout(rect, true);
}

int TFlowLayout::DoLayout(const QRect &rect, bool apply) const
{
    const QMargins m = contentsMargins();
    const QRect area = rect.adjusted(m.left(), m.top(), -m.right(), -m.bottom());
    int y = area.y();
    QList<QLayoutItem *> row;
    int rowWidth = 0, rowHeight = 0;

    // Places one row: each item centred in the row's height; with filled rows
    // the width left over goes to the items that may grow.
    auto placeRow = [&] {
        if (apply && !row.isEmpty()) {
            int growing = 0;
            for (QLayoutItem *item : row)
                growing += (item->expandingDirections() & Qt::Horizontal) ? 1 : 0;
            const int spare = m_fillRows && growing ? std::max(0, area.width() - rowWidth) : 0;
            int x = area.x();
            int given = 0;
            for (QLayoutItem *item : row) {
                QSize size = item->sizeHint();
                if (spare && (item->expandingDirections() & Qt::Horizontal)) {
                    const int extra = spare * (given + 1) / growing - spare * given / growing;
                    size.setWidth(std::min(size.width() + extra, item->maximumSize().width()));
                    ++given;
                }
                item->setGeometry(QRect(QPoint(x, y + (rowHeight - size.height()) / 2), size));
                x += size.width() + m_hSpacing;
            }
        }
        row.clear();
    };

    for (QLayoutItem *item : m_items) {
        if (item->isEmpty())
            continue;
        const QSize hint = item->sizeHint();
        if (!row.isEmpty() && area.x() + rowWidth + m_hSpacing + hint.width() > area.right() + 1) {
            placeRow();
            y += rowHeight + m_vSpacing;
            rowWidth = 0;
            rowHeight = 0;
        }
        rowWidth += (row.isEmpty() ? 0 : m_hSpacing) + hint.width();
        rowHeight = qMax(rowHeight, hint.height());
        row << item;
    }
    placeRow();
    return y + rowHeight - rect.y() + m.bottom();
}
