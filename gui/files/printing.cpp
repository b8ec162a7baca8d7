#include "gui/files/printing.h"

#include "gui/base/dialogs.h"
#include "core/base/translation.h"
#include "core/files/textformat.h"
#include "core/graph/graphmodel.h"
#include "gui/graph/window/graph.h"
#include "gui/graph/engine/pesgraph.h"
#include "gui/logger/list.h"
#include "core/base/progresspump.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <qcustomplot.h>
#include <memory>
#include <QFontDatabase>
#include <QFontMetrics>
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

QString PrintText(const char *key)
{
    return GetTextOrDefault(QLatin1String(key));
}

// OK and Cancel in the program's language, closing `dialog`.
QDialogButtonBox *OkCancel(QDialog &dialog)
{
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(MainLangTable()->DlgCaption(QStringLiteral("OK")));
    buttons->button(QDialogButtonBox::Cancel)->setText(MainLangTable()->DlgCaption(QStringLiteral("Cancel")));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}

QString PrinterName(const QPrinter &printer)
{
    if (printer.outputFormat() == QPrinter::PdfFormat)
        return PrintText("PRINT_FILE").arg(printer.outputFileName());
    return PrintText("PRINT_PRINTER").arg(printer.printerName());
}
} // namespace

bool PrintTable(const TfrmList &list, QPrinter &printer, QString *error)
{
    QPainter painter;
    if (!painter.begin(&printer)) {
        SetError(error, PrintText("PRINT_NOT_STARTED").arg(PrinterName(printer)));
        return false;
    }
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(8);
    // Plain fixed-pitch lines need neither shaping nor kerning; skipping them
    // makes a long table print several times faster.
    font.setKerning(false);
    font.setStyleStrategy(QFont::StyleStrategy(QFont::PreferNoShaping | QFont::NoFontMerging));
    painter.setFont(font);
    QVector<QStringList> rows;
    rows.reserve(list.RowCount());
    for (int row = 0; row < list.RowCount(); ++row)
        rows << list.RowCells(row);
    // A font too wide for the page is made smaller so no column is cut off
    // at the right edge.
    const QVector<int> widths = TextFormat::PrintColumnWidths(rows);
    qsizetype longest = 12; // "page 99 / 99"
    for (int w : widths)
        longest += w + 1;
    const QRect page = printer.pageRect(QPrinter::DevicePixel).toRect();
    const qreal lineWidth = 1 + painter.fontMetrics().horizontalAdvance(QString(longest, QChar('0')));
    if (lineWidth > page.width() && page.width() > 0) {
        font.setPointSizeF(font.pointSizeF() * page.width() / lineWidth * 0.98);
        painter.setFont(font);
    }
    const QFontMetrics metrics = painter.fontMetrics();
    const int lineHeight = std::max(1, metrics.height());
    const QString header = metrics.elidedText(GraphPrintTitle(list.windowTitle(), QString(), list.Unit()),
                                              Qt::ElideMiddle, page.width() - 2);
    const QVector<QStringList> pages =
        TextFormat::PrintPages(rows, header, PrintText("PRINT_PAGE"), page.height() / lineHeight);
    // Messages run between lines so the program stays responsive through a
    // long printout; a table closed meanwhile ends it.
    const QPointer<const TfrmList> alive(&list);
    TProgressPump pump;
    for (int p = 0; p < pages.size(); ++p) {
        if (p > 0 && !printer.newPage()) {
            painter.end();
            SetError(error, PrintText("PRINT_FAILED_PAGE").arg(PrinterName(printer)).arg(p + 1));
            return false;
        }
        const QStringList &lines = pages.at(p);
        for (int i = 0; i < lines.size(); ++i) {
            if (pump.Due()) {
                pump.Run();
                if (!alive) {
                    painter.end();
                    SetError(error, PrintText("PRINT_CLOSED"));
                    return false;
                }
            }
            if (!lines.at(i).isEmpty())
                painter.drawText(1, i * lineHeight + metrics.ascent(), lines.at(i));
        }
    }
    if (!painter.end() || printer.printerState() == QPrinter::Error) {
        SetError(error, PrintText("PRINT_FAILED").arg(PrinterName(printer)));
        return false;
    }
    return true;
}

bool AskGraphPrintOptions(QWidget *parent, TGraphPrintOptions &options)
{
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("frmGraphPrint"));
    dialog.setWindowTitle(PrintText("GRAPHPRINT_TITLE"));
    auto *layout = new QVBoxLayout(&dialog);
    auto *background = new QGroupBox(PrintText("GRAPHPRINT_BACKGROUND"), &dialog);
    auto *white = new QRadioButton(PrintText("GRAPHPRINT_WHITE"), background);
    auto *screen = new QRadioButton(PrintText("GRAPHPRINT_SCREEN"), background);
    white->setObjectName(QStringLiteral("rbWhite"));
    screen->setObjectName(QStringLiteral("rbScreen"));
    (options.whiteBackground ? white : screen)->setChecked(true);
    auto *group = new QVBoxLayout(background);
    group->addWidget(white);
    group->addWidget(screen);
    layout->addWidget(background);
    auto *title = new QCheckBox(PrintText("GRAPHPRINT_WITH_TITLE"), &dialog);
    auto *statistics = new QCheckBox(PrintText("GRAPHPRINT_WITH_STATISTICS"), &dialog);
    title->setObjectName(QStringLiteral("chkTitle"));
    statistics->setObjectName(QStringLiteral("chkStatistics"));
    title->setChecked(options.title);
    statistics->setChecked(options.statistics);
    layout->addWidget(title);
    layout->addWidget(statistics);
    layout->addWidget(OkCancel(dialog));
    if (Dialogs::Exec(&dialog) != QDialog::Accepted)
        return false;
    options.whiteBackground = white->isChecked();
    options.title = title->isChecked();
    options.statistics = statistics->isChecked();
    return true;
}

namespace {
// The look of a graph, swapped for white paper while it prints.
struct TPaperLook {
    PESGraph *graph;
    QColor desk, back, fore, text;
    QVector<QColor> lines;
    QVector<QColor> annotations;
    explicit TPaperLook(PESGraph *g)
        : graph(g), desk(g->DeskColor()), back(g->GraphBackColor()), fore(g->GraphForeColor()), text(g->TextColor())
    {
        // Lines and annotations bright enough for a black screen (yellow,
        // white) are darkened for paper.
        for (int s = 0; s < graph->Subsets(); ++s) {
            lines << graph->SubsetColors(s);
            graph->setSubsetColors(s, PaperInk(lines.last()));
        }
        for (int i = 0; i < graph->graphAnnotationCount(); ++i) {
            annotations << graph->GraphAnnotationColor(i);
            graph->setGraphAnnotationColor(i, PaperInk(annotations.last()));
        }
        graph->setDeskColor(Qt::white);
        graph->setGraphBackColor(Qt::white);
        graph->setGraphForeColor(Qt::darkGray);
        graph->setTextColor(Qt::black);
        graph->Redraw();
    }
    ~TPaperLook()
    {
        graph->setDeskColor(desk);
        graph->setGraphBackColor(back);
        graph->setGraphForeColor(fore);
        graph->setTextColor(text);
        for (int s = 0; s < lines.size(); ++s)
            graph->setSubsetColors(s, lines.at(s));
        for (int i = 0; i < annotations.size(); ++i)
            graph->setGraphAnnotationColor(i, annotations.at(i));
        graph->Redraw();
    }
};

QString LabelText(const TfrmGraph &window, const char *name)
{
    const auto *label = window.findChild<QLabel *>(QLatin1String(name));
    return label ? label->text().trimmed() : QString();
}
} // namespace

QString GraphPrintName(const TfrmGraph &window)
{
    // A data set's page names the set rather than the window.
    if (window.IsLoggerRole() && window.ShownDataSet > 0)
        return AddedText("Data Set %1").arg(window.ShownDataSet);
    return window.windowTitle();
}

QString GraphPrintTitle(const QString &caption, const QString &start, const QString &unit)
{
    QStringList parts{caption};
    if (!start.trimmed().isEmpty())
        parts << start.trimmed();
    if (!unit.trimmed().isEmpty())
        parts << unit.trimmed();
    return parts.join(QStringLiteral("  -  "));
}

bool PrintGraph(TfrmGraph &window, QPrinter &printer, const TGraphPrintOptions &options, QString *error)
{
    PESGraph *graph = window.PESGraph1;
    std::unique_ptr<TPaperLook> paper;
    if (options.whiteBackground)
        paper = std::make_unique<TPaperLook>(graph);
    graph->Redraw();
    const PESGraph::ScreenResolution screen(printer);
    QCPPainter painter;
    if (!painter.begin(&printer)) {
        SetError(error, PrintText("PRINT_NOT_STARTED").arg(PrinterName(printer)));
        return false;
    }
    const QRectF page = printer.pageRect(QPrinter::DevicePixel).translated(-printer.pageRect(QPrinter::DevicePixel).topLeft());
    QRectF plot = page;
    QFont font = window.font();
    if (options.title) {
        QFont big = font;
        big.setPointSizeF(font.pointSizeF() * 1.4);
        big.setBold(true);
        painter.setFont(big);
        const QFontMetricsF metrics(big, &printer);
        const QString text = metrics.elidedText(
            GraphPrintTitle(GraphPrintName(window), window.txtStartTime ? window.txtStartTime->text() : QString(), graph->Unit()),
            Qt::ElideMiddle, page.width());
        painter.setPen(Qt::black);
        painter.drawText(QRectF(page.left(), page.top(), page.width(), metrics.height()), Qt::AlignHCenter, text);
        plot.setTop(page.top() + metrics.height() * 1.6);
    }
    if (options.statistics) {
        painter.setFont(font);
        const QFontMetricsF metrics(font, &printer);
        const qreal line = metrics.height() * 1.3;
        plot.setBottom(page.bottom() - 3 * line - line / 2);
        const char *labels[3][3] = {{"Label11", "Label12", "Label13"}, {"Label2", "Label3", "Label8"},
                                    {"Label7", "Label10", "Label9"}};
        painter.setPen(Qt::black);
        const qreal column = page.width() / 3;
        for (int ch = 0; ch < 3; ++ch) {
            const QString values[3] = {window.MaxEdit(ch)->text(), window.MinEdit(ch)->text(),
                                       window.AvgEdit(ch)->text()};
            for (int r = 0; r < 3; ++r) {
                const qreal y = plot.bottom() + line / 2 + r * line;
                const QRectF labelBox(page.left() + ch * column, y, column * 0.3, line);
                const QRectF valueBox(labelBox.right() + metrics.averageCharWidth(), y, column * 0.68, line);
                painter.drawText(labelBox, Qt::AlignRight | Qt::AlignVCenter, LabelText(window, labels[ch][r]));
                painter.drawText(valueBox, Qt::AlignLeft | Qt::AlignVCenter,
                                 metrics.elidedText(values[r].trimmed(), Qt::ElideRight, valueBox.width()));
            }
        }
    }
    graph->PaintInto(painter, plot);
    const bool ok = painter.end() && printer.printerState() != QPrinter::Error;
    paper.reset();
    graph->Redraw();
    if (!ok)
        SetError(error, PrintText("PRINT_FAILED").arg(PrinterName(printer)));
    return ok;
}

namespace {
// A printout to a file is named after its document, in the folder of the last one.
void NameOutputFile(QPrinter &printer, const QString &document)
{
    if (printer.outputFormat() != QPrinter::PdfFormat)
        return;
    const QString folder = QFileInfo(printer.outputFileName()).absolutePath();
    printer.setOutputFileName(QDir(folder).filePath(TextFormat::PrintFileName(document)));
}
} // namespace

void PrintDocument(QWidget *child, QPrinter &printer, QWidget *parent)
{
    if (!child)
        return;
    if (auto *list = qobject_cast<TfrmList *>(child)) {
        NameOutputFile(printer, list->windowTitle());
        QPrintDialog dialog(&printer, parent ? parent : child->window());
        if (Dialogs::Exec(&dialog) != QDialog::Accepted)
            return;
        QString error;
        if (!PrintTable(*list, printer, &error))
            Dialogs::Message(parent ? parent : child->window(), Dialogs::Kind::Error, error);
        return;
    }
    if (auto *window = qobject_cast<TfrmGraph *>(child)) {
        QWidget *owner = parent ? parent : child->window();
        TGraphPrintOptions options;
        if (!AskGraphPrintOptions(owner, options))
            return;
        NameOutputFile(printer, GraphPrintName(*window));
        QPrintDialog dialog(&printer, owner);
        if (Dialogs::Exec(&dialog) != QDialog::Accepted)
            return;
        QString error;
        if (!PrintGraph(*window, printer, options, &error))
            Dialogs::Message(owner, Dialogs::Kind::Error, error);
        return;
    }
    // The front panel and any other window print nothing.
}

void ShowPrinterSetup(QPrinter &printer, QWidget *parent)
{
    // The printer, the paper and the orientation, as one dialog; a printer
    // that is a PDF file is a choice like any other.
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("frmPrinterSetup"));
    dialog.setWindowTitle(PrintText("PRINTSETUP_TITLE"));
    auto *form = new QFormLayout(&dialog);
    auto *printers = new QComboBox(&dialog);
    printers->setObjectName(QStringLiteral("cbPrinter"));
    const QStringList names = QPrinterInfo::availablePrinterNames();
    printers->addItems(names);
    printers->addItem(PrintText("PRINTSETUP_PDF")); // last: print to a PDF file
    printers->setCurrentIndex(printer.outputFormat() == QPrinter::PdfFormat ? int(names.size())
                                                                             : std::max(0, int(names.indexOf(printer.printerName()))));
    form->addRow(PrintText("PRINTSETUP_PRINTER"), printers);
    auto *paper = new QComboBox(&dialog);
    paper->setObjectName(QStringLiteral("cbPaper"));
    const QPageSize::PageSizeId sizes[] = {QPageSize::A4, QPageSize::Letter, QPageSize::Legal, QPageSize::A3, QPageSize::A5};
    for (QPageSize::PageSizeId id : sizes)
        paper->addItem(QPageSize::name(id), int(id));
    paper->setCurrentIndex(std::max(0, paper->findData(int(printer.pageLayout().pageSize().id()))));
    form->addRow(PrintText("PRINTSETUP_PAPER"), paper);
    auto *orientation = new QComboBox(&dialog);
    orientation->setObjectName(QStringLiteral("cbOrientation"));
    orientation->addItem(PrintText("PRINTSETUP_PORTRAIT"));
    orientation->addItem(PrintText("PRINTSETUP_LANDSCAPE"));
    orientation->setCurrentIndex(printer.pageLayout().orientation() == QPageLayout::Landscape ? 1 : 0);
    form->addRow(PrintText("PRINTSETUP_ORIENTATION"), orientation);
    form->addRow(OkCancel(dialog));
    if (Dialogs::Exec(&dialog) != QDialog::Accepted)
        return;
    if (printers->currentIndex() < names.size()) {
        printer.setOutputFormat(QPrinter::NativeFormat);
        printer.setPrinterName(names.at(printers->currentIndex()));
    } else {
        const QString file = printer.outputFileName();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
    }
    printer.setPageSize(QPageSize(QPageSize::PageSizeId(paper->currentData().toInt())));
    printer.setPageOrientation(orientation->currentIndex() == 1 ? QPageLayout::Landscape : QPageLayout::Portrait);
}

void PreparePrinter(QPrinter &printer, const QString &folder)
{
    if (!QPrinterInfo::availablePrinters().isEmpty())
        return;
    printer.setOutputFormat(QPrinter::PdfFormat);
    if (printer.outputFileName().isEmpty())
        printer.setOutputFileName(QDir(folder).filePath(QStringLiteral("QM738.pdf"))); // each printout names its own
}
