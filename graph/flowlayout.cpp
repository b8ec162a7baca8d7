#include "graph/flowlayout.h"

#include <QWidget>

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
    int x = area.x();
    int y = area.y();
    int rowHeight = 0;
    for (QLayoutItem *item : m_items) {
        if (item->isEmpty())
            continue;
        const QSize hint = item->sizeHint();
        if (x > area.x() && x + hint.width() > area.right() + 1) {
            x = area.x();
            y += rowHeight + m_vSpacing;
            rowHeight = 0;
        }
        if (apply)
            item->setGeometry(QRect(QPoint(x, y), hint));
        x += hint.width() + m_hSpacing;
        rowHeight = qMax(rowHeight, hint.height());
    }
    return y + rowHeight - rect.y() + m.bottom();
}
