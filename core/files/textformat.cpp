#include "core/files/textformat.h"

#include "core/base/translation.h"
#include "core/base/datetime.h"
#include "core/logger/datasetdecoder.h"
#include "core/logger/datasets.h"

#include <QDate>
#include <QFileInfo>
#include <QIODevice>
#include <QTime>

#include <algorithm>
#include <cmath>
#include <limits>

namespace TextFormat {

namespace {
const QDate kEpoch(1899, 12, 30);
const QString kLineEnd = QStringLiteral("\r\n");
} // namespace

const QString &OverText()
{
    static const QString text = QStringLiteral(" OL");
    return text;
}

const QString &UnderText()
{
    static const QString text = QStringLiteral(" -OL");
    return text;
}

QString ExportValueText(double value)
{
    return ExportValueText(value, LocaleUtil::DecimalSeparator());
}

QString ExportValueText(double value, QChar decimalSeparator)
{
    if (value > kExportHigh)
        return OverText();
    if (value < kExportLow)
        return UnderText();
    return LocaleUtil::Fixed1(value, decimalSeparator);
}

// ---- export lines ----------------------------------------------------------------

TGraphLineWriter::TGraphLineWriter(QChar separator)
    : m_separator(separator), m_decimal(LocaleUtil::DecimalSeparator()), m_timeFormat(LocaleUtil::LongTimeFormat())
{
}

QString TGraphLineWriter::Line(double x, const float *values, int count)
{
    QDate date;
    QTime time;
    DateTimeUtil::SplitDays(x, &date, &time);
    const qint64 day = date.toJulianDay();
    if (!m_haveDay || day != m_lastDay) {
        m_lastDate = m_locale.toString(date, QLocale::ShortFormat);
        m_lastDay = day;
        m_haveDay = true;
    }
    QString line;
    line.reserve(m_lastDate.size() + 12 + count * 8);
    line += m_lastDate;
    line += m_separator;
    line += m_locale.toString(time, m_timeFormat);
    for (int i = 0; i < count; ++i) {
        line += m_separator;
        line += ExportValueText(values[i], m_decimal);
    }
    line += kLineEnd;
    return line;
}

bool ExportPointLine(TGraphLineWriter &writer, double x, const float *values, int count, QString *line)
{
    if (x == 0.0)
        return false;
    *line = writer.Line(x, values, count);
    return true;
}

QByteArray DataSetExportText(const TLoggerStore &store, int d, QChar separator, double from, double to,
                             qint64 *lines)
{
    qint64 written = 0;
    QByteArray out;
    if (d >= 0 && d < store.DataSets.size()) {
        const TDataSet &set = store.DataSets.at(d);
        const qsizetype first = FirstValueOf(store, d);
        TGraphLineWriter writer(separator);
        out.reserve(qsizetype(set.recordCount) * 48);
        QString line;
        for (int p = 0; p < set.recordCount; ++p) {
            const qsizetype at = first + 5 * qsizetype(p);
            if (at + 5 > store.Values.size())
                break;
            const double x = store.Times.at(at);
            if (x < from || x > to)
                continue;
            if (!ExportPointLine(writer, x, store.Values.constData() + at, 5, &line))
                break;
            out += line.toUtf8();
            ++written;
        }
    }
    if (lines)
        *lines = written;
    return out;
}

QString TableExportLine(const QStringList &cells, QChar separator)
{
    QString line;
    for (const QString &cell : cells) {
        line += cell;
        line += separator;
    }
    line += kLineEnd;
    return line;
}

QChar CsvSeparator(QChar decimalSeparator)
{
    // A spreadsheet of a decimal-comma locale reads ";" as the field separator.
    return decimalSeparator == QChar(',') ? QChar(';') : QChar(',');
}

QChar CsvSeparator()
{
    return CsvSeparator(LocaleUtil::DecimalSeparator());
}

QChar GraphSeparatorFor(const QString &path)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("txt"))
        return QChar('\t');
    if (ext == QLatin1String("csv"))
        return CsvSeparator();
    return QChar();
}

QChar TableSeparatorFor(const QString &path)
{
    return path.right(3).toLower() == QLatin1String("csv") ? CsvSeparator() : QChar('\t');
}

QChar ImportSeparatorFor(const QString &path, const QString &firstLine)
{
    if (QFileInfo(path).suffix().toLower() != QLatin1String("csv"))
        return QChar('\t');
    // Files of either kind of locale open: a first line with a ";" was written
    // by a decimal-comma locale, any other with commas.
    return firstLine.contains(QChar(';')) ? QChar(';') : QChar(',');
}

QString TableFileFilter(bool decimalIsComma)
{
    if (decimalIsComma)
        return QStringLiteral(" TXT file(*.txt,data seperated by tab) |*.TXT")
               + QStringLiteral("|EXCEL file format(*.CSV,seperated by semicolon) |*.CSV");
    return QStringLiteral("TXT file(*.txt,data seperated by tab)|*.TXT") + QString(29, QChar(' '))
           + QStringLiteral("|EXCEL file format(*.CSV,seperated by comma) |*.CSV");
}

// ---- import ------------------------------------------------------------------------

TImportLineReader::TImportLineReader(QIODevice &device) : m_device(device) {}

bool TImportLineReader::Next(QString *line)
{
    if (m_done || m_device.atEnd()) {
        m_done = true;
        return false;
    }
    // A character takes at most four bytes, so this many bytes always hold
    // more characters than the limit; the rest of a longer line is never read.
    const qint64 maxBytes = qint64(kImportLineLimit) * 4 + 2;
    QByteArray bytes = m_device.readLine(maxBytes);
    const bool complete = bytes.endsWith('\n') || m_device.atEnd();
    if (bytes.endsWith('\n'))
        bytes.chop(1);
    if (bytes.endsWith('\r'))
        bytes.chop(1);
    QString text = QString::fromUtf8(bytes);
    if (!complete || text.size() > kImportLineLimit) {
        int cut = std::min<int>(text.size(), kImportLineLimit);
        if (cut > 0 && cut < text.size() && text.at(cut - 1).isHighSurrogate())
            --cut; // never split a character in two
        text.truncate(cut);
        m_done = true;
    }
    *line = text;
    return true;
}

QStringList SplitImportLine(const QString &line, QChar separator, int dataColumns)
{
    QStringList cells;
    if (!line.contains(separator))
        return cells;
    qsizetype pos = 0;
    for (int c = 0; c < dataColumns; ++c) {
        const qsizetype at = line.indexOf(separator, pos);
        if (at >= 0) {
            cells << line.mid(pos, at - pos);
            pos = at + 1;
        } else if (pos >= line.size()) {
            break;
        } else {
            cells << line.mid(pos);
            pos = line.size();
        }
    }
    return cells;
}

// ---- range -------------------------------------------------------------------------

namespace {
bool ReadInteger(const QString &text, qint64 *value)
{
    bool ok = false;
    const qint64 v = text.trimmed().toLongLong(&ok, 10);
    if (!ok || v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        return false;
    *value = v < 0 ? -v : v;
    return true;
}
} // namespace

TRange ChooseRange(bool all, const QString &fromText, const QString &toText, int last)
{
    TRange range;
    if (all) {
        range.valid = true;
        range.from = 1;
        range.to = last;
        return range;
    }
    qint64 from = 0, to = 0;
    if (!ReadInteger(fromText, &from) || !ReadInteger(toText, &to))
        return range;
    if (to < from)
        std::swap(from, to);
    if (to > last)
        to = last;
    if (from == 0)
        from = 1;
    range.valid = true;
    range.from = int(std::min<qint64>(from, std::numeric_limits<int>::max()));
    range.to = int(to);
    return range;
}

// ---- the save dialog's type change ---------------------------------------------------

QStringList FilterExtensions(const QString &pairFilter)
{
    QStringList extensions;
    QString rest = pairFilter;
    const QString star = QStringLiteral("*.");
    while (extensions.size() < 5) {
        // The first "*." is the one in the type's description, the second its pattern.
        qsizetype at = rest.indexOf(star);
        if (at < 0)
            break;
        rest = rest.mid(at + 1);
        at = rest.indexOf(star);
        if (at < 0)
            break;
        rest = rest.mid(at + 1);
        if (rest.size() < 4)
            break;
        extensions << rest.left(4);
    }
    return extensions;
}

QString TypeChangedFileName(const QString &pairFilter, int filterIndex, const QString &fileName)
{
    const QStringList extensions = FilterExtensions(pairFilter);
    if (filterIndex < 1 || filterIndex > extensions.size())
        return QString();
    QString name = QFileInfo(fileName).fileName();
    const qsizetype dot = name.lastIndexOf(QChar('.'));
    if (dot >= 0)
        name.truncate(dot);
    return name + extensions.at(filterIndex - 1);
}

QString PairsFromQtFilter(const QString &qtFilter)
{
    QStringList pairs;
    for (const QString &type : qtFilter.split(QStringLiteral(";;"), Qt::SkipEmptyParts)) {
        const qsizetype open = type.lastIndexOf(QChar('('));
        const qsizetype close = type.lastIndexOf(QChar(')'));
        if (open < 0 || close < open) {
            pairs << type << type;
            continue;
        }
        QString description = type.left(open);
        if (description.endsWith(QChar(' ')))
            description.chop(1);
        const QString pattern = type.mid(open + 1, close - open - 1).split(QChar(' '), Qt::SkipEmptyParts).value(0);
        pairs << description << pattern;
    }
    return pairs.join(QChar('|'));
}

// ---- reading table rows ----------------------------------------------------------------

TDateTimeReader::TDateTimeReader()
{
    const QString format = m_locale.dateFormat(QLocale::ShortFormat) + QChar(' ') + LocaleUtil::LongTimeFormat();
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format.at(i);
        if (c == QChar('\'')) {
            // A quoted literal; two quotes stand for one.
            QString literal;
            ++i;
            while (i < format.size()) {
                if (format.at(i) == QChar('\'')) {
                    if (i + 1 < format.size() && format.at(i + 1) == QChar('\'')) {
                        literal += QChar('\'');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                literal += format.at(i++);
            }
            if (literal.isEmpty())
                literal = QStringLiteral("'");
            m_tokens.append({'L', 0, literal});
            continue;
        }
        if (c.isSpace()) {
            while (i < format.size() && format.at(i).isSpace())
                ++i;
            m_tokens.append({'W', 0, QString()});
            continue;
        }
        if ((c == QChar('A') || c == QChar('a')) && i + 1 < format.size()
            && format.at(i + 1).toLower() == QChar('p')) {
            m_tokens.append({'A', 2, QString()});
            i += 2;
            continue;
        }
        const QString kinds = QStringLiteral("dMyhHmszAat");
        if (kinds.contains(c)) {
            int width = 0;
            while (i < format.size() && format.at(i) == c) {
                ++width;
                ++i;
            }
            char kind = char(c.toLatin1());
            if (kind == 'a')
                kind = 'A';
            if (kind == 't')
                continue; // no time zone is written
            m_tokens.append({kind, width, QString()});
            continue;
        }
        m_tokens.append({'L', 0, QString(c)});
        ++i;
    }
    m_pivotYear = QDate::currentDate().year() - 50;
}

QString TDateTimeReader::ErrorText(const QString &text)
{
    return AddedText("'%1' is not a valid date and time").arg(text);
}

bool TDateTimeReader::Read(const QString &text, double *days) const
{
    int year = -1, month = -1, day = -1, hour = 0, minute = 0, second = 0, ms = 0;
    int ampm = 0; // 1 AM, 2 PM
    qsizetype pos = 0;
    const qsizetype n = text.size();
    auto skipSpace = [&] {
        while (pos < n && text.at(pos).isSpace())
            ++pos;
    };
    auto readNumber = [&](int maxDigits, int *value, int *digits) {
        int v = 0, d = 0;
        while (pos < n && d < maxDigits && text.at(pos).isDigit()) {
            v = v * 10 + text.at(pos).digitValue();
            ++pos;
            ++d;
        }
        *value = v;
        if (digits)
            *digits = d;
        return d > 0;
    };
    auto matchWord = [&](const QString &word) {
        if (word.isEmpty() || pos + word.size() > n)
            return false;
        if (QStringView(text).mid(pos, word.size()).compare(word, Qt::CaseInsensitive) != 0)
            return false;
        pos += word.size();
        return true;
    };

    skipSpace();
    for (const Token &t : m_tokens) {
        switch (t.kind) {
        case 'W':
            skipSpace();
            break;
        case 'L':
            if (!matchWord(t.literal))
                return false;
            break;
        case 'd':
            if (t.width >= 3) { // a day name: letters, not checked
                while (pos < n && text.at(pos).isLetter())
                    ++pos;
            } else if (!readNumber(2, &day, nullptr)) {
                return false;
            }
            break;
        case 'M':
            if (t.width >= 3) {
                month = -1;
                for (int m = 1; m <= 12 && month < 0; ++m)
                    if (matchWord(m_locale.monthName(m, QLocale::LongFormat)))
                        month = m;
                for (int m = 1; m <= 12 && month < 0; ++m)
                    if (matchWord(m_locale.monthName(m, QLocale::ShortFormat)))
                        month = m;
                if (month < 0)
                    return false;
            } else if (!readNumber(2, &month, nullptr)) {
                return false;
            }
            break;
        case 'y': {
            int digits = 0;
            if (!readNumber(t.width >= 3 ? 4 : 2, &year, &digits))
                return false;
            if (digits <= 2)
                year = m_pivotYear + ((year - m_pivotYear % 100) % 100 + 100) % 100;
            break;
        }
        case 'h':
        case 'H':
            if (!readNumber(2, &hour, nullptr))
                return false;
            break;
        case 'm':
            if (!readNumber(2, &minute, nullptr))
                return false;
            break;
        case 's':
            if (!readNumber(2, &second, nullptr))
                return false;
            break;
        case 'z': {
            int digits = 0;
            if (!readNumber(3, &ms, &digits))
                return false;
            if (t.width == 1 && digits < 3)
                ms *= digits == 1 ? 100 : 10; // "z" writes a fraction of a second
            break;
        }
        case 'A':
            if (matchWord(m_locale.amText()) || matchWord(QStringLiteral("AM")))
                ampm = 1;
            else if (matchWord(m_locale.pmText()) || matchWord(QStringLiteral("PM")))
                ampm = 2;
            else
                return false;
            break;
        default:
            break;
        }
    }
    skipSpace();
    if (pos != n || year < 0 || month < 0 || day < 0)
        return false;
    if (ampm) {
        if (hour < 1 || hour > 12)
            return false;
        if (ampm == 2 && hour < 12)
            hour += 12;
        else if (ampm == 1 && hour == 12)
            hour = 0;
    }
    const QDate date(year, month, day);
    if (!date.isValid() || !QTime::isValid(hour, minute, second, ms))
        return false;
    const qint64 whole = kEpoch.daysTo(date);
    const double fraction = (((hour * 60 + minute) * 60 + second) * 1000 + ms) / 86400000.0;
    *days = whole >= 0 ? double(whole) + fraction : double(whole) - fraction;
    return true;
}

bool ReadTableNumber(const QLocale &locale, const QString &text, float *value)
{
    bool ok = false;
    const double v = locale.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(v) || std::fabs(v) > double(std::numeric_limits<float>::max()))
        return false;
    *value = float(v);
    return true;
}

float MeasuredValueFromText(const QLocale &locale, const QString &text)
{
    if (text == UnderText())
        return kUnderRange;
    float v = 0;
    return text != OverText() && ReadTableNumber(locale, text, &v) ? v : kOverRange;
}

float DerivedValueFromText(const QLocale &locale, const QString &text)
{
    float v = 0;
    return ReadTableNumber(locale, text, &v) ? v : kNoValue;
}

// ---- table printout ---------------------------------------------------------------------

QVector<int> PrintColumnWidths(const QVector<QStringList> &rows)
{
    QVector<int> widths;
    for (const QStringList &cells : rows) {
        if (widths.size() < cells.size())
            widths.resize(cells.size());
        for (int c = 0; c < cells.size(); ++c)
            widths[c] = std::max(widths[c], int(cells.at(c).size()));
    }
    return widths;
}

QString PrintLine(const QStringList &cells, const QVector<int> &widths)
{
    QString line;
    for (int c = 0; c < cells.size(); ++c) {
        if (c > 0)
            line += QLatin1Char(' ');
        line += cells.at(c).leftJustified(widths.value(c));
    }
    // Trailing blanks print nothing.
    while (line.endsWith(QLatin1Char(' ')))
        line.chop(1);
    return line;
}

QVector<QStringList> PrintPages(const QVector<QStringList> &rows, const QString &header, const QString &footer,
                                int linesPerPage)
{
    const QVector<int> widths = PrintColumnWidths(rows);
    const QString titles = rows.isEmpty() ? QString() : PrintLine(rows.first(), widths);
    // Header, blank, titles ... blank, footer.
    const int perPage = std::max(1, linesPerPage - 5);
    const int samples = std::max(0, int(rows.size()) - 1);
    const int pages = std::max(1, (samples + perPage - 1) / perPage);
    QVector<QStringList> out;
    out.reserve(pages);
    for (int page = 0; page < pages; ++page) {
        QStringList lines{header, QString(), titles};
        const int first = 1 + page * perPage;
        for (int row = first; row < std::min(int(rows.size()), first + perPage); ++row)
            lines << PrintLine(rows.at(row), widths);
        while (lines.size() < std::max(linesPerPage, 6) - 1)
            lines << QString();
        lines << footer.arg(page + 1).arg(pages);
        out << lines;
    }
    return out;
}

} // namespace TextFormat

namespace TextFormat {

QString PrintFileName(const QString &document)
{
    QString name = document.contains(QChar('/')) ? QFileInfo(document).completeBaseName() : document.trimmed();
    for (QChar &c : name)
        if (c == QChar('/') || c == QChar('\\') || c == QChar(':') || c.category() == QChar::Other_Control)
            c = QChar('_');
    if (name.isEmpty())
        name = QStringLiteral("print");
    return name + QStringLiteral(".pdf");
}

} // namespace TextFormat
