#include "files/printing.h"

#include "app/dialogs.h"
#include "files/textformat.h"
#include "graph/graph.h"
#include "graph/pesgraph.h"
#include "logger/list.h"
#include "logger/progresspump.h"

#include <QDir>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace {
void SetError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

QString PrinterName(const QPrinter &printer)
{
    if (printer.outputFormat() == QPrinter::PdfFormat)
        return QStringLiteral("the file \"%1\"").arg(printer.outputFileName());
    return QStringLiteral("the printer \"%1\"").arg(printer.printerName());
}
} // namespace

bool PrintTable(const TfrmList &list, QPrinter &printer, QString *error)
{
    QPainter painter;
    if (!painter.begin(&printer)) {
        SetError(error, QStringLiteral("Printing to %1 could not start.").arg(PrinterName(printer)));
        return false;
    }
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(8);
    // Plain fixed-pitch lines need neither shaping nor kerning; skipping them
    // makes a long table print several times faster.
    font.setKerning(false);
    font.setStyleStrategy(QFont::StyleStrategy(QFont::PreferNoShaping | QFont::NoFontMerging));
    painter.setFont(font);
    const int rows = list.RowCount();
    // The lines are as long as the widest row; a font too wide for the page
    // is made smaller so no column is cut off at the right edge.
    qsizetype longest = 1;
    for (int row = 0; row < rows; ++row)
        longest = std::max(longest, TextFormat::PrintLine(list.RowCells(row)).size());
    const int pageWidth = printer.pageRect(QPrinter::DevicePixel).toRect().width();
    const qreal lineWidth = 1 + painter.fontMetrics().horizontalAdvance(QString(longest, QChar('0')));
    if (lineWidth > pageWidth && pageWidth > 0) {
        font.setPointSizeF(font.pointSizeF() * pageWidth / lineWidth * 0.98);
        painter.setFont(font);
    }
    const QFontMetrics metrics = painter.fontMetrics();
    const int lineHeight = metrics.boundingRect(QStringLiteral("String Grid Printout")).height();
    const TextFormat::TPrintLayout layout(printer.pageRect(QPrinter::DevicePixel).toRect().height(),
                                          std::max(lineHeight, metrics.height()));
    // Messages run between lines so the program stays responsive through a
    // long printout; a table closed meanwhile ends it.
    const QPointer<const TfrmList> alive(&list);
    TProgressPump pump;
    for (int row = 0; row < rows; ++row) {
        if (pump.Due()) {
            pump.Run();
            if (!alive) {
                painter.end();
                SetError(error, QStringLiteral("The table was closed while it was printed."));
                return false;
            }
        }
        if (layout.StartsPage(row) && !printer.newPage()) {
            painter.end();
            SetError(error, QStringLiteral("Printing to %1 failed on page %2.")
                                .arg(PrinterName(printer))
                                .arg(row / layout.rowsPerPage + 1));
            return false;
        }
        painter.drawText(1, layout.Top(row) + metrics.ascent(), TextFormat::PrintLine(list.RowCells(row)));
    }
    if (!painter.end() || printer.printerState() == QPrinter::Error) {
        SetError(error, QStringLiteral("Printing to %1 failed.").arg(PrinterName(printer)));
        return false;
    }
    return true;
}

void PrintDocument(QWidget *child, QPrinter &printer, QWidget *parent)
{
    if (!child)
        return;
    if (auto *list = qobject_cast<TfrmList *>(child)) {
        QPrintDialog dialog(&printer, parent ? parent : child->window());
        if (Dialogs::Exec(&dialog) != QDialog::Accepted)
            return;
        QString error;
        if (!PrintTable(*list, printer, &error))
            Dialogs::Message(parent ? parent : child->window(), Dialogs::Kind::Error, error);
        return;
    }
    if (auto *window = qobject_cast<TfrmGraph *>(child)) {
        PESGraph *graph = window->PESGraph1;
        graph->setAllowFontPage(false);
        graph->setAllowPage1(false);
        graph->setAllowPage2(false);
        graph->setAllowSubsetsPage(false);
        graph->sgCustomize();
        graph->setAllowFontPage(true);
        graph->setAllowPage1(true);
        graph->setAllowPage2(true);
        graph->setAllowSubsetsPage(true);
        graph->sgPrintDialog();
    }
    // The front panel and any other window print nothing.
}

void ShowPrinterSetup(QPrinter &printer, QWidget *parent)
{
    QPageSetupDialog dialog(&printer, parent);
    Dialogs::Exec(&dialog);
}

void PreparePrinter(QPrinter &printer, const QString &folder)
{
    if (!QPrinterInfo::availablePrinters().isEmpty())
        return;
    printer.setOutputFormat(QPrinter::PdfFormat);
    if (printer.outputFileName().isEmpty())
        printer.setOutputFileName(QDir(folder).filePath(QStringLiteral("table.pdf")));
}
