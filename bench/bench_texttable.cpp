// Text tables of 32,768 rows, as a full logger memory gives: exporting a
// graph and a table, importing the file into a table window, graphing that
// table and printing it to a PDF file, each with its progress window. Each
// also reports the longest time the program went without handling its
// messages (a 1 ms timer that cannot fire while a step hogs the thread).

#include "gui/base/dialogs.h"
#include "gui/files/printing.h"
#include "core/files/textformat.h"
#include "gui/files/texttable.h"
#include "gui/graph/window/graph.h"
#include "gui/graph/window/graphsetup.h"
#include "gui/graph/engine/pesgraph.h"
#include "gui/logger/list.h"
#include "gui/logger/tablegraph.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <QPrinter>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// The longest gap between the ticks of a 1 ms timer while it lives.
class TPauseMeter {
public:
    explicit TPauseMeter(const char *what) : m_what(what)
    {
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_longest = std::max(m_longest, m_clock.restart());
        });
        m_clock.start();
        m_timer.start();
    }
    ~TPauseMeter() { qInfo("%s: longest pause in message handling %lld ms", m_what, m_longest); }

private:
    const char *m_what;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_longest = 0;
};

class BenchTextTable : public QObject {
    Q_OBJECT
    static constexpr int kRows = 32768;
    QTemporaryDir dir;
    PESGraph graph;
    TfrmList *list = nullptr;

    QString Path(const char *name) const { return dir.filePath(QLatin1String(name)); }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        Dialogs::SetMessageHandler([](const Dialogs::MessageRequest &r) {
            qWarning("message: %s", qPrintable(r.text));
            return int(Dialogs::Ok);
        });
        Dialogs::SetExecHandler([](QDialog *) { return int(QDialog::Accepted); }); // range: all rows
        const double start = 46000.25;
        SetUpGraph(&graph, 5, 100, -20, start + kRows * 2 / 86400.0, start, kRows);
        for (int p = 0; p < kRows; ++p)
            for (int s = 0; s < 5; ++s) {
                graph.setXDataII(s, p, start + p * 2 / 86400.0);
                graph.setYData(s, p, 20.0f + s + (p % 100) * 0.1f);
            }
    }

    void exportGraph()
    {
        TPauseMeter pauses("export graph");
        QBENCHMARK {
            QVERIFY(ExportGraphText(&graph, Path("graph.txt"), QChar('\t')));
        }
    }

    void importTable()
    {
        TPauseMeter pauses("import");
        QBENCHMARK {
            delete list;
            list = ImportTableText(Path("graph.txt"));
        }
        QVERIFY(list);
        QCOMPARE(list->RowCount(), kRows + 1);
    }

    void exportTable()
    {
        QVERIFY(list);
        Dialogs::SetFileHandler([this](const Dialogs::FileRequest &) { return Path("table.csv"); });
        TPauseMeter pauses("export table");
        QBENCHMARK {
            QVERIFY(ExportTableText(list));
        }
    }

    void graphTable()
    {
        QVERIFY(list);
        TfrmGraph *window = nullptr;
        TPauseMeter pauses("graph table");
        QBENCHMARK {
            delete window;
            window = GraphTableWindow(list);
        }
        QVERIFY(window);
        QCOMPARE(window->PESGraph1->Points(), kRows);
        delete window;
    }

    void printTable()
    {
        QVERIFY(list);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(Path("table.pdf"));
        TPauseMeter pauses("print");
        QBENCHMARK {
            QVERIFY(PrintTable(*list, printer));
        }
    }

    void cleanupTestCase() { delete list; }
};

QTEST_MAIN(BenchTextTable)
#include "bench_texttable.moc"
