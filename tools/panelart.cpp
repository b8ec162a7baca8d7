// Draws the artwork of the virtual front panel and writes it into a folder:
// the meter picture and the indicator pictures (JPEG) and the 50 digit glyphs
// (16-colour bitmaps, "LCD0".."LCD24" and "LCDS0".."LCDS24").
//
//   qm738-panelart <output folder>
//
// The files under resources/panel/ are this program's output; run it again
// after changing a drawing and commit the result.

#include <QColor>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>

#include <cmath>
#include <cstdio>
#include <functional>

namespace {

// Where the picture sits in the panel's client area: every coordinate below is
// a client coordinate, the picture is drawn shifted left by this much.
constexpr int PictureLeft = 7;
constexpr int PictureWidth = 314;
constexpr int PictureHeight = 716;

// The LCD glass, in client coordinates.
const QRectF Glass(42, 84, 250, 308);

// Key areas of the panel, in client coordinates (kept in step with live/panel.cpp).
struct Key {
    const char *name;
    QRect area;
};
const Key Keys[] = {
    {"btnClose", QRect(58, 420, 56, 50)},
    {"btnBackLight", QRect(136, 420, 56, 50)},
    {"btnHOLD", QRect(214, 420, 56, 50)},
    {"btnMMA", QRect(58, 490, 56, 50)},
    {"btnCF", QRect(136, 490, 56, 50)},
    {"btnRec", QRect(214, 490, 56, 50)},
    {"btnRecall", QRect(97, 560, 56, 50)},
    {"btnMem", QRect(175, 560, 56, 50)},
};

QString gOut;
int gFailures = 0;

void save(const QImage &image, const QString &name, const char *format, int quality = -1)
{
    const QString path = QDir(gOut).filePath(name);
    if (!image.save(path, format, quality)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        ++gFailures;
    }
}

QFont font(const QString &family, qreal pixels, int weight = QFont::Bold, qreal stretch = 100)
{
    QFont f;
    f.setFamilies({family, QStringLiteral("DejaVu Sans")});
    f.setPixelSize(qRound(pixels));
    f.setWeight(QFont::Weight(weight));
    if (stretch != 100)
        f.setStretch(int(stretch));
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

const QString Sans = QStringLiteral("DejaVu Sans");
const QString Condensed = QStringLiteral("DejaVu Sans Condensed");

// ---------------------------------------------------------------- glyphs

// Segment bits: a top, b upper right, c lower right, d bottom, e lower left,
// f upper left, g middle.
enum : unsigned { SA = 1, SB = 2, SC = 4, SD = 8, SE = 16, SF = 32, SG = 64 };

const unsigned Digits[10] = {
    SA | SB | SC | SD | SE | SF,      // 0
    SB | SC,                          // 1
    SA | SB | SG | SE | SD,           // 2
    SA | SB | SG | SC | SD,           // 3
    SF | SG | SB | SC,                // 4
    SA | SF | SG | SC | SD,           // 5
    SA | SF | SG | SE | SC | SD,      // 6
    SA | SB | SC | SF,                // 7, with the upper-left segment as the meter draws it
    SA | SB | SC | SD | SE | SF | SG, // 8
    SA | SB | SC | SD | SF | SG,      // 9
};

// One segment as a hexagon between two points, `w` thick.
QPolygonF segment(QPointF p, QPointF q, qreal w)
{
    const qreal h = w / 2;
    if (qFuzzyCompare(p.y(), q.y())) { // horizontal
        return QPolygonF({QPointF(p.x(), p.y()), QPointF(p.x() + h, p.y() - h), QPointF(q.x() - h, q.y() - h),
                          QPointF(q.x(), q.y()), QPointF(q.x() - h, q.y() + h), QPointF(p.x() + h, p.y() + h)});
    }
    return QPolygonF({QPointF(p.x(), p.y()), QPointF(p.x() + h, p.y() + h), QPointF(q.x() + h, q.y() - h),
                      QPointF(q.x(), q.y()), QPointF(q.x() - h, q.y() - h), QPointF(p.x() - h, p.y() + h)});
}

// Reduces an antialiased grey picture to 16 grey levels, black to white.
QImage toSixteenGreys(const QImage &rgb)
{
    QVector<QRgb> table;
    for (int i = 0; i < 16; ++i)
        table.append(qRgb(i * 17, i * 17, i * 17));
    QImage out(rgb.size(), QImage::Format_Indexed8);
    out.setColorTable(table);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            out.setPixel(x, y, uint(qRound(qGray(rgb.pixel(x, y)) / 17.0)));
    return out;
}

QImage glyph(int width, int height, unsigned segments, qreal thickness, qreal margin)
{
    QImage img(width, height, QImage::Format_RGB32);
    img.fill(Qt::white);
    if (segments) {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        // A slight forward slant, as on the meter's glass.
        const qreal slant = 0.07;
        QTransform t(1, 0, -slant, 1, slant * height / 2, 0);
        p.setTransform(t);
        const qreal gap = thickness * 0.22;
        const qreal l = margin + thickness / 2, r = width - margin - thickness / 2;
        const qreal top = margin + thickness / 2, bottom = height - margin - thickness / 2;
        const qreal mid = height / 2.0;
        auto h = [&](qreal y) { return segment(QPointF(l + gap, y), QPointF(r - gap, y), thickness); };
        auto v = [&](qreal x, qreal y0, qreal y1) { return segment(QPointF(x, y0 + gap), QPointF(x, y1 - gap), thickness); };
        if (segments & SA) p.drawPolygon(h(top));
        if (segments & SG) p.drawPolygon(h(mid));
        if (segments & SD) p.drawPolygon(h(bottom));
        if (segments & SF) p.drawPolygon(v(l, top, mid));
        if (segments & SB) p.drawPolygon(v(r, top, mid));
        if (segments & SE) p.drawPolygon(v(l, mid, bottom));
        if (segments & SC) p.drawPolygon(v(r, mid, bottom));
    }
    return toSixteenGreys(img);
}

void writeGlyphs()
{
    for (int i = 0; i < 25; ++i) {
        unsigned large = 0, small = 0;
        if (i < 10)
            large = small = Digits[i];
        else if (i == 17)
            large = SG;                // minus
        else if (i == 18)
            large = SF | SE | SD;      // L
        else if (i == 21)
            small = SE | SG | SC;      // n
        else if (i == 22)
            small = SE | SG;           // r
        save(glyph(30, 52, large, 5.0, 2.5), QStringLiteral("LCD%1.bmp").arg(i), "BMP");
        save(glyph(i == 14 ? 26 : 16, 26, small, 2.8, 1.5), QStringLiteral("LCDS%1.bmp").arg(i), "BMP");
    }
}

// ---------------------------------------------------------------- indicators

QImage canvas(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

void indicator(const QString &name, int w, int h, const std::function<void(QPainter &)> &draw)
{
    QImage img = canvas(w, h);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        draw(p);
    }
    save(img, name + QStringLiteral(".jpg"), "JPG", 97);
}

void textIndicator(const QString &name, const QString &text, int w, int h, qreal px, bool inverse = false,
                   const QString &family = Sans)
{
    indicator(name, w, h, [&](QPainter &p) {
        if (inverse) {
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::black);
            p.drawRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 2, 2);
            p.setPen(Qt::white);
        } else {
            p.setPen(Qt::black);
        }
        p.setFont(font(family, px));
        p.drawText(QRect(0, 0, w, h), Qt::AlignCenter, text);
    });
}

void degreeIndicator(const QString &name, QChar letter)
{
    indicator(name, 28, 17, [&](QPainter &p) {
        p.setPen(QPen(Qt::black, 2.0));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(5, 5), 3, 3);
        p.setPen(Qt::black);
        p.setFont(font(Sans, 16));
        p.drawText(QRect(9, 0, 19, 17), Qt::AlignLeft | Qt::AlignVCenter, QString(letter));
    });
}

void battery(int level)
{
    indicator(QStringLiteral("Bat%1").arg(level), 29, 12, [&](QPainter &p) {
        p.setPen(QPen(Qt::black, 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(1.5, 1.5, 23, 9));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        p.drawRect(QRectF(25, 4, 3, 4));
        for (int i = 0; i < level; ++i)
            p.drawRect(QRectF(4 + i * 6.8, 4, 5, 4));
    });
}

void writeIndicators()
{
    for (int i = 0; i < 4; ++i)
        battery(i);
    textIndicator(QStringLiteral("MEM"), QStringLiteral("MEM"), 32, 13, 11);
    textIndicator(QStringLiteral("HOLD"), QStringLiteral("HOLD"), 40, 14, 11, true);
    textIndicator(QStringLiteral("RECALL"), QStringLiteral("RECALL"), 50, 14, 11, false, Condensed);
    // Auto power-off: a power sign inside a small clock face.
    indicator(QStringLiteral("AutoOff"), 26, 12, [](QPainter &p) {
        p.setPen(QPen(Qt::black, 1.4));
        p.drawArc(QRectF(1.5, 1.5, 9, 9), 120 * 16, 300 * 16);
        p.drawLine(QPointF(6, 0.8), QPointF(6, 5.5));
        p.setFont(font(Condensed, 9));
        p.drawText(QRect(12, 0, 14, 12), Qt::AlignCenter, QStringLiteral("A"));
    });
    degreeIndicator(QStringLiteral("DegC"), QLatin1Char('C'));
    degreeIndicator(QStringLiteral("DegF"), QLatin1Char('F'));
    textIndicator(QStringLiteral("TYPE"), QStringLiteral("TYPE"), 44, 14, 11, true);
    for (const char *letter : {"K", "J", "E", "T"})
        textIndicator(QLatin1String(letter), QLatin1String(letter), 11, 16, 13);
    // Bluetooth rune.
    indicator(QStringLiteral("Bluetooth"), 16, 22, [](QPainter &p) {
        p.setPen(QPen(Qt::black, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        QPainterPath path;
        path.moveTo(3, 6.5);
        path.lineTo(12.5, 15);
        path.lineTo(8, 19.5);
        path.lineTo(8, 2.5);
        path.lineTo(12.5, 7);
        path.lineTo(3, 15.5);
        p.drawPath(path);
    });
    // Link: radio waves on both sides of a dot.
    indicator(QStringLiteral("Link"), 20, 20, [](QPainter &p) {
        p.setPen(QPen(Qt::black, 1.6, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::black);
        p.drawEllipse(QPointF(10, 10), 2, 2);
        p.setBrush(Qt::NoBrush);
        for (qreal r : {5.0, 8.5}) {
            p.drawArc(QRectF(10 - r, 10 - r, 2 * r, 2 * r), -45 * 16, 90 * 16);
            p.drawArc(QRectF(10 - r, 10 - r, 2 * r, 2 * r), 135 * 16, 90 * 16);
        }
    });
    // ALARM with a small bell.
    indicator(QStringLiteral("ALARM"), 50, 14, [](QPainter &p) {
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        QPainterPath bell;
        bell.moveTo(1, 11);
        bell.cubicTo(3, 9, 2, 2, 6, 2);
        bell.cubicTo(10, 2, 9, 9, 11, 11);
        bell.closeSubpath();
        p.drawPath(bell);
        p.drawEllipse(QPointF(6, 12.3), 1.5, 1.5);
        p.setPen(Qt::black);
        p.setFont(font(Condensed, 10.5));
        p.drawText(QRect(12, 0, 38, 14), Qt::AlignCenter, QStringLiteral("ALARM"));
    });
    textIndicator(QStringLiteral("REC"), QStringLiteral("REC"), 32, 14, 11, true);
    textIndicator(QStringLiteral("FULL"), QStringLiteral("FULL"), 36, 14, 11, false);
    // Decimal point and minus sign.
    indicator(QStringLiteral("Point"), 5, 7, [](QPainter &p) {
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        p.drawRoundedRect(QRectF(0, 1, 5, 5), 1.2, 1.2);
    });
    indicator(QStringLiteral("Minus"), 18, 6, [](QPainter &p) {
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        p.drawRect(QRectF(1, 1, 16, 4));
    });
}

// ---------------------------------------------------------------- the meter

QPainterPath powerSign(QPointF c, qreal r)
{
    QPainterPath path;
    path.arcMoveTo(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), 60);
    path.arcTo(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), 60, 300);
    path.moveTo(c.x(), c.y() - r - 1.5);
    path.lineTo(c.x(), c.y() - 0.5);
    return path;
}

QPainterPath bulbSign(QPointF c)
{
    QPainterPath path;
    path.addEllipse(c + QPointF(0, -2), 4.5, 4.5);
    for (int i = 0; i < 8; ++i) {
        if (i == 2)
            continue; // no ray downwards, the base is there
        const qreal a = (i * 45 + 90) * M_PI / 180;
        const QPointF d(std::cos(a), std::sin(a));
        path.moveTo(c + QPointF(0, -2) + d * 7);
        path.lineTo(c + QPointF(0, -2) + d * 10);
    }
    path.moveTo(c + QPointF(-2.5, 4));
    path.lineTo(c + QPointF(2.5, 4));
    return path;
}

void drawKey(QPainter &p, const Key &key)
{
    const QRectF r = QRectF(key.area).adjusted(3, 4, -3, -3);
    const QString name = QString::fromLatin1(key.name);
    const bool power = name == QLatin1String("btnClose");
    // Shadow and skirt.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 120));
    p.drawRoundedRect(r.translated(0, 2.5).adjusted(-1, -1, 1, 1), 11, 11);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    if (power) {
        g.setColorAt(0, QColor(0xe0, 0x4a, 0x3c));
        g.setColorAt(1, QColor(0x9e, 0x22, 0x1a));
    } else {
        g.setColorAt(0, QColor(0x8a, 0x8f, 0x97));
        g.setColorAt(1, QColor(0x55, 0x59, 0x60));
    }
    p.setBrush(g);
    p.setPen(QPen(QColor(0x1c, 0x1d, 0x20), 1.2));
    p.drawRoundedRect(r, 10, 10);
    // Highlight on the top edge of the cap.
    p.setPen(QPen(QColor(255, 255, 255, power ? 110 : 90), 1.2));
    p.drawArc(QRectF(r.left() + 4, r.top() + 2, r.width() - 8, 16), 30 * 16, 120 * 16);

    const QColor ink = power ? QColor(0xff, 0xf4, 0xf0) : QColor(0xff, 0xff, 0xff);
    p.setPen(ink);
    const QPointF c = r.center();
    if (power) {
        p.setPen(QPen(ink, 2.2, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawPath(powerSign(c + QPointF(0, -4), 8));
        p.setPen(ink);
        p.setFont(font(Condensed, 9));
        p.drawText(QRectF(r.left(), r.bottom() - 14, r.width(), 12), Qt::AlignCenter, QStringLiteral("CLOSE"));
        return;
    }
    if (name == QLatin1String("btnBackLight")) {
        p.setPen(QPen(ink, 1.8, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawPath(bulbSign(c + QPointF(0, -3)));
        p.setPen(ink);
        p.setFont(font(Condensed, 9));
        p.drawText(QRectF(r.left(), r.bottom() - 14, r.width(), 12), Qt::AlignCenter, QStringLiteral("LIGHT"));
        return;
    }
    QString text;
    qreal px = 12;
    if (name == QLatin1String("btnHOLD")) text = QStringLiteral("HOLD");
    else if (name == QLatin1String("btnMMA")) { text = QStringLiteral("MAX\nMIN"); px = 11.5; }
    else if (name == QLatin1String("btnCF")) text = QStringLiteral("°C/°F");
    else if (name == QLatin1String("btnRec")) text = QStringLiteral("REC");
    else if (name == QLatin1String("btnRecall")) { text = QStringLiteral("RECALL"); px = 11; }
    else if (name == QLatin1String("btnMem")) text = QStringLiteral("MEM");
    p.setFont(font(Condensed, px));
    p.drawText(r, Qt::AlignCenter, text);
}

void writeMeter()
{
    QImage img(PictureWidth, PictureHeight, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.translate(-PictureLeft, 0); // draw in client coordinates

    // Moulded body: a dark rubber boot around a slightly lighter face.
    const QRectF body(PictureLeft + 3, 2, PictureWidth - 6, PictureHeight - 4);
    {
        QLinearGradient g(body.topLeft(), body.topRight());
        g.setColorAt(0, QColor(0x1b, 0x1c, 0x1f));
        g.setColorAt(0.12, QColor(0x33, 0x35, 0x3a));
        g.setColorAt(0.88, QColor(0x2c, 0x2e, 0x33));
        g.setColorAt(1, QColor(0x15, 0x16, 0x18));
        p.setPen(QPen(QColor(0x0c, 0x0c, 0x0e), 2));
        p.setBrush(g);
        p.drawRoundedRect(body, 38, 38);
    }
    const QRectF face = body.adjusted(13, 13, -13, -13);
    {
        QLinearGradient g(face.topLeft(), face.bottomLeft());
        g.setColorAt(0, QColor(0x3d, 0x40, 0x46));
        g.setColorAt(0.5, QColor(0x30, 0x33, 0x38));
        g.setColorAt(1, QColor(0x26, 0x28, 0x2c));
        p.setPen(QPen(QColor(0x55, 0x59, 0x60), 1.2));
        p.setBrush(g);
        p.drawRoundedRect(face, 28, 28);
    }

    // Name plate above the display.
    p.setPen(QColor(0xf2, 0xf2, 0xf2));
    p.setFont(font(Sans, 26, QFont::Black));
    p.drawText(QRectF(30, 18, 150, 34), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("QM738"));
    p.setPen(QColor(0xf5, 0xb8, 0x2e));
    p.setFont(font(Condensed, 10));
    p.drawText(QRectF(30, 50, 260, 14), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("4 CHANNEL THERMOMETER / HYGROMETER"));
    p.setPen(QColor(0xc8, 0xca, 0xce));
    p.setFont(font(Condensed, 9.5));
    p.drawText(QRectF(180, 22, 116, 13), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("RH  T1  T2"));
    p.drawText(QRectF(180, 35, 116, 13), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("DATA LOGGER"));

    // Display bezel and glass.
    const QRectF bezel = Glass.adjusted(-9, -6, 9, 8);
    p.setPen(QPen(QColor(0x5c, 0x60, 0x68), 1.5));
    p.setBrush(QColor(0x12, 0x13, 0x15));
    p.drawRoundedRect(bezel, 12, 12);
    {
        // Grey-green glass; the middle, where the segments are, is the
        // brightest part of the liquid crystal.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xb3, 0xbf, 0xa9));
        p.drawRoundedRect(Glass, 6, 6);
        QPainterPath inner;
        inner.addRoundedRect(Glass.adjusted(5, 5, -5, -5), 4, 4);
        QLinearGradient g(Glass.topLeft(), Glass.bottomLeft());
        g.setColorAt(0, QColor(0xcf, 0xd8, 0xc6));
        g.setColorAt(0.035, QColor(0xff, 0xff, 0xff));
        g.setColorAt(0.965, QColor(0xff, 0xff, 0xff));
        g.setColorAt(1, QColor(0xcf, 0xd8, 0xc6));
        p.setBrush(g);
        p.drawPath(inner);
    }

    // Keys.
    p.setPen(QColor(0x9a, 0x9e, 0xa5));
    for (const Key &key : Keys)
        drawKey(p, key);

    // Thermocouple socket and grip at the foot.
    {
        const QRectF socket(104, 630, 120, 36);
        p.setPen(QPen(QColor(0x10, 0x10, 0x12), 1.5));
        QLinearGradient g(socket.topLeft(), socket.bottomLeft());
        g.setColorAt(0, QColor(0xe8, 0xc5, 0x3a));
        g.setColorAt(1, QColor(0xb8, 0x93, 0x1c));
        p.setBrush(g);
        p.drawRoundedRect(socket, 5, 5);
        p.setBrush(QColor(0x18, 0x18, 0x1a));
        p.setPen(Qt::NoPen);
        p.drawRect(QRectF(socket.left() + 30, socket.top() + 12, 16, 7));
        p.drawRect(QRectF(socket.right() - 46, socket.top() + 12, 24, 7));
        p.setPen(QColor(0x20, 0x1a, 0x08));
        p.setFont(font(Condensed, 8.5));
        p.drawText(QRectF(socket.left(), socket.bottom() - 13, socket.width(), 11), Qt::AlignCenter,
                   QStringLiteral("T2   TC INPUT"));
        p.setPen(QColor(0xc8, 0xca, 0xce));
        p.setFont(font(Condensed, 9));
        p.drawText(QRectF(40, 672, 248, 13), Qt::AlignCenter, QStringLiteral("K  J  E  T  N  R  S"));
    }
    p.setPen(QPen(QColor(0x1e, 0x1f, 0x22), 2));
    for (int i = 0; i < 5; ++i) {
        const qreal y = 616 + i * 6;
        p.drawLine(QPointF(30, y), QPointF(90, y));
        p.drawLine(QPointF(238, y), QPointF(298, y));
    }
    p.end();
    save(img, QStringLiteral("panel.jpg"), "JPG", 92);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: qm738-panelart <output folder>\n");
        return 2;
    }
    gOut = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(gOut)) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    writeGlyphs();
    writeIndicators();
    writeMeter();
    return gFailures == 0 ? 0 : 1;
}
