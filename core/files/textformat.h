#pragma once
// The text tables as plain code: the lines a graph or a table export writes,
// the separator rules, the import's line reading and splitting, the range
// arithmetic of the range dialog, the file-name change when the save
// dialog's type changes, the date-time reading of table rows and the lines
// of the table printout. No windows here: everything is callable from tests.
//
// Text files are UTF-8 with CR LF line ends; dates, times and numbers use the
// locale's short date, long time and decimal separator.

#include <QChar>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QVector>

class QIODevice;
struct TLoggerStore;

namespace TextFormat {

// Marker values shared with the graphs.
constexpr float kOverRange = 9000.0f;
constexpr float kUnderRange = -9000.0f;
constexpr float kNoValue = 9999.0f;
// The export writes " OL" above this and " -OL" below kExportLow.
constexpr double kExportHigh = 5000.0;
constexpr double kExportLow = -390.0;

const QString &OverText();   // " OL"
const QString &UnderText();  // " -OL"

// " OL", " -OL" or the value with one decimal in the locale's separator.
QString ExportValueText(double value);
QString ExportValueText(double value, QChar decimalSeparator);

// One graph export line: short date, S, long time, then S and a value text
// per value; no separator at the end, CR LF after it. Keeps the text of the
// last date, so consecutive points of one day format their date once.
class TGraphLineWriter {
public:
    explicit TGraphLineWriter(QChar separator);
    QString Line(double x, const float *values, int count);

private:
    QChar m_separator;
    QLocale m_locale;
    QChar m_decimal;
    QString m_timeFormat;
    qint64 m_lastDay = -1;
    bool m_haveDay = false;
    QString m_lastDate;
};

// The export line of one graph point (x and its values); false for a point
// never filled (x = 0: the recording ended before it), which ends the export.
bool ExportPointLine(TGraphLineWriter &writer, double x, const float *values, int count, QString *line);

// The lines the data-logger graph's export writes for data set `d` of a
// decoded store, as UTF-8: one graph export line per record whose time lies
// in [from, to] (every record by default). `lines` gets their number.
QByteArray DataSetExportText(const TLoggerStore &store, int d, QChar separator, double from = -1e300,
                             double to = 1e300, qint64 *lines = nullptr);

// One table export line: every cell followed by the separator, CR LF after.
QString TableExportLine(const QStringList &cells, QChar separator);

// The field separator of CSV files: ";" where the decimal separator is a
// comma (as spreadsheets of such a locale read them), else ",".
QChar CsvSeparator(QChar decimalSeparator);
QChar CsvSeparator(); // in the current locale
// Separator of the graph export: tab for ".txt", the CSV separator for ".csv"
// (either case), a null QChar for anything else (nothing is written).
QChar GraphSeparatorFor(const QString &path);
// Separator of the table export: the CSV separator when the name's last three
// characters are "csv" in any case ("datacsv" included), else tab.
QChar TableSeparatorFor(const QString &path);
// Separator of the import: tab unless the extension is ".csv"; a CSV file is
// read with ";" when its first line holds one, else with ",".
QChar ImportSeparatorFor(const QString &path, const QString &firstLine = QString());

// Filter of the table export's save dialog, as pairs "desc|pattern|...".
QString TableFileFilter(bool decimalIsComma);

// ---- import ------------------------------------------------------------------

// The longest line the import takes; a longer one is cut there and ends the import.
constexpr int kImportLineLimit = 179;

// Reads an import file line by line (CR LF or LF). A line longer than the
// limit yields its first kImportLineLimit characters and is the last line.
class TImportLineReader {
public:
    explicit TImportLineReader(QIODevice &device);
    // False at the end of the file or after a cut line.
    bool Next(QString *line);

private:
    QIODevice &m_device;
    bool m_done = false;
};

// Splits an import line into the cells of columns 1 .. dataColumns: the text
// before each separator, the last field being the rest of the line when it
// has no separator after it; fields past dataColumns are dropped. An empty
// list when the line holds no separator (which ends the import).
QStringList SplitImportLine(const QString &line, QChar separator, int dataColumns);

// ---- range -------------------------------------------------------------------

struct TRange {
    bool valid = false;   // false: a text was not an integer
    int from = 1;         // 1-based, inclusive
    int to = 0;
    int Count() const { return to >= from ? to - from + 1 : 0; }
};
// The range dialog's answer over rows or points 1 .. last: all of them, or the
// two texts read as integers, taken as absolute values, swapped when reversed,
// `to` lowered to `last`, a `from` of 0 raised to 1.
TRange ChooseRange(bool all, const QString &fromText, const QString &toText, int last);

// ---- the save dialog's type change -------------------------------------------

// The extensions of a filter "desc|*.EXT|desc|*.EXT..." in order, at most
// five, each the four characters after the second "*" of its type (".GHF").
QStringList FilterExtensions(const QString &pairFilter);
// The file name once the type numbered `filterIndex` (from 1) was picked:
// the name without its folder, its extension replaced by the type's. Empty
// when the type has no extension (the name is then left as it is).
QString TypeChangedFileName(const QString &pairFilter, int filterIndex, const QString &fileName);
// The pair form of a Qt filter string as QtFilterFromPairs makes it: each
// "desc (pattern ...)" becomes "desc|pattern".
QString PairsFromQtFilter(const QString &qtFilter);

// ---- reading table rows --------------------------------------------------------

// Reads "date time" as written by the export (the locale's short date, a
// blank, its long time) into a day count. Two-digit years fall within the
// fifty years either side of the current year.
class TDateTimeReader {
public:
    TDateTimeReader();
    bool Read(const QString &text, double *days) const;
    // The message for a text that cannot be read.
    static QString ErrorText(const QString &text);

private:
    struct Token { char kind; int width; QString literal; };
    QVector<Token> m_tokens;
    QLocale m_locale;
    int m_pivotYear;
};

// Reads a table value: a number in the locale's decimal separator.
bool ReadTableNumber(const QLocale &locale, const QString &text, float *value);
// Columns 3 to 5 (RH, T1, T2): " OL" over range, " -OL" under range, a
// number its value, any other text over range.
float MeasuredValueFromText(const QLocale &locale, const QString &text);
// Columns 6 and 7 (WET BULB, DEW POINT): a number its value, anything else no value.
float DerivedValueFromText(const QLocale &locale, const QString &text);

// ---- table printout ------------------------------------------------------------

// Width of each column of a printout: its longest cell, the title row included.
QVector<int> PrintColumnWidths(const QVector<QStringList> &rows);
// A printed row in a fixed-pitch font: each cell padded to its column's width,
// one blank between cells, so every value stands under its column title.
QString PrintLine(const QStringList &cells, const QVector<int> &widths);

// The pages of a table printout, each at most `linesPerPage` lines: the
// header (the table's file), a blank line, the title row (rows[0]), as many
// rows as fit, and the footer (`footer` with %1 the page and %2 the number of
// pages) on the page's last line. An empty table still prints one page.
// The name of the PDF file a document prints to by default: a file's name
// without its folder and extension, any other caption with the characters a
// file name cannot hold replaced, then ".pdf".
QString PrintFileName(const QString &document);

QVector<QStringList> PrintPages(const QVector<QStringList> &rows, const QString &header, const QString &footer,
                                int linesPerPage);

} // namespace TextFormat
