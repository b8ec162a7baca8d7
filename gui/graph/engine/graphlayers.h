#pragma once
// What the graph view draws over QCustomPlot's own items: the graph and line
// annotations and the table annotation, each one layerable of the plot.

#include "core/graph/graphmodel.h"
#include "gui/graph/engine/graphview.h"
#include "gui/graph/engine/graphenums.h"

#include <QFont>
#include <QString>

#include <algorithm>
#include <cmath>

// A font at `percent` of its size (never below 4 points).
inline QFont scaledFont(const QFont &font, int percent)
{
    QFont f = font;
    const double size = f.pointSizeF() > 0 ? f.pointSizeF() : 9.0;
    f.setPointSizeF(std::max(4.0, size * percent / 100.0));
    return f;
}

// Line ends of a stored text as the screen draws them.
inline QString displayText(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// ---- graph and line annotations -------------------------------------------

class TAnnotationLayerable : public QCPLayerable
{
public:
    TAnnotationLayerable(QCustomPlot *plot, TGraphView *view)
        : QCPLayerable(plot, QStringLiteral("annotations")), view(view) {}

    struct Hit {
        int index;
        QRectF rect;
    };
    QVector<Hit> hits;

protected:
    void applyDefaultAntialiasingHint(QCPPainter *painter) const override
    {
        applyAntialiasingHint(painter, true, QCP::aeItems);
    }

    void draw(QCPPainter *painter) override
    {
        hits.clear();
        const TGraphModel &m = view->model();
        if (view->rectCount() == 0)
            return;
        if (m.showLineAnnotations)
            drawLines(painter, m);
        if (m.showAnnotations)
            drawAnnotations(painter, m);
    }

private:
    void drawLines(QCPPainter *painter, const TGraphModel &m)
    {
        QCPAxisRect *first = view->axisRect(0);
        const QFont font = scaledFont(m.labelFont, m.lineAnnotationTextSize);
        for (const TLineAnnotation &line : m.lineAnnotations) {
            if (line.x == 0 && line.text.isEmpty())
                continue;
            const double px = first->axis(QCPAxis::atBottom)->coordToPixel(line.x);
            if (px < first->left() || px > first->right())
                continue;
            painter->save();
            painter->setPen(QPen(line.color, 1, Qt::DashLine));
            for (int a = 0; a < view->rectCount(); ++a) {
                QCPAxisRect *r = view->axisRect(a);
                painter->drawLine(QPointF(px, r->top()), QPointF(px, r->bottom()));
            }
            if (!line.text.isEmpty()) {
                painter->setFont(font);
                painter->drawText(QPointF(px + 3, first->top() + QFontMetrics(font).ascent() + 2),
                                  displayText(line.text));
            }
            painter->restore();
        }
    }

    void drawAnnotations(QCPPainter *painter, const TGraphModel &m)
    {
        QCPAxisRect *r = view->axisRect(0);
        const QRect area = r->rect();
        const QFont font = scaledFont(m.labelFont, m.annotationTextSize);
        const QFontMetrics fm(font);
        painter->save();
        painter->setClipRect(area);
        painter->setFont(font);
        for (int i = 0; i < m.annotations.size(); ++i) {
            const TGraphAnnotation &a = m.annotations[i];
            // (0, 0) is where annotations are put out of sight.
            if (a.x == 0 && a.y == 0)
                continue;
            if (a.type == TGraphEnums::AnnotNoSymbol && a.text.isEmpty())
                continue;
            const double px = r->axis(QCPAxis::atBottom)->coordToPixel(a.x);
            const double py = r->axis(QCPAxis::atLeft)->coordToPixel(a.y);
            if (!std::isfinite(px) || !std::isfinite(py) || !QRectF(area).adjusted(-1, -1, 1, 1).contains(px, py))
                continue;
            QRectF hit;
            double textLeft = px;
            if (a.type != TGraphEnums::AnnotNoSymbol) {
                const double s = 5;
                painter->setPen(QPen(a.color, 2));
                painter->setBrush(Qt::NoBrush);
                const QPointF c(px, py);
                switch (a.type) {
                case TGraphEnums::AnnotPlus:
                    painter->drawLine(c + QPointF(-s, 0), c + QPointF(s, 0));
                    painter->drawLine(c + QPointF(0, -s), c + QPointF(0, s));
                    break;
                case TGraphEnums::AnnotCross:
                    painter->drawLine(c + QPointF(-s, -s), c + QPointF(s, s));
                    painter->drawLine(c + QPointF(-s, s), c + QPointF(s, -s));
                    break;
                case TGraphEnums::AnnotDot:
                    painter->setBrush(a.color);
                    painter->drawEllipse(c, 3, 3);
                    break;
                case TGraphEnums::AnnotSquare:
                    painter->drawRect(QRectF(px - s, py - s, 2 * s, 2 * s));
                    break;
                case TGraphEnums::AnnotCircle:
                    painter->drawEllipse(c, s, s);
                    break;
                case TGraphEnums::AnnotTriangle:
                    painter->drawPolygon(QPolygonF({c + QPointF(0, -s), c + QPointF(s, s), c + QPointF(-s, s)}));
                    break;
                default:
                    painter->drawPolygon(QPolygonF({c + QPointF(0, -s), c + QPointF(s, 0), c + QPointF(0, s), c + QPointF(-s, 0)}));
                    break;
                }
                hit = QRectF(px - s - 2, py - s - 2, 2 * s + 4, 2 * s + 4);
                textLeft = px + s + 3;
            }
            if (!a.text.isEmpty()) {
                const QString text = displayText(a.text);
                const QRect bounds = fm.boundingRect(QRect(0, 0, 4000, 4000), Qt::AlignLeft | Qt::AlignTop, text);
                const QRectF textRect(textLeft, py - bounds.height() / 2.0, bounds.width() + 2, bounds.height());
                painter->setPen(a.color);
                painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop, text);
                hit = hit.isNull() ? textRect : hit.united(textRect);
            }
            hits.append({i, hit});
        }
        painter->restore();
    }

    TGraphView *view;
};

// ---- the table annotation ---------------------------------------------------

class TTableLayerable : public QCPLayerable
{
public:
    TTableLayerable(QCustomPlot *plot, TGraphView *view)
        : QCPLayerable(plot, QStringLiteral("annotations")), view(view) {}
    QRect drawn;

protected:
    void applyDefaultAntialiasingHint(QCPPainter *painter) const override
    {
        applyAntialiasingHint(painter, false, QCP::aeItems);
    }

    void draw(QCPPainter *painter) override
    {
        drawn = QRect();
        const TGraphModel &m = view->model();
        const TTableAnnotation &t = m.table;
        if (!t.show || t.rows <= 0 || t.columns <= 0 || view->rectCount() == 0)
            return;
        const QFont font = scaledFont(m.labelFont, t.textSize);
        const QFontMetrics fm(font);
        const int pad = 4;
        QVector<int> widths(t.columns, 0);
        for (int r = 0; r < t.rows; ++r)
            for (int c = 0; c < t.columns; ++c)
                widths[c] = std::max(widths[c], fm.horizontalAdvance(t.texts[r * t.columns + c]));
        int width = 0;
        for (int &w : widths) {
            w += 2 * pad;
            width += w;
        }
        const int rowHeight = fm.height() + 2;
        const int height = rowHeight * t.rows + 2 * pad;
        width += 2 * pad;

        // Pixel placement from the plot area's top-left, kept inside the widget.
        const QRect area = view->plotAreaRect();
        const QRect viewport = mParentPlot->viewport();
        QPoint topLeft = area.topLeft() + t.location;
        topLeft.setX(std::clamp(topLeft.x(), viewport.left(), std::max(viewport.left(), viewport.right() - width)));
        topLeft.setY(std::clamp(topLeft.y(), viewport.top(), std::max(viewport.top(), viewport.bottom() - height)));
        const QRect box(topLeft, QSize(width, height));

        painter->save();
        painter->setPen(Qt::NoPen);
        painter->setBrush(t.backColor);
        painter->drawRect(box);
        if (t.border == TGraphEnums::TABorderLine) {
            painter->setPen(QPen(m.textColor, 1));
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(box.adjusted(0, 0, -1, -1));
        } else if (t.border == TGraphEnums::TABorderInset) {
            // Sunk: dark on the top and left edges, light on the bottom and right.
            painter->setPen(QPen(QColor(96, 96, 96), 2));
            painter->drawLine(box.topLeft(), box.topRight());
            painter->drawLine(box.topLeft(), box.bottomLeft());
            painter->setPen(QPen(QColor(240, 240, 240), 2));
            painter->drawLine(box.bottomLeft(), box.bottomRight());
            painter->drawLine(box.topRight(), box.bottomRight());
        }
        painter->setFont(font);
        int y = box.top() + pad;
        for (int r = 0; r < t.rows; ++r) {
            int x = box.left() + pad;
            for (int c = 0; c < t.columns; ++c) {
                QFont cellFont = font;
                cellFont.setBold((t.headerRows && r == 0) || (t.headerColumn && c == 0));
                painter->setFont(cellFont);
                painter->setPen(t.colors[r * t.columns + c]);
                painter->drawText(QRect(x + pad, y, widths[c] - pad, rowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                                  t.texts[r * t.columns + c]);
                x += widths[c];
            }
            y += rowHeight;
        }
        painter->restore();
        drawn = box;
    }

private:
    TGraphView *view;
};
