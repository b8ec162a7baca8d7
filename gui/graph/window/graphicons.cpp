#include "gui/graph/window/graphicons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

void DrawStats(QPainter &p)
{
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.drawLine(3, 20, 21, 20);
    const QColor bars[] = {QColor(0, 120, 215), QColor(220, 60, 40), QColor(40, 160, 60)};
    const int heights[] = {9, 15, 6};
    for (int i = 0; i < 3; ++i) {
        p.setBrush(bars[i]);
        p.drawRect(5 + i * 6, 20 - heights[i], 4, heights[i]);
    }
}

void DrawLineStats(QPainter &p)
{
    p.setPen(QPen(QColor(0, 0, 200), 2));
    p.drawLine(12, 2, 12, 22);
    p.setPen(QPen(QColor(200, 0, 0), 1.5));
    QPainterPath path;
    path.moveTo(2, 16);
    path.cubicTo(8, 2, 14, 22, 22, 8);
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

void DrawArrow(QPainter &p)
{
    QPolygonF arrow({QPointF(6, 3), QPointF(6, 19), QPointF(10, 15), QPointF(13, 21),
                     QPointF(15.5, 20), QPointF(12.5, 14), QPointF(18, 14)});
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawPolygon(arrow);
}

void DrawCross(QPainter &p)
{
    p.setPen(QPen(QColor(200, 0, 0), 2.5));
    p.drawLine(5, 5, 19, 19);
    p.drawLine(5, 19, 19, 5);
}

void DrawText(QPainter &p)
{
    QFont f(QStringLiteral("DejaVu Serif"));
    f.setPixelSize(18);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(30, 30, 30));
    p.drawText(QRect(0, 0, 24, 24), Qt::AlignCenter, QStringLiteral("A"));
}

void DrawColor(QPainter &p)
{
    const QColor colors[] = {QColor(230, 40, 40), QColor(40, 180, 40), QColor(40, 80, 230), QColor(240, 200, 0)};
    p.setPen(QPen(QColor(60, 60, 60), 1));
    for (int i = 0; i < 4; ++i) {
        p.setBrush(colors[i]);
        p.drawRect(3 + (i % 2) * 9, 3 + (i / 2) * 9, 8, 8);
    }
}

void DrawClear(QPainter &p)
{
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(QColor(250, 250, 250));
    p.drawRect(3, 3, 18, 18);
    p.setPen(QPen(QColor(200, 0, 0), 2.5));
    p.drawLine(8, 8, 16, 16);
    p.drawLine(8, 16, 16, 8);
}

void DrawUndoZoom(QPainter &p)
{
    p.setPen(QPen(QColor(50, 50, 50), 2));
    p.setBrush(QColor(220, 235, 255));
    p.drawEllipse(QPointF(10, 10), 7, 7);
    p.setPen(QPen(QColor(50, 50, 50), 3));
    p.drawLine(15, 15, 21, 21);
    p.setPen(QPen(QColor(0, 0, 0), 2));
    p.drawLine(6, 10, 14, 10);
}

} // namespace

QIcon GraphToolIcon(const QString &name)
{
    QPixmap pix(24, 24);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    if (name == QLatin1String("stats")) DrawStats(p);
    else if (name == QLatin1String("linestats")) DrawLineStats(p);
    else if (name == QLatin1String("arrow")) DrawArrow(p);
    else if (name == QLatin1String("cross")) DrawCross(p);
    else if (name == QLatin1String("text")) DrawText(p);
    else if (name == QLatin1String("color")) DrawColor(p);
    else if (name == QLatin1String("clear")) DrawClear(p);
    else if (name == QLatin1String("undozoom")) DrawUndoZoom(p);
    p.end();
    return QIcon(pix);
}

QCursor GraphCrossCursor()
{
    QPixmap pix(31, 31);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setPen(QPen(Qt::white, 3));
    p.drawLine(15, 2, 15, 28);
    p.drawLine(2, 15, 28, 15);
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(15, 2, 15, 28);
    p.drawLine(2, 15, 28, 15);
    p.end();
    return QCursor(pix, 15, 15);
}
