#include "testregistry.h"

#include "gui/base/dialogs.h"
#include "gui/base/opensave.h"
#include "core/base/translation.h"
#include "core/files/graphfile.h"

#include <QPushButton>
#include <QtTest>

class TestOpenSaveChooser : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { QLocale::setDefault(QLocale::system()); }

    void shapeAndButtons();
    void saveRoleCaptions();
    void openRoleCaptions_data();
    void openRoleCaptions();
    void answers_data();
    void answers();
    void filters_data();
    void filters();
    void qtFilterKeepsDescriptions();
};

void TestOpenSaveChooser::shapeAndButtons()
{
    TfrmOpenSave d(TfrmOpenSave::SaveRole);
    QCOMPARE(d.objectName(), QStringLiteral("frmOpenSave"));
    QCOMPARE(d.size(), QSize(378, 177));
    QCOMPARE(d.minimumSize(), d.maximumSize());
    QVERIFY(d.windowFlags() & Qt::WindowStaysOnTopHint);
    for (const char *n : {"btnOpenSets", "btnOpenSingleSet", "Button1"})
        QVERIFY(d.findChild<QPushButton *>(QLatin1String(n)));
}

void TestOpenSaveChooser::saveRoleCaptions()
{
    TfrmOpenSave d(TfrmOpenSave::SaveRole);
    QCOMPARE(d.windowTitle(), GetTextOrDefault(QStringLiteral("IDS_22")));
    // The table's texts in the active language (French).
    QCOMPARE(d.btnOpenSets->text(),
             QStringLiteral("Enregistrer l'ensemble des acquisitions en fichier collection(*.738)"));
    QCOMPARE(d.Button1->text(), QStringLiteral("Annuler"));
}

void TestOpenSaveChooser::openRoleCaptions_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("single");
    QTest::newRow("comma") << QStringLiteral("fr_FR")
                           << QStringLiteral("Ouvrir un seul fichier de donn\u00e9es (*.TXT,*.CSV,*.GHF)");
    QTest::newRow("point") << QStringLiteral("en_US")
                           << QStringLiteral("Ouvrir un seul fichier de donn\u00e9es (*.TXT,*.CSV,*.GHF)");
}

void TestOpenSaveChooser::openRoleCaptions()
{
    QFETCH(QString, locale);
    QFETCH(QString, single);
    QLocale::setDefault(QLocale(locale));
    TfrmOpenSave d(TfrmOpenSave::OpenRole);
    QCOMPARE(d.windowTitle(), GetTextOrDefault(QStringLiteral("IDS_43")));
    QCOMPARE(d.btnOpenSets->text(), QStringLiteral("Ouvrir un fichier d\u2019ensemble de donn\u00e9es (*.738)"));
    QCOMPARE(d.btnOpenSingleSet->text(), single);
}

void TestOpenSaveChooser::answers_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("answer");
    QTest::newRow("sets") << QStringLiteral("btnOpenSets") << int(Dialogs::Ok);
    QTest::newRow("single") << QStringLiteral("btnOpenSingleSet") << int(Dialogs::No);
    QTest::newRow("cancel") << QStringLiteral("Button1") << int(Dialogs::Cancel);
}

void TestOpenSaveChooser::answers()
{
    QFETCH(QString, button);
    QFETCH(int, answer);
    TfrmOpenSave d(TfrmOpenSave::OpenRole);
    d.findChild<QPushButton *>(button)->click();
    QCOMPARE(d.Answer(), answer);
    TfrmOpenSave closed(TfrmOpenSave::SaveRole);
    closed.reject();
    QCOMPARE(closed.Answer(), int(Dialogs::Cancel));
}

void TestOpenSaveChooser::filters_data()
{
    QTest::addColumn<bool>("comma");
    QTest::addColumn<QString>("filter");
    QTest::newRow("comma") << true
                           << "Graph file(*.ghf,only for QM738)|*.GHF|TXT file(*.txt,data seperated by tab)|*.TXT"
                              "|EXCEL file format(*.CSV,seperated by semicolon)|*.CSV";
    QTest::newRow("point") << false
                           << "Graph file(*.ghf,only for QM738)|*.GHF|TXT file(*.txt,data seperated by tab)|*.TXT"
                              "|EXCEL file format(*.CSV,seperated by comma)|*.CSV";
}

void TestOpenSaveChooser::filters()
{
    QFETCH(bool, comma);
    QFETCH(QString, filter);
    QCOMPARE(GraphFileFilter(comma), filter);
    QVERIFY(QtFilterFromPairs(filter).contains(QStringLiteral("*.csv")));
}

void TestOpenSaveChooser::qtFilterKeepsDescriptions()
{
    const QString qt = QtFilterFromPairs(GraphFileFilter(false));
    const QStringList parts = qt.split(QStringLiteral(";;"));
    QCOMPARE(parts.size(), 3);
    QCOMPARE(parts.at(0), QStringLiteral("Graph file(*.ghf,only for QM738) (*.GHF *.ghf)"));
    QCOMPARE(parts.at(1), QStringLiteral("TXT file(*.txt,data seperated by tab) (*.TXT *.txt)"));
    QCOMPARE(parts.at(2), QStringLiteral("EXCEL file format(*.CSV,seperated by comma) (*.CSV *.csv)"));
}

QM738_REGISTER_TEST(TestOpenSaveChooser)
#include "tst_opensave.moc"
