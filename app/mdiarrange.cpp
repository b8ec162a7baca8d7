#include "app/mdiarrange.h"

#include <algorithm>

namespace {

QSize Bounded(const QSize &size, const TMdiWindowLimits &w)
{
    return size.boundedTo(w.maximum).expandedTo(w.minimum);
}

bool InColumn(const TMdiWindowLimits &w)
{
    return w.FixedWidth() || !w.natural.isEmpty();
}

// The windows of the left column, one above the other in `height` pixels;
// returns the column's width.
int PlaceColumn(const QRect &area, int height, const QVector<TMdiWindowLimits> &windows, const QVector<int> &column,
                QVector<QRect> &rects)
{
    int width = 0;
    for (int k = 0; k < column.size(); ++k) {
        const TMdiWindowLimits &w = windows[column[k]];
        const int top = area.top() + height * k / column.size();
        const int bottom = area.top() + height * (k + 1) / column.size();
        int h = bottom - top;
        int wide = w.minimum.width();
        if (!w.natural.isEmpty()) {
            // A window that scales keeps its proportions, never larger than its full size.
            h = std::min(h, w.natural.height());
            wide = w.natural.width() * h / w.natural.height();
        }
        const QSize size = Bounded(QSize(wide, h), w);
        rects[column[k]] = QRect(QPoint(area.left(), top), size);
        width = std::max(width, size.width());
    }
    return width;
}

// Windows in a row, side by side across `band`.
void PlaceRow(const QRect &band, const QVector<TMdiWindowLimits> &windows, const QVector<int> &row,
              QVector<QRect> &rects)
{
    for (int k = 0; k < row.size(); ++k) {
        const int left = band.left() + band.width() * k / row.size();
        const int right = band.left() + band.width() * (k + 1) / row.size();
        rects[row[k]] = QRect(QPoint(left, band.top()), Bounded(QSize(right - left, band.height()), windows[row[k]]));
    }
}

// The graphs in as few columns as let each show its content whole in
// `height`; false when no number of columns does.
bool PlaceWanting(const QRect &rest, int height, const QVector<TMdiWindowLimits> &windows, const QVector<int> &wanting,
                  QVector<QRect> &rects, int *used)
{
    const int n = int(wanting.size());
    for (int columns = 1; columns <= n; ++columns) {
        const int perColumn = (n + columns - 1) / columns;
        int need = 0;
        for (int c = 0, index = 0; c < columns; ++c) {
            const int width = rest.width() / columns;
            int sum = 0;
            for (int r = 0; r < perColumn && index < n; ++r, ++index) {
                const TMdiWindowLimits &w = windows[wanting[index]];
                sum += std::max(w.minimum.height(), w.wanted(width));
                if (width < w.minimum.width())
                    sum = height + 1;
            }
            need = std::max(need, sum);
        }
        if (need > height)
            continue;
        for (int c = 0, index = 0; c < columns; ++c) {
            const int left = rest.left() + rest.width() * c / columns;
            const int right = rest.left() + rest.width() * (c + 1) / columns;
            const int inColumn = std::min(perColumn, n - index);
            for (int r = 0; r < inColumn; ++r, ++index) {
                const int top = rest.top() + need * r / inColumn;
                const int bottom = rest.top() + need * (r + 1) / inColumn;
                rects[wanting[index]] = QRect(QPoint(left, top), Bounded(QSize(right - left, bottom - top), windows[wanting[index]]));
            }
        }
        *used = need;
        return true;
    }
    return false;
}

} // namespace

QVector<QRect> TileWindowRects(const QRect &area, const QVector<TMdiWindowLimits> &windows, int minHeight)
{
    QVector<QRect> rects(windows.size());
    QVector<int> fixed, others, wanting, plain;
    for (int i = 0; i < windows.size(); ++i) {
        (InColumn(windows[i]) ? fixed : others) << i;
        if (!InColumn(windows[i]))
            (windows[i].wanted ? wanting : plain) << i;
    }

    // The fixed-width windows, one above the other at the left.
    int column = PlaceColumn(area, area.height(), windows, fixed, rects);

    // Windows that need a height to show their content whole (graphs) get it
    // first, side by side when the area is low; the others (tables) share the
    // rest below them, or below the left column, its windows scaled down.
    if (!wanting.isEmpty()) {
        int plainHeight = 0;
        for (int i : plain)
            plainHeight = std::max(plainHeight, windows[i].minimum.height());
        const QRect rest = area.adjusted(column, 0, 0, 0);
        int used = 0;
        if (PlaceWanting(rest, rest.height() - plainHeight, windows, wanting, rects, &used)) {
            if (plain.isEmpty()) {
                // Alone, the graphs take the whole height.
                PlaceWanting(rest, rest.height(), windows, wanting, rects, &used);
                for (int i : wanting)
                    rects[i].setHeight(Bounded(QSize(rects[i].width(), rects[i].height() * rest.height() / std::max(1, used)), windows[i]).height());
            } else {
                PlaceRow(QRect(rest.left(), rest.top() + used, rest.width(), rest.height() - used), windows, plain, rects);
            }
            return rects;
        }
        if (!fixed.isEmpty() && !plain.isEmpty()) {
            int below = area.height() / 4;
            for (int i : plain)
                below = std::max(below, windows[i].minimum.height());
            column = PlaceColumn(area, area.height() - below, windows, fixed, rects);
            for (int i : plain)
                column = std::max(column, windows[i].minimum.width());
            const QRect under(area.left(), area.bottom() + 1 - below, column, below);
            for (int k = 0; k < plain.size(); ++k) {
                const int top = under.top() + below * k / plain.size();
                const int bottom = under.top() + below * (k + 1) / plain.size();
                rects[plain[k]] = QRect(QPoint(under.left(), top), Bounded(QSize(column, bottom - top), windows[plain[k]]));
            }
            const QRect graphs = area.adjusted(column, 0, 0, 0);
            if (PlaceWanting(graphs, graphs.height(), windows, wanting, rects, &used)) {
                for (int i : wanting)
                    rects[i].setHeight(graphs.height());
                return rects;
            }
            column = PlaceColumn(area, area.height(), windows, fixed, rects);
        }
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
        QSize size = w.FixedWidth() ? Bounded(QSize(w.minimum.width(), std::min(w.maximum.height(), area.height())), w)
                                    : Bounded(shared, w);
        if (!w.natural.isEmpty()) {
            const int h = std::min(w.natural.height(), area.height());
            size = Bounded(QSize(w.natural.width() * h / w.natural.height(), h), w);
        }
        // Start again at the corner when this window would leave the area.
        if (offset != QPoint(0, 0)
            && (offset.x() + size.width() > area.width() || offset.y() + size.height() > area.height()))
            offset = QPoint(0, 0);
        rects[i] = QRect(area.topLeft() + offset, size);
        offset += QPoint(step, step);
    }
    return rects;
}
