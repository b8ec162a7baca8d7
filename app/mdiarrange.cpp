#include "app/mdiarrange.h"

#include <algorithm>

namespace {

QSize Bounded(const QSize &size, const TMdiWindowLimits &w)
{
    return size.boundedTo(w.maximum).expandedTo(w.minimum);
}

} // namespace

QVector<QRect> TileWindowRects(const QRect &area, const QVector<TMdiWindowLimits> &windows, int minHeight)
{
    QVector<QRect> rects(windows.size());
    QVector<int> fixed, others;
    for (int i = 0; i < windows.size(); ++i)
        (windows[i].FixedWidth() ? fixed : others) << i;

    // The fixed-width windows, one above the other at the left.
    int column = 0;
    for (int k = 0; k < fixed.size(); ++k) {
        const TMdiWindowLimits &w = windows[fixed[k]];
        const int top = area.top() + area.height() * k / fixed.size();
        const int bottom = area.top() + area.height() * (k + 1) / fixed.size();
        const QSize size = Bounded(QSize(w.minimum.width(), bottom - top), w);
        rects[fixed[k]] = QRect(QPoint(area.left(), top), size);
        column = std::max(column, size.width());
    }

    const int n = int(others.size());
    if (n == 0)
        return rects;
    int widest = 1;
    for (int i : others)
        widest = std::max(widest, windows[i].minimum.width());

    // The others share what is left, or the whole area when too little is left.
    QRect rest = area.adjusted(column, 0, 0, 0);
    if (rest.width() < std::max(widest, area.width() / 4))
        rest = area;
    // One above the other while each keeps minHeight, in as few columns as
    // that needs; never more columns than the windows' minimum widths allow.
    int perColumn = std::clamp(rest.height() / std::max(1, minHeight), 1, n);
    int columns = (n + perColumn - 1) / perColumn;
    const int fitting = std::max(1, rest.width() / widest);
    if (columns > fitting) {
        columns = fitting;
        perColumn = (n + columns - 1) / columns;
    }
    int index = 0;
    for (int c = 0; c < columns; ++c) {
        // Spread the windows evenly: the first columns take one more when they do not divide.
        const int inColumn = n / columns + (c < n % columns ? 1 : 0);
        const int left = rest.left() + rest.width() * c / columns;
        const int right = rest.left() + rest.width() * (c + 1) / columns;
        for (int r = 0; r < inColumn; ++r, ++index) {
            const int top = rest.top() + rest.height() * r / inColumn;
            const int bottom = rest.top() + rest.height() * (r + 1) / inColumn;
            const TMdiWindowLimits &w = windows[others[index]];
            rects[others[index]] = QRect(QPoint(left, top), Bounded(QSize(right - left, bottom - top), w));
        }
    }
    return rects;
}

QVector<QRect> CascadeWindowRects(const QRect &area, const QVector<TMdiWindowLimits> &windows, int step)
{
    QVector<QRect> rects(windows.size());
    const int n = int(windows.size());
    if (n == 0)
        return rects;
    step = std::max(1, step);
    const QSize smallest(area.width() * 2 / 3, area.height() * 2 / 3);
    const QSize shared = QSize(area.width() - (n - 1) * step, area.height() - (n - 1) * step).expandedTo(smallest);
    QPoint offset(0, 0);
    for (int i = 0; i < n; ++i) {
        const TMdiWindowLimits &w = windows[i];
        const QSize size = w.FixedWidth() ? Bounded(QSize(w.minimum.width(), std::min(w.maximum.height(), area.height())), w)
                                          : Bounded(shared, w);
        // Start again at the corner when this window would leave the area.
        if (offset != QPoint(0, 0)
            && (offset.x() + size.width() > area.width() || offset.y() + size.height() > area.height()))
            offset = QPoint(0, 0);
        rects[i] = QRect(area.topLeft() + offset, size);
        offset += QPoint(step, step);
    }
    return rects;
}
