#include "gui/base/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

void DrawOpen(QPainter &p)
{
    p.setPen(QPen(QColor(120, 90, 20), 1.5));
    p.setBrush(QColor(240, 200, 90));
    QPainterPath back;
    back.moveTo(4, 8); back.lineTo(12, 8); back.lineTo(14, 11); back.lineTo(26, 11);
    back.lineTo(26, 26); back.lineTo(4, 26); back.closeSubpath();
    p.drawPath(back);
    p.setBrush(QColor(250, 222, 130));
    QPainterPath front;
    front.moveTo(4, 26); front.lineTo(9, 15); front.lineTo(30, 15); front.lineTo(26, 26);
    front.closeSubpath();
    p.drawPath(front);
}

void DrawSave(QPainter &p)
{
    p.setPen(QPen(QColor(20, 40, 90), 1.5));
    p.setBrush(QColor(60, 100, 180));
    p.drawRoundedRect(QRectF(5, 5, 22, 22), 2, 2);
    p.setBrush(QColor(235, 235, 235));
    p.drawRect(QRectF(9, 5, 14, 9));
    p.setBrush(QColor(40, 40, 40));
    p.drawRect(QRectF(10, 18, 12, 9));
    p.fillRect(QRectF(18, 6.5, 3, 6), QColor(60, 100, 180));
}

void DrawPrint(QPainter &p)
{
    p.setPen(QPen(QColor(50, 50, 50), 1.5));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(10, 4, 12, 9));
    p.setBrush(QColor(150, 150, 155));
    p.drawRoundedRect(QRectF(4, 12, 24, 11), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(9, 19, 14, 9));
    p.setPen(QPen(QColor(120, 120, 120), 1));
    p.drawLine(QPointF(11, 23), QPointF(21, 23));
    p.drawLine(QPointF(11, 25.5), QPointF(19, 25.5));
    p.fillRect(QRectF(23, 14, 3, 2), QColor(60, 200, 60));
}

void DrawLogger(QPainter &p)
{
    // A memory chip with an arrow coming out of it.
    p.setPen(QPen(QColor(30, 30, 30), 1.2));
    p.setBrush(QColor(60, 60, 66));
    p.drawRect(QRectF(7, 4, 14, 18));
    for (int i = 0; i < 4; ++i) {
        p.drawLine(QPointF(4, 7 + i * 4), QPointF(7, 7 + i * 4));
        p.drawLine(QPointF(21, 7 + i * 4), QPointF(24, 7 + i * 4));
    }
    p.setPen(QPen(QColor(0, 130, 0), 2.5));
    p.drawLine(QPointF(14, 20), QPointF(14, 29));
    p.setBrush(QColor(0, 130, 0));
    p.setPen(Qt::NoPen);
    QPolygonF head{QPointF(9, 24), QPointF(19, 24), QPointF(14, 30)};
    p.drawPolygon(head);
}

void DrawToGraph(QPainter &p)
{
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3, 4, 12, 14));
    for (int i = 0; i < 4; ++i)
        p.drawLine(QPointF(3, 7.5 + i * 3.5), QPointF(15, 7.5 + i * 3.5));
    p.drawLine(QPointF(9, 4), QPointF(9, 18));
    p.setPen(QPen(QColor(40, 40, 40), 1.2));
    p.drawLine(QPointF(16, 28), QPointF(29, 28));
    p.drawLine(QPointF(16, 28), QPointF(16, 15));
    p.setPen(QPen(QColor(200, 30, 30), 2));
    p.drawPolyline(QPolygonF{QPointF(17, 25), QPointF(20, 20), QPointF(24, 23), QPointF(28, 16)});
}

void DrawRun(QPainter &p)
{
    p.setPen(QPen(QColor(0, 90, 0), 1.5));
    p.setBrush(QColor(40, 170, 40));
    p.drawPolygon(QPolygonF{QPointF(9, 5), QPointF(27, 16), QPointF(9, 27)});
}

void DrawStop(QPainter &p)
{
    p.setPen(QPen(QColor(120, 0, 0), 1.5));
    p.setBrush(QColor(210, 40, 40));
    p.drawRoundedRect(QRectF(7, 7, 18, 18), 2, 2);
}

void DrawBluetooth(QPainter &p, bool search)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 90, 200));
    p.drawRoundedRect(QRectF(4, 3, 16, 24), 8, 8);
    p.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF{QPointF(8, 10), QPointF(16, 18), QPointF(12, 22), QPointF(12, 8),
                             QPointF(16, 12), QPointF(8, 20)});
    if (search) {
        p.setPen(QPen(QColor(40, 40, 40), 2.2));
        p.setBrush(QColor(255, 255, 255, 170));
        p.drawEllipse(QRectF(16, 15, 9, 9));
        p.drawLine(QPointF(24, 23), QPointF(29, 28));
    } else {
        p.setPen(QPen(QColor(210, 30, 30), 2.8, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(19, 18), QPointF(28, 27));
        p.drawLine(QPointF(28, 18), QPointF(19, 27));
    }
}

} // namespace

QIcon ToolIcon(const QString &name)
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    if (name == QLatin1String("open")) DrawOpen(p);
    else if (name == QLatin1String("save")) DrawSave(p);
    else if (name == QLatin1String("print")) DrawPrint(p);
    else if (name == QLatin1String("logger")) DrawLogger(p);
    else if (name == QLatin1String("tograph")) DrawToGraph(p);
    else if (name == QLatin1String("run")) DrawRun(p);
    else if (name == QLatin1String("stop")) DrawStop(p);
    else if (name == QLatin1String("search")) DrawBluetooth(p, true);
    else if (name == QLatin1String("disconnect")) DrawBluetooth(p, false);
    p.end();
    return QIcon(pm);
}

QPixmap MeterEmblem(const QSize &size)
{
    // Drawn on a 40 x 92 design and scaled: a dark body, a lit display and keys.
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal scale = qMin(size.width() / 44.0, size.height() / 96.0);
    p.translate((size.width() - 44 * scale) / 2, (size.height() - 96 * scale) / 2);
    p.scale(scale, scale);
    QPainterPath body;
    body.addRoundedRect(QRectF(2, 2, 40, 92), 8, 8);
    p.fillPath(body, QColor(40, 44, 48));
    p.fillRect(QRectF(8, 10, 28, 30), QColor(196, 208, 180));
    p.setPen(QColor(30, 30, 30));
    QFont f;
    f.setPixelSize(9);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRectF(8, 10, 28, 30), Qt::AlignCenter, QStringLiteral("88.8"));
    p.setBrush(QColor(90, 96, 104));
    p.setPen(Qt::NoPen);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 2; ++c)
            p.drawRoundedRect(QRectF(9 + c * 14, 48 + r * 14, 11, 9), 2, 2);
    p.end();
    return pm;
}
