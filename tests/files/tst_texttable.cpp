#include "testregistry.h"
#include "graph/graphtestsupport.h"

#include "core/base/translation.h"
#include "core/files/graphfile.h"
#include "app/documents.h"
#include "gui/files/printing.h"
#include "core/files/textformat.h"
#include "gui/files/texttable.h"
#include "gui/graph/window/graph.h"
#include "gui/graph/window/graphsetup.h"
#include "gui/graph/engine/pesgraph.h"
#include "gui/logger/list.h"
#include "gui/base/scope.h"
#include "gui/logger/tablegraph.h"

#include <QBuffer>
#include <QFileDialog>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using namespace TextFormat;

namespace {

const double kDay = 46000.5; // 9 December 2025, noon

QByteArray FileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Answers the range dialog: all rows, or "Select" with the two texts.
std::function<int(QDialog *)> RangeAnswer(const QString &from = QString(), const QString &to = QString())
{
    return [=](QDialog *d) {
        auto *scope = qobject_cast<TfrmScope *>(d);
        if (!scope)
            return int(QDialog::Rejected);
        if (!from.isNull()) {
            scope->radNo->setChecked(true);
            scope->edtSelFrom->setText(from);
            scope->edtSelTo->setText(to);
        }
        return int(QDialog::Accepted);
    };
}

TfrmList *ListFromText(const QByteArray &text, QChar separator = QChar('\t'))
{
    auto *list = new TfrmList;
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    ImportTextIntoList(list, buffer, separator);
    return list;
}

} // namespace

class TestTextTables : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        GraphTest::RemoveTemplates();
        GraphTest::ResetMain();
        QVERIFY(dir.isValid());
    }
    void cleanup()
    {
        GraphTest::ResetMain();
        QLocale::setDefault(QLocale::system());
    }

    void lineFormats_data();
    void lineFormats();
    void separators_data();
    void separators();
    void range_data();
    void range();
    void importLines_data();
    void importLines();
    void fileNameChange_data();
    void fileNameChange();
    void typeChangeInSaveDialog_data();
    void typeChangeInSaveDialog();
    void roundTrip_data();
    void roundTrip();
    void exportFailures();
    void printLines_data();
    void printLines();
    void printTableToPdf();

private:
    QTemporaryDir dir;
};

void TestTextTables::lineFormats_data()
{
    QTest::addColumn<bool>("graph");
    QTest::addColumn<QVariantList>("values"); // graph: five floats; table: cell texts
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("expected");
    const QString date = QStringLiteral("12/9/25\t12:00:00 PM");
    QTest::newRow("limits kept") << true << QVariantList{5000.0, -390.0, 23.45, 0.0, -12.0} << "\t"
                                 << date + "\t5000.0\t-390.0\t23.5\t0.0\t-12.0\r\n";
    QTest::newRow("limits passed") << true << QVariantList{5000.1, -390.5, 9999.0, 9000.0, -9000.0} << "\t"
                                   << date + "\t OL\t -OL\t OL\t OL\t -OL\r\n";
    QTest::newRow("comma") << true << QVariantList{1.0, 2.0, 3.0, 4.0, 5.0} << ","
                           << "12/9/25,12:00:00 PM,1.0,2.0,3.0,4.0,5.0\r\n";
    QTest::newRow("table") << false << QVariantList{"a", "b", "c"} << "," << "a,b,c,\r\n";
    QTest::newRow("empty last cell") << false << QVariantList{"a", "b", ""} << "\t" << "a\tb\t\t\r\n";
}

void TestTextTables::lineFormats()
{
    QFETCH(bool, graph);
    QFETCH(QVariantList, values);
    QFETCH(QString, separator);
    QFETCH(QString, expected);
    if (graph) {
        float v[5];
        for (int i = 0; i < 5; ++i)
            v[i] = values.at(i).toFloat();
        TGraphLineWriter writer(separator.at(0));
        QCOMPARE(writer.Line(kDay, v, 5), expected);
    } else {
        QStringList cells;
        for (const QVariant &c : values)
            cells << c.toString();
        QCOMPARE(TableExportLine(cells, separator.at(0)), expected);
    }
}

void TestTextTables::separators_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("firstLine"); // the import's first line
    QTest::addColumn<QString>("graph");     // "" = nothing written
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("import");
    QTest::newRow("CSV") << "C" << "/d/data.CSV" << "" << "," << "," << ",";
    QTest::newRow("txt") << "C" << "/d/data.txt" << "" << "\t" << "\t" << "\t";
    QTest::newRow("no dot") << "C" << "/d/datacsv" << "" << "" << "," << "\t";
    QTest::newRow("dat") << "C" << "/d/data.dat" << "" << "" << "\t" << "\t";
    QTest::newRow("fr csv") << "fr_FR" << "/d/data.csv" << "" << ";" << ";" << ",";
    QTest::newRow("fr txt") << "fr_FR" << "/d/data.txt" << "" << "\t" << "\t" << "\t";
    QTest::newRow("fr no dot") << "fr_FR" << "/d/datacsv" << "" << "" << ";" << "\t";
    QTest::newRow("import fr csv in C") << "C" << "/d/data.csv" << "10/12/2026;14:03:05;44,3;22,4;21,4;14,9;9,6" << ","
                                        << "," << ";";
    QTest::newRow("import C csv in fr") << "fr_FR" << "/d/data.csv" << "12/10/26,2:03:05 PM,44.3,22.4,21.4,14.9,9.6"
                                        << ";" << ";" << ",";
}

void TestTextTables::separators()
{
    QFETCH(QString, locale);
    QFETCH(QString, path);
    QFETCH(QString, firstLine);
    QFETCH(QString, graph);
    QFETCH(QString, table);
    QFETCH(QString, import);
    QLocale::setDefault(QLocale(locale));
    QCOMPARE(GraphSeparatorFor(path), graph.isEmpty() ? QChar() : graph.at(0));
    QCOMPARE(TableSeparatorFor(path), table.at(0));
    QCOMPARE(ImportSeparatorFor(path, firstLine), import.at(0));
}

void TestTextTables::range_data()
{
    QTest::addColumn<bool>("all");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::newRow("all") << true << "x" << "y" << true << 1 << 20;
    QTest::newRow("swapped") << false << "10" << "3" << true << 3 << 10;
    QTest::newRow("clamped") << false << "5" << "99" << true << 5 << 20;
    QTest::newRow("zero") << false << "0" << "2" << true << 1 << 2;
    QTest::newRow("negative") << false << "-4" << "6" << true << 4 << 6;
    QTest::newRow("beyond") << false << "30" << "40" << true << 30 << 20; // nothing
    QTest::newRow("not a number") << false << "1" << "ten" << false << 1 << 0;
    QTest::newRow("too large") << false << "1" << "99999999999" << false << 1 << 0;
}

void TestTextTables::range()
{
    QFETCH(bool, all);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(bool, valid);
    QFETCH(int, first);
    QFETCH(int, last);
    const TRange r = ChooseRange(all, from, to, 20);
    QCOMPARE(r.valid, valid);
    QCOMPARE(r.from, first);
    QCOMPARE(r.to, last);
}

void TestTextTables::importLines_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("rows"); // each row's cells of columns 0 .. 7 joined by "|"
    const QByteArray longLine = "a\t" + QByteArray(198, 'b');
    QTest::newRow("empty third line") << QByteArray("1\t2\r\n3\t4\r\n\r\n5\t6\r\n")
                                      << QStringList{"1|1|2|||||", "2|3|4|||||"};
    QTest::newRow("200 characters") << longLine + "\r\nc\td\r\n"
                                    << QStringList{"1|a|" + QString(177, 'b') + "|||||"};
    QTest::newRow("no separator") << QByteArray("x\ty\nplain\nz\tw\n") << QStringList{"1|x|y|||||"};
    QTest::newRow("table export") << QByteArray("d\tt\t1\t2\t3\t4\t5\t\r\n")
                                  << QStringList{"1|d|t|1|2|3|4|5"};
    QTest::newRow("extra fields dropped") << QByteArray("1\t2\t3\t4\t5\t6\t7\t8\t9")
                                          << QStringList{"1|1|2|3|4|5|6|7"};
    QTest::newRow("utf-8 no end") << QByteArray("\xc2\xb0" "C\t\xc3\xa9") << QStringList{"1|°C|é|||||"};
    QTest::newRow("empty file") << QByteArray() << QStringList{"|||||||"};
}

void TestTextTables::importLines()
{
    QFETCH(QByteArray, text);
    QFETCH(QStringList, rows);
    std::unique_ptr<TfrmList> list(ListFromText(text));
    QCOMPARE(list->RowCount(), rows.size() + 1);
    for (int r = 1; r < list->RowCount(); ++r)
        QCOMPARE(list->RowCells(r).join(QChar('|')), rows.at(r - 1));
    QCOMPARE(list->RowCells(0), TfrmList::Titles());
}

void TestTextTables::fileNameChange_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    const QString graph = GraphFileFilter(false);
    const QString table = TableFileFilter(false);
    QTest::newRow("GHF to TXT") << graph << 2 << "report.GHF" << "report.TXT";
    QTest::newRow("folder dropped") << graph << 3 << "/home/u/report.GHF" << "report.CSV";
    QTest::newRow("no extension") << graph << 1 << "report" << "report.GHF";
    QTest::newRow("table CSV") << table << 2 << "data.TXT" << "data.CSV";
    QTest::newRow("no such type") << table << 3 << "data.TXT" << "";
    QTest::newRow("Qt form") << PairsFromQtFilter(QtFilterFromPairs(graph)) << 2 << "report.GHF" << "report.TXT";
    QTest::newRow("at most five") << QString("a(*.a)|*.AAAA|b(*.b)|*.BBBB|c(*.c)|*.CCCC|d(*.d)|*.DDDD|e(*.e)|*.EEEE|f(*.f)|*.FFFF")
                                  << 6 << "x.y" << "";
}

void TestTextTables::fileNameChange()
{
    QFETCH(QString, filter);
    QFETCH(int, index);
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QCOMPARE(TypeChangedFileName(filter, index, name), expected);
}

// The save dialog itself: the file a save writes once a type was picked and
// a name typed (Qt's own dialog only replaces an extension already there).
void TestTextTables::typeChangeInSaveDialog_data()
{
    QTest::addColumn<int>("type"); // 1 graph file, 2 TXT, 3 CSV
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("saved");
    QTest::newRow("TXT, no extension") << 2 << "essai_rt" << "essai_rt.TXT";
    QTest::newRow("CSV, no extension") << 3 << "essai_rt" << "essai_rt.CSV";
    QTest::newRow("graph file, no extension") << 1 << "essai_rt" << "essai_rt.GHF";
    QTest::newRow("TXT, its extension") << 2 << "essai_rt.txt" << "essai_rt.txt";
    QTest::newRow("TXT, another type's extension") << 2 << "essai_rt.ghf" << "essai_rt.ghf";
}

void TestTextTables::typeChangeInSaveDialog()
{
    QFETCH(int, type);
    QFETCH(QString, typed);
    QFETCH(QString, saved);
    const QString pairs = GraphFileFilter(false);
    QFileDialog dialog(nullptr, QString(), dir.path(), QtFilterFromPairs(pairs));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("GHF"));
    WireSaveTypeChange(&dialog, pairs);
    // The user picks the type, then types the name.
    const QString filter = dialog.nameFilters().at(type - 1);
    dialog.selectNameFilter(filter);
    emit dialog.filterSelected(filter);
    dialog.selectFile(typed);
    QCOMPARE(QFileInfo(dialog.selectedFiles().value(0)).fileName(), saved);
}

void TestTextTables::roundTrip_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("file");
    QTest::newRow("English txt") << QLocale(QLocale::English, QLocale::UnitedStates) << "rt.txt";
    QTest::newRow("English csv") << QLocale(QLocale::English, QLocale::UnitedKingdom) << "rt.CSV";
    QTest::newRow("French txt") << QLocale(QLocale::French, QLocale::France) << "rt.txt";
    QTest::newRow("French csv") << QLocale(QLocale::French, QLocale::France) << "rt.csv";
}

// A real-time graph of 100 points of which 40 were recorded goes to a text
// file, comes back as a table window and is graphed: 40 rows, same values and
// times, markers where the export wrote them.
void TestTextTables::roundTrip()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, file);
    QLocale::setDefault(locale);
    PESGraph g;
    SetUpGraph(&g, 5, 100, -20, kDay + 1, kDay, 100);
    for (int p = 0; p < 40; ++p)
        for (int s = 0; s < 5; ++s) {
            g.setXDataII(s, p, kDay + p * 2 / 86400.0 + (p == 39 ? 0.6 : 0)); // the last crosses midnight
            g.setYData(s, p, p == 7 ? 9000.0f : p == 8 ? -9000.0f : -15.0f + s * 10.3f + p * 0.1f);
        }
    g.setYData(4, 5, 9999.0f); // no DEW POINT
    g.setUnit(QStringLiteral("K"));
    GraphTest::Answers answers;
    answers.exec = RangeAnswer();
    const QString path = dir.filePath(file);
    QVERIFY(ExportGraphText(&g, path, GraphSeparatorFor(path)));
    QCOMPARE(FileBytes(path).count("\r\n"), 40);

    OpenSingleFile(path);
    auto *list = qobject_cast<TfrmList *>(GraphTest::Main()->MdiArea->subWindowList().last()->widget());
    QVERIFY(list);
    QCOMPARE(list->windowTitle(), QFileInfo(path).absoluteFilePath());
    QCOMPARE(list->RowCount(), 41);
    QCOMPARE(list->Unit(), QStringLiteral("K")); // the file as this program wrote it
    TfrmGraph *window = GraphTableWindow(list);
    QVERIFY(window);
    QCOMPARE(answers.messages, QStringList());
    QCOMPARE(window->windowTitle(), list->windowTitle());
    PESGraph *t = window->PESGraph1;
    QCOMPARE(t->Points(), 40);
    for (int p = 0; p < 40; ++p)
        for (int s = 0; s < 5; ++s) {
            QCOMPARE(t->XDataII(s, p) * 86400.0, std::round(g.XDataII(s, p) * 86400.0));
            float expected = g.YData(s, p);
            if (expected > 5000.0f)
                expected = s < 3 ? 9000.0f : 9999.0f; // " OL": over range, no derived value
            else if (expected < -390.0f)
                expected = s < 3 ? -9000.0f : 9999.0f;
            QVERIFY2(std::fabs(t->YData(s, p) - expected) < 0.051f, qPrintable(QString("%1 %2").arg(s).arg(p)));
        }
    QCOMPARE(window->txtDataNo->text(), QStringLiteral("40"));
    QCOMPARE(t->Unit(), QStringLiteral("K"));
    QCOMPARE(window->txtRHMax->text(), QStringLiteral("OL"));
}

void TestTextTables::exportFailures()
{
    PESGraph g;
    SetUpGraph(&g, 5, 100, -20, kDay + 1, kDay, 2000);
    for (int p = 0; p < 2000; ++p)
        for (int s = 0; s < 5; ++s) {
            g.setXDataII(s, p, kDay + p / 86400.0);
            g.setYData(s, p, 20.0f);
        }
    GraphTest::Answers answers;

    // A bad number: the graph export's keyed message, no file.
    answers.exec = RangeAnswer(QStringLiteral("1"), QStringLiteral("x"));
    const QString bad = dir.filePath(QStringLiteral("bad.txt"));
    QVERIFY(!ExportGraphText(&g, bad, QChar('\t')));
    QCOMPARE(answers.messages, QStringList{GetTextOrDefault(QStringLiteral("IDS_29"))});
    QVERIFY(!QFile::exists(bad));

    // A folder that does not exist: told, nothing written.
    answers.messages.clear();
    answers.exec = RangeAnswer();
    QVERIFY(!ExportGraphText(&g, dir.filePath(QStringLiteral("none/x.txt")), QChar('\t')));
    QCOMPARE(answers.messages.size(), 1);

    // The disk fills up part-way: told, and the earlier file stays as it was.
    const QString full = dir.filePath(QStringLiteral("full.txt"));
    QFile old(full);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old\r\n");
    old.close();
    answers.messages.clear();
    struct rlimit saved;
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 20000;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = ExportGraphText(&g, full, QChar('\t'));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    QVERIFY(!written);
    QCOMPARE(answers.messages.size(), 1);
    QVERIFY(answers.messages.first().contains(QStringLiteral("full.txt")));
    QCOMPARE(FileBytes(full), QByteArray("old\r\n"));

    // The table export: its own save dialog and its fixed message.
    std::unique_ptr<TfrmList> list(ListFromText("a\tb\r\nc\td\r\n"));
    answers.messages.clear();
    answers.filePath = dir.filePath(QStringLiteral("table"));
    answers.exec = RangeAnswer(QStringLiteral("-"), QStringLiteral("2"));
    QVERIFY(!ExportTableText(list.get()));
    QCOMPARE(answers.messages, QStringList{QStringLiteral("invalid integer")});
    const Dialogs::FileRequest request = answers.fileRequests.last();
    QCOMPARE(request.defaultSuffix, QStringLiteral("TXT"));
    QCOMPARE(PairsFromQtFilter(request.filter), PairsFromQtFilter(QtFilterFromPairs(TableFileFilter(false))));
    answers.exec = RangeAnswer(QStringLiteral("2"), QStringLiteral("2"));
    QVERIFY(ExportTableText(list.get()));
    QCOMPARE(FileBytes(answers.filePath), QByteArray("c\td\t\t\t\t\t\t\r\n"));

    // With a decimal comma, CSV separates the fields with ";" and reads back as columns.
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    const QString csv = dir.filePath(QStringLiteral("semicolon.csv"));
    answers.filePath = csv;
    QVERIFY(ExportTableText(list.get()));
    QCOMPARE(FileBytes(csv), QByteArray("c;d;;;;;;\r\n"));
    std::unique_ptr<TfrmList> back(ImportTableText(csv));
    QVERIFY(back);
    QCOMPARE(back->DataCells(1).mid(0, 2), (QStringList{"c", "d"}));
}

void TestTextTables::printLines_data()
{
    // Each page, top to bottom; rows[0] is the title row.
    QTest::addColumn<QVector<QStringList>>("rows");
    QTest::addColumn<int>("linesPerPage");
    QTest::addColumn<QVector<QStringList>>("pages");
    const QStringList titles{"No", "Date", "Time", "RH"};
    const QString head = "No Date       Time     RH";
    QTest::newRow("columns under their titles")
        << QVector<QStringList>{titles, {"9", "14/06/2025", "13:45:30", "50.0"}, {"10", "14/06/2025", "13:45:32", " OL"}}
        << 8
        << QVector<QStringList>{{"t.txt", "", head, "9  14/06/2025 13:45:30 50.0", "10 14/06/2025 13:45:32  OL",
                                 "", "", "page 1 / 1"}};
    QTest::newRow("titles on every page")
        << QVector<QStringList>{{"No", "RH"}, {"1", "5"}, {"2", "6"}, {"3", "7"}} << 7
        << QVector<QStringList>{{"t.txt", "", "No RH", "1  5", "2  6", "", "page 1 / 2"},
                                {"t.txt", "", "No RH", "3  7", "", "", "page 2 / 2"}};
    QTest::newRow("titles only") << QVector<QStringList>{{"No", "RH"}} << 6
                                 << QVector<QStringList>{{"t.txt", "", "No RH", "", "", "page 1 / 1"}};
}

void TestTextTables::printLines()
{
    QFETCH(QVector<QStringList>, rows);
    QFETCH(int, linesPerPage);
    QFETCH(QVector<QStringList>, pages);
    QCOMPARE(PrintPages(rows, "t.txt", "page %1 / %2", linesPerPage), pages);
}

void TestTextTables::printTableToPdf()
{
    std::unique_ptr<TfrmList> list(ListFromText("12/9/25\t1:00:00 PM\t50.0\t20.0\t21.0\t14.0\t9.0\t\r\n"
                                                "12/9/25\t1:00:02 PM\t50.1\t20.1\t21.1\t14.1\t9.1\t\r\n"));
    QCOMPARE(list->RowCount(), 3);
    QPrinter printer(QPrinter::HighResolution);
    const QString pdf = dir.filePath(QStringLiteral("table.pdf"));
    GraphTest::Answers answers;
    answers.exec = [&](QDialog *d) {
        auto *dialog = qobject_cast<QPrintDialog *>(d);
        if (!dialog)
            return int(QDialog::Rejected);
        dialog->printer()->setOutputFormat(QPrinter::PdfFormat);
        dialog->printer()->setOutputFileName(pdf);
        return int(QDialog::Accepted);
    };
    PrintDocument(list.get(), printer);
    const QByteArray bytes = FileBytes(pdf);
    QVERIFY(bytes.startsWith("%PDF"));
    QCOMPARE(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") + bytes.count("/Type /Page "), 1);
    QCOMPARE(answers.messages, QStringList());

    // A printer that cannot start is reported.
    printer.setOutputFileName(dir.filePath(QStringLiteral("none/table.pdf")));
    answers.exec = [](QDialog *) { return int(QDialog::Accepted); };
    PrintDocument(list.get(), printer);
    QCOMPARE(answers.messages.size(), 1);

    // The front panel prints nothing and asks nothing.
    answers.execCount = 0;
    QWidget panel;
    PrintDocument(&panel, printer);
    PrintDocument(nullptr, printer);
    QCOMPARE(answers.execCount, 0);
}

QM738_REGISTER_TEST(TestTextTables)
#include "tst_texttable.moc"
