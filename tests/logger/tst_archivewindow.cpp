// The archive window: Data Logger > Archive lists the archived sets, its
// filter (dates, unit, words of the notes) narrows the list, a note edited in
// the list is in the archive afterwards, a set opens in the data-logger
// graph window, Export writes the chosen sets as the data-logger export does,
// and Data Logger > Add Collection to Archive adds the collection shown.
#include "testregistry.h"
#include "graph/graphtestsupport.h"

#include "../archive/archivetestdata.h"
#include "app/frmmain.h"
#include "core/archive/archive.h"
#include "core/base/datetime.h"
#include "core/base/translation.h"
#include "core/files/textformat.h"
#include "core/logger/datasetdecoder.h"
#include "gui/logger/archivewindow.h"
#include "gui/logger/archiving.h"
#include "gui/logger/collection.h"
#include "gui/logger/loggerhost.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QMdiArea>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

using namespace ArchiveTestData;

class TestArchiveWindow : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    QByteArray image;
    const QDateTime start{QDate(2025, 3, 4), QTime(5, 6, 0)};

private slots:
    void initTestCase()
    {
        qputenv("QM738_ARCHIVE", QFile::encodeName(dir.filePath(QStringLiteral("window.sqlite"))));
        CloseProgramArchive();
        image = Image({Set(start, 40, 1, 60), Set(start.addDays(10), 20, 2, 2, 0), Set(start.addDays(20), 30, 3)});
        TArchive archive;
        QVERIFY(archive.Open(TArchive::ResolvePath()));
        QVERIFY(archive.Import(image, {QStringLiteral("usb"), QString(), QStringLiteral("QM738 X")}, nullptr));
    }
    void cleanupTestCase()
    {
        GraphTest::ResetMain();
        CloseProgramArchive();
        qunsetenv("QM738_ARCHIVE");
    }

    void filterAndNoteRoundTrip()
    {
        GraphTest::Answers answers;
        GraphTest::Main()->findChild<QAction *>(QStringLiteral("Archive1"))->trigger();
        auto *window = GraphTest::Main()->findChild<TfrmArchive *>(QStringLiteral("frmArchive"));
        QVERIFY(window);
        QCOMPARE(window->chkFrom->text(), QStringLiteral("&Du")); // French, as every window
        QCOMPARE(window->Model->rowCount(), 3);
        QCOMPARE(window->Model->Sets().first().set.startTime, DateTimeUtil::ToDays(start.addDays(20))); // newest first
        QCOMPARE(window->Model->index(0, TArchiveModel::ColMeter).data().toString(), QStringLiteral("QM738 X"));

        // The note, edited in the list, is in the archive.
        const QModelIndex note = window->Model->index(1, TArchiveModel::ColNote);
        QVERIFY(window->Model->setData(note, QStringLiteral("Chambre froide n°2"), Qt::EditRole));
        QVector<TArchiveSet> sets;
        QVERIFY(ProgramArchive()->List({}, &sets));
        QCOMPARE(sets.at(1).note, QStringLiteral("Chambre froide n°2"));

        // QM738_SHOT=FILE.png: a picture of the frame with this window (docs/archive-window.png).
        if (qEnvironmentVariableIsSet("QM738_SHOT")) {
            GraphTest::Main()->resize(1024, 768);
            GraphTest::Main()->show();
            window->parentWidget()->resize(900, 400);
            window->parentWidget()->raise();
            QTest::qWait(200);
            GraphTest::Main()->grab().save(qEnvironmentVariable("QM738_SHOT"));
        }
        window->edtWords->setText(QStringLiteral("froide"));
        QCOMPARE(window->Model->rowCount(), 1);
        QCOMPARE(window->Model->index(0, TArchiveModel::ColNote).data().toString(), QStringLiteral("Chambre froide n°2"));
        window->edtWords->clear();
        window->cboUnit->setCurrentIndex(1); // F
        QCOMPARE(window->Model->rowCount(), 1);
        QCOMPARE(window->Model->Sets().first().set.unitCode, uint8_t(0));
        window->cboUnit->setCurrentIndex(0);
        window->edtFrom->setDateTime(start.addDays(5));
        window->chkFrom->setChecked(true);
        QCOMPARE(window->Model->rowCount(), 2);
        window->edtTo->setDateTime(start.addDays(15));
        window->chkTo->setChecked(true);
        QCOMPARE(window->Model->rowCount(), 1);
        window->chkFrom->setChecked(false);
        window->chkTo->setChecked(false);
        QCOMPARE(window->Model->rowCount(), 3);

        // A second window made now shows the note read back from the archive.
        TfrmArchive again(ProgramArchive());
        QCOMPARE(again.Model->index(1, TArchiveModel::ColNote).data().toString(), QStringLiteral("Chambre froide n°2"));
        window->parentWidget()->close();
    }

    void openAndExport()
    {
        GraphTest::Answers answers;
        QLocale::setDefault(QLocale::c());
        TfrmArchive window(ProgramArchive());
        // The oldest set (last row) in the data-logger graph window.
        QVERIFY(window.OpenSet(2));
        TLoggerStore &store = GraphTest::Main()->LoggerStore;
        QCOMPARE(store.DataSets.size(), 1);
        QCOMPARE(store.DataSets.first().recordCount, 40);
        QVERIFY(LoggerHost()->LoggerGraphWindow());

        // The two older sets chosen: their data-logger export lines, in time order.
        window.grdSets->selectRow(2);
        window.grdSets->selectionModel()->select(window.Model->index(1, 0),
                                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
        const QString path = dir.filePath(QStringLiteral("two.csv"));
        QVERIFY(window.ExportTo(path));
        TLoggerStore all;
        QCOMPARE(DecodeDataSets(image, all, QDateTime::currentDateTime()), int(DecodeOk));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), TextFormat::DataSetExportText(all, 0, QLatin1Char(','))
                                     + TextFormat::DataSetExportText(all, 1, QLatin1Char(',')));
        QLocale::setDefault(QLocale::system());
    }

    void addCollectionToArchive()
    {
        GraphTest::Answers answers;
        GraphTest::Main()->State.UserFolder = dir.path() + QStringLiteral("/user/");
        const QString path = dir.filePath(QStringLiteral("more.738"));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(Image({Set(start, 40, 1, 60), Set(start.addDays(40), 5, 4)}));
        }
        QVERIFY(OpenCollectionFile(path));
        GraphTest::Main()->findChild<QAction *>(QStringLiteral("AddToArchive1"))->trigger();
        QCOMPARE(ProgramArchive()->SetCount(), 4);
        QVERIFY(answers.messages.isEmpty());
    }
};

QM738_REGISTER_TEST(TestArchiveWindow)
#include "tst_archivewindow.moc"
