// Contents of the compiled-in translation tables: the stored form of every
// table (Windows-1252, CRLF, sections in their fixed order, entries of key and
// two texts each closed by the character 1), the texts the code looks up by
// key, that the committed tables match their readable sources, and that the
// real tables reach the windows through the table reader.

#include "gui/base/about.h"
#include "app/frmmain.h"
#include "gui/base/langapply.h"
#include "gui/base/opensave.h"
#include "gui/graph/window/annoedit.h"
#include "gui/graph/window/graph.h"
#include "gui/graph/window/setuprealtime.h"
#include "gui/graph/window/setupscale.h"
#include "gui/live/panel.h"
#include "testregistry.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStringList>
#include <QtTest>

namespace {

const QStringList &AllSections()
{
    static const QStringList s{
        QStringLiteral("stCaptions"),      QStringLiteral("stHints"),
        QStringLiteral("stDisplayLabels"), QStringLiteral("stFonts"),
        QStringLiteral("stMultiLines"),    QStringLiteral("stDlgsCaptions"),
        QStringLiteral("stStrings"),       QStringLiteral("stOtherStrings"),
        QStringLiteral("stLocales"),       QStringLiteral("stCollections"),
        QStringLiteral("stCharSets")};
    return s;
}

QStringList LinkedSections()
{
    QStringList s = AllSections();
    s.removeAll(QStringLiteral("stDlgsCaptions"));
    s.removeAll(QStringLiteral("stLocales"));
    return s;
}

const QStringList &FormNames()
{
    static const QStringList f{
        QStringLiteral("frmMain"),     QStringLiteral("frmAbout"),
        QStringLiteral("frmAnnoEdit"), QStringLiteral("frmGraph"),
        QStringLiteral("frmList"),     QStringLiteral("frmOpenSave"),
        QStringLiteral("frmPanel"),    QStringLiteral("frmScope"),
        QStringLiteral("frmSetupRealTime"), QStringLiteral("frmSetupScale")};
    return f;
}

// Strict Windows-1252 decoding: a byte the code page leaves undefined is an error.
bool DecodeCp1252Strict(const QByteArray &bytes, QString *out)
{
    static const char16_t high[32] = {
        0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
        0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};
    out->clear();
    for (char ch : bytes) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c >= 0x80 && c <= 0x9F) {
            if (!high[c - 0x80])
                return false;
            *out += QChar(high[c - 0x80]);
        } else {
            *out += QChar(c);
        }
    }
    return true;
}

struct Entry {
    QString key, english, french;
};

struct Table {
    QStringList sectionOrder;               // as met in the file
    QHash<QString, QVector<Entry>> entries; // by section
    QString error;                          // first format fault, empty when none

    const Entry *Find(const QString &section, const QString &key) const
    {
        const auto it = entries.constFind(section);
        if (it == entries.cend())
            return nullptr;
        for (const Entry &e : it.value())
            if (e.key == key)
                return &e;
        return nullptr;
    }
};

// Reads the stored form exactly as specified and records the first fault.
Table ParseStrict(const QByteArray &bytes)
{
    Table t;
    QString text;
    if (!DecodeCp1252Strict(bytes, &text)) {
        t.error = QStringLiteral("not Windows-1252");
        return t;
    }
    if (!text.endsWith(QLatin1String("\r\n"))) {
        t.error = QStringLiteral("last line not ended by CR LF");
        return t;
    }
    QStringList lines = text.split(QLatin1String("\r\n"));
    lines.removeLast(); // after the final CR LF
    QString current;
    for (int i = 0; i < lines.size(); ++i) {
        const QString &line = lines[i];
        const QString where = QStringLiteral("line %1: ").arg(i + 1);
        if (line.contains(QLatin1Char('\r')) || line.contains(QLatin1Char('\n'))) {
            t.error = where + QStringLiteral("lone CR or LF");
            return t;
        }
        if (AllSections().contains(line)) {
            current = line;
            t.sectionOrder << line;
            t.entries[current];
            continue;
        }
        if (current.isEmpty()) {
            t.error = where + QStringLiteral("entry before the first section");
            return t;
        }
        if (line.count(QChar(1)) != 3 || !line.endsWith(QChar(1))) {
            t.error = where + QStringLiteral("entry without exactly three closing delimiters");
            return t;
        }
        const QStringList f = line.split(QChar(1));
        if (f[0].isEmpty()) {
            t.error = where + QStringLiteral("empty key");
            return t;
        }
        if (t.Find(current, f[0])) {
            t.error = where + QStringLiteral("duplicate key ") + f[0];
            return t;
        }
        t.entries[current].append(Entry{f[0], f[1], f[2]});
    }
    return t;
}

QByteArray ReadResource(const QString &form)
{
    QFile f(QStringLiteral(":/lang/%1.lang").arg(form));
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

Table Load(const QString &form)
{
    return ParseStrict(ReadResource(form));
}

QString MinuteList()
{
    QStringList items;
    for (int i = 0; i <= 60; ++i)
        items << QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
    return items.join(QLatin1Char(','));
}

QString SourceDir()
{
    // The readable table sources lie in tools/langtables of the source tree.
    const QDir dir(QFileInfo(QStringLiteral(__FILE__)).absoluteDir().filePath(
        QStringLiteral("../../tools/langtables")));
    return dir.exists() ? dir.absolutePath() : QString();
}

// Every component key of a window's table names a component of that window; a
// key that names nothing would silently leave a text untranslated. `absent`
// lists the entries kept for components this build of the window does not have.
void VerifyKeysNameComponents(QWidget *window, const QString &form, const QSet<QString> &absent)
{
    const Table t = Load(form);
    const QString cls = QLatin1Char('T') + form;
    for (const char *section : {"stCaptions", "stHints", "stFonts", "stCharSets", "stMultiLines",
                                "stOtherStrings"}) {
        for (const Entry &e : t.entries.value(QString::fromLatin1(section))) {
            QString name = e.key;
            const int dot = name.indexOf(QLatin1Char('.'));
            if (dot > 0)
                name.truncate(dot);
            if (name == cls || absent.contains(name))
                continue;
            QVERIFY2(window->findChild<QObject *>(name),
                     qPrintable(QStringLiteral("%1: %2 %3").arg(form, QLatin1String(section), e.key)));
        }
    }
}

} // namespace

class TestTableContents : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup() { TsiLangDispatcher::Instance()->SetActiveLanguage(2); }

    // Stored form
    void tableFormat_data();
    void tableFormat();
    void emptySectionsStayEmpty_data();
    void emptySectionsStayEmpty();
    void everyWindowNamesItsFont_data();
    void everyWindowNamesItsFont();

    // Keyed strings and message-box texts of the main window
    void keyedStrings_data();
    void keyedStrings();
    void backslashSequencesStayLiteral();
    void messageBoxTexts();
    void linkedTablesHoldNoKeyedStrings();

    // Window texts
    void windowTexts_data();
    void windowTexts();
    void minuteLists_data();
    void minuteLists();
    void mainWindowFontsAndCharSets();
    void englishOnlyFontsLeaveFrenchEmpty();

    // Committed tables against their readable sources
    void tablesMatchSources_data();
    void tablesMatchSources();

    // The real tables through the reader
    void readerLooksUpKeyedStrings_data();
    void readerLooksUpKeyedStrings();
    void readerGivesMessageBoxTexts();
    void mainTableNamesOnlyExistingComponents();
    void windowTablesNameOnlyExistingComponents();
    void panelShowsFrenchTexts();
    void graphWindowShowsFrenchTexts();

    // Help page
    void helpPageIsUtf8FrenchFirst();
    void mainWindowShowsFrenchTexts();
    void aboutBoxShowsFrenchTitle();
    void dialogTableReachesItsWindow();
};

void TestTableContents::initTestCase()
{
    for (const QString &form : FormNames())
        QVERIFY2(QFile::exists(QStringLiteral(":/lang/%1.lang").arg(form)), qPrintable(form));
}

void TestTableContents::tableFormat_data()
{
    QTest::addColumn<QString>("form");
    for (const QString &form : FormNames())
        QTest::newRow(qPrintable(form)) << form;
}

void TestTableContents::tableFormat()
{
    QFETCH(QString, form);
    const QByteArray bytes = ReadResource(form);
    QVERIFY(!bytes.isEmpty());
    const Table t = ParseStrict(bytes);
    QVERIFY2(t.error.isEmpty(), qPrintable(t.error));
    const QStringList expected = form == QLatin1String("frmMain") ? AllSections() : LinkedSections();
    QCOMPARE(t.sectionOrder, expected);
}

void TestTableContents::emptySectionsStayEmpty_data()
{
    tableFormat_data();
}

void TestTableContents::emptySectionsStayEmpty()
{
    QFETCH(QString, form);
    const Table t = Load(form);
    QVERIFY(t.entries.value(QStringLiteral("stDisplayLabels")).isEmpty());
    QVERIFY(t.entries.value(QStringLiteral("stCollections")).isEmpty());
    QVERIFY(t.entries.value(QStringLiteral("stLocales")).isEmpty());
}

void TestTableContents::everyWindowNamesItsFont_data()
{
    tableFormat_data();
}

void TestTableContents::everyWindowNamesItsFont()
{
    QFETCH(QString, form);
    const Table t = Load(form);
    const QString cls = QLatin1Char('T') + form;
    const Entry *font = t.Find(QStringLiteral("stFonts"), cls);
    QVERIFY2(font, qPrintable(cls));
    QVERIFY(!font->english.isEmpty());
    const Entry *charset = t.Find(QStringLiteral("stCharSets"), cls);
    QVERIFY2(charset, qPrintable(cls));
    QVERIFY(charset->english.endsWith(QLatin1String("_CHARSET")));
}

void TestTableContents::keyedStrings_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("french");
    QTest::newRow("IDS_4") << "IDS_4" << "Off Connection" << "Connexion Off";
    QTest::newRow("IDS_40") << "IDS_40" << "On Connection" << "Connexion On";
    QTest::newRow("IDS_42") << "IDS_42" << "No Connection" << "Pas de connexion";
    QTest::newRow("IDS_10 no accent") << "IDS_10" << "DEW POINT" << "POINT DE ROSEE";
    QTest::newRow("IDS_22 trailing blank") << "IDS_22" << "Save File" << "Sauvegarder fichier ";
    QTest::newRow("IDS_53 accent")
        << "IDS_53" << "Data Retriving Progress" << QStringLiteral("Récupération des données en cours");
    QTest::newRow("IDS_75 apostrophe") << "IDS_75" << "There is no connection with meter !"
                                       << "Il n'y a pas de connexion avec l'appareil !";
    QTest::newRow("IDS_76 circumflex")
        << "IDS_76" << "The meter is recording data, please stop recording before loading data."
        << QStringLiteral("Enregistrement en cours. Arrêtez l'enregistrement avant de charger les données.");
    QTest::newRow("IDS_78") << "IDS_78" << "There was not any data recorded in momery of meter !"
                            << QStringLiteral("Pas de données enregistrées dans l'appareil !");
    QTest::newRow("IDS_109") << "IDS_109" << "Open Progress" << "Ouverture en cours";
}

void TestTableContents::keyedStrings()
{
    QFETCH(QString, key);
    QFETCH(QString, english);
    QFETCH(QString, french);
    const Table t = Load(QStringLiteral("frmMain"));
    const Entry *e = t.Find(QStringLiteral("stStrings"), key);
    QVERIFY2(e, qPrintable(key));
    QCOMPARE(e->english, english);
    QCOMPARE(e->french, french);
}

void TestTableContents::backslashSequencesStayLiteral()
{
    const Table t = Load(QStringLiteral("frmMain"));
    const Entry *ids19 = t.Find(QStringLiteral("stStrings"), QStringLiteral("IDS_19"));
    QVERIFY(ids19);
    QVERIFY(ids19->english.startsWith(QLatin1Char(' ')));
    QVERIFY(ids19->english.endsWith(QLatin1String("\\n")));
    QCOMPARE(ids19->english, QStringLiteral(" is not valid.\\n"));
    QCOMPARE(ids19->french, QStringLiteral("N'est pas valide"));
    const Entry *ids17 = t.Find(QStringLiteral("stStrings"), QStringLiteral("IDS_17"));
    QVERIFY(ids17);
    QVERIFY(ids17->english.endsWith(QLatin1String("graph.\\n")));
    QVERIFY(!ids17->english.contains(QLatin1Char('\n')));
}

void TestTableContents::messageBoxTexts()
{
    const Table t = Load(QStringLiteral("frmMain"));
    const QVector<Entry> dlg = t.entries.value(QStringLiteral("stDlgsCaptions"));
    QCOMPARE(dlg.size(), 15);
    const Entry *yes = t.Find(QStringLiteral("stDlgsCaptions"), QStringLiteral("Yes"));
    QVERIFY(yes);
    QCOMPARE(yes->french, QStringLiteral("&oui"));
    const Entry *noToAll = t.Find(QStringLiteral("stDlgsCaptions"), QStringLiteral("No To All"));
    QVERIFY(noToAll);
    QCOMPARE(noToAll->french, QStringLiteral("N&on à tout"));
    const Entry *retry = t.Find(QStringLiteral("stDlgsCaptions"), QStringLiteral("Retry"));
    QVERIFY(retry);
    QCOMPARE(retry->french, QStringLiteral("&Réessayer"));
}

void TestTableContents::linkedTablesHoldNoKeyedStrings()
{
    for (const QString &form : FormNames()) {
        if (form == QLatin1String("frmMain"))
            continue;
        QVERIFY2(Load(form).entries.value(QStringLiteral("stStrings")).isEmpty(), qPrintable(form));
    }
    // The 22 designed keyed strings; the texts the program adds follow them.
    static const QRegularExpression kDesignedKey(QStringLiteral("^IDS_[0-9]+$"));
    int designed = 0;
    for (const auto &entry : Load(QStringLiteral("frmMain")).entries.value(QStringLiteral("stStrings")))
        designed += kDesignedKey.match(entry.key).hasMatch() ? 1 : 0;
    QCOMPARE(designed, 22);
}

void TestTableContents::windowTexts_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("french");
    const QString c = QStringLiteral("stCaptions");
    const QString h = QStringLiteral("stHints");
    // An empty French caption keeps the designed title.
    QTest::newRow("main title") << "frmMain" << c << "TfrmMain" << "QM738" << "";
    QTest::newRow("menu same text") << "frmMain" << c << "Cascade1" << "&Cascade" << "&Cascade";
    QTest::newRow("menu Stop") << "frmMain" << c << "Stop1" << "Stop" << "Stop";
    QTest::newRow("menu About") << "frmMain" << c << "About1" << "&About" << "&Apropos";
    QTest::newRow("menu Load trailing blank") << "frmMain" << c << "LoadData1" << "&Load " << "&Charger";
    QTest::newRow("menu Window accent") << "frmMain" << c << "Window1" << "&Window" << QStringLiteral("&Fenêtre");
    QTest::newRow("hint odd spelling") << "frmMain" << h << "btnDataLogger" << "Data Logger" << "Enregsitreur";
    QTest::newRow("about title") << "frmAbout" << c << "Label3" << "Four Channel Thermometer Software"
                                 << QStringLiteral("Logiciel thermomètre 4 voies");
    QTest::newRow("anno cancel") << "frmAnnoEdit" << c << "BitBtn2" << "Cancel" << "Annuler";
    QTest::newRow("graph T4") << "frmGraph" << c << "Label15" << "T4 MAX " << "T4 MAW";
    QTest::newRow("graph T1 same") << "frmGraph" << c << "chkT1" << "T1" << "T1";
    QTest::newRow("graph RH") << "frmGraph" << c << "chkRH" << "RH" << "HR";
    QTest::newRow("graph hint apostrophe")
        << "frmGraph" << h << "btnChangeScale" << "set the maximum and minimum extent of the left y axis."
        << "Fixer le maximum et le minimum de l'axe Y.";
    QTest::newRow("graph main title") << "frmGraph" << "stOtherStrings" << "PESGraph1.MainTitle"
                                      << "Main Title" << "Menu principal";
    QTest::newRow("graph lower bound") << "frmGraph" << "stOtherStrings" << "PESGraph1.LowerBoundText"
                                       << "Lower" << QStringLiteral("Inférieur");
    QTest::newRow("chooser odd caption") << "frmOpenSave" << c << "TfrmOpenSave" << "Oepn" << "Ouvrir";
    QTest::newRow("chooser double blanks")
        << "frmOpenSave" << c << "btnOpenSingleSet" << "Save single selected  data set to a  file"
        << QStringLiteral("Enregistrer l'acquisition selectionnée en un fichier");
    QTest::newRow("panel label") << "frmPanel" << c << "lblNoConnection" << "No Connection" << "Pas de connexion";
    QTest::newRow("panel hint double blank")
        << "frmPanel" << h << "btnMMA" << "click to change AVG/MAX/MIN mode, double click  to cancel ."
        << "clic simple pour changer le mode MAX / MIN, double clic pour annuler.";
    QTest::newRow("scope to") << "frmScope" << c << "Label2" << "&to" << QStringLiteral("&à");
    QTest::newRow("scope cedilla") << "frmScope" << c << "SText1" << "bytes received" << QStringLiteral("octet reçus");
    QTest::newRow("scope cancel upper") << "frmScope" << c << "BitBtn2" << "Cancel" << "ANNULER";
    QTest::newRow("setup caption") << "frmSetupRealTime" << c << "TfrmSetupRealTime" << "Real-Time Setup"
                                   << QStringLiteral("Réglages Temps-Réel");
    QTest::newRow("setup start keeps design") << "frmSetupRealTime" << c << "btnOpenSingleSet" << "Start" << "";
    QTest::newRow("scale caption") << "frmSetupScale" << c << "TfrmSetupScale"
                                   << "Y Axis Maximum And Minimum Scale Setup"
                                   << QStringLiteral("Réglage échelle axe Y");
    QTest::newRow("scale save trailing blank") << "frmSetupScale" << c << "chkSave" << "Save this setting "
                                               << QStringLiteral("Sauvegarder ce paramétrage");
}

void TestTableContents::windowTexts()
{
    QFETCH(QString, form);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, english);
    QFETCH(QString, french);
    const Table t = Load(form);
    const Entry *e = t.Find(section, key);
    QVERIFY2(e, qPrintable(form + QLatin1Char('/') + key));
    QCOMPARE(e->english, english);
    QCOMPARE(e->french, french);
}

void TestTableContents::minuteLists_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("key");
    for (const char *form : {"frmSetupRealTime", "frmGraph"})
        for (const char *key : {"ComboBox1.Items", "ComboBox2.Items"})
            QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(QLatin1String(form), QLatin1String(key))))
                << QString::fromLatin1(form) << QString::fromLatin1(key);
}

void TestTableContents::minuteLists()
{
    QFETCH(QString, form);
    QFETCH(QString, key);
    const Table t = Load(form); // the entry points into the table: keep it alive
    const Entry *e = t.Find(QStringLiteral("stMultiLines"), key);
    QVERIFY(e);
    QCOMPARE(e->english, MinuteList());
    QCOMPARE(e->french, MinuteList());
    const QStringList items = e->french.split(QLatin1Char(','));
    QCOMPARE(items.size(), 61);
    QCOMPARE(items.first(), QStringLiteral("00"));
    QCOMPARE(items.at(30), QStringLiteral("30"));
    QCOMPARE(items.last(), QStringLiteral("60"));
}

void TestTableContents::mainWindowFontsAndCharSets()
{
    const Table main = Load(QStringLiteral("frmMain"));
    const Entry *font = main.Find(QStringLiteral("stFonts"), QStringLiteral("TfrmMain"));
    QVERIFY(font);
    QCOMPARE(font->english, QStringLiteral("MS Sans Serif"));
    QCOMPARE(font->french, QStringLiteral("Tahoma"));
    const Entry *status = main.Find(QStringLiteral("stFonts"), QStringLiteral("StatusBar1"));
    QVERIFY(status);
    QCOMPARE(status->english, QStringLiteral("Microsoft JhengHei UI"));
    QCOMPARE(status->french, QStringLiteral("Tahoma"));
    for (const char *key : {"TfrmMain", "StatusBar1"}) {
        const Entry *cs = main.Find(QStringLiteral("stCharSets"), QString::fromLatin1(key));
        QVERIFY2(cs, key);
        QCOMPARE(cs->english, QStringLiteral("DEFAULT_CHARSET"));
        QCOMPARE(cs->french, QStringLiteral("ANSI_CHARSET"));
    }
    const Table panelTable = Load(QStringLiteral("frmPanel"));
    const Entry *panel = panelTable.Find(QStringLiteral("stFonts"), QStringLiteral("TfrmPanel"));
    QVERIFY(panel);
    QCOMPARE(panel->english, QStringLiteral("Arial Black"));
    QCOMPARE(panel->french, QStringLiteral("Arial Black"));
}

void TestTableContents::englishOnlyFontsLeaveFrenchEmpty()
{
    // Only the main window, its status bar and the panel window name a French font.
    const QSet<QString> frenchFonts{QStringLiteral("frmMain/TfrmMain"), QStringLiteral("frmMain/StatusBar1"),
                                    QStringLiteral("frmPanel/TfrmPanel")};
    for (const QString &form : FormNames()) {
        const Table t = Load(form);
        for (const Entry &e : t.entries.value(QStringLiteral("stFonts"))) {
            const QString id = form + QLatin1Char('/') + e.key;
            QVERIFY2(!e.english.isEmpty(), qPrintable(id));
            QCOMPARE(e.french.isEmpty(), !frenchFonts.contains(id));
        }
    }
}

void TestTableContents::tablesMatchSources_data()
{
    tableFormat_data();
}

void TestTableContents::tablesMatchSources()
{
    QFETCH(QString, form);
    const QString dir = SourceDir();
    if (dir.isEmpty())
        QSKIP("the table sources are not beside this build");
    QFile src(dir + QLatin1Char('/') + form + QStringLiteral(".tsv"));
    QVERIFY2(src.open(QIODevice::ReadOnly), qPrintable(src.fileName()));
    const QStringList lines = QString::fromUtf8(src.readAll()).split(QLatin1Char('\n'));
    const Table t = Load(form);
    QHash<QString, int> counts;
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.trimmed().startsWith(QLatin1Char('#')))
            continue;
        const QStringList f = line.split(QLatin1Char('\t'));
        QCOMPARE(f.size(), 4);
        const Entry *e = t.Find(f[0], f[1]);
        QVERIFY2(e, qPrintable(QStringLiteral("%1 %2 missing from the table; run make_lang_tables.py")
                                   .arg(f[0], f[1])));
        QCOMPARE(QLatin1Char('"') + e->english + QLatin1Char('"'), f[2]);
        QCOMPARE(QLatin1Char('"') + e->french + QLatin1Char('"'), f[3]);
        ++counts[f[0]];
    }
    for (auto it = t.entries.cbegin(); it != t.entries.cend(); ++it)
        QVERIFY2(it.value().size() == counts.value(it.key()),
                 qPrintable(QStringLiteral("%1 holds entries not in the source; run make_lang_tables.py")
                                .arg(it.key())));
}

void TestTableContents::readerLooksUpKeyedStrings_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");
    QTest::newRow("french") << 2 << "IDS_40" << "Connexion On";
    QTest::newRow("english") << 1 << "IDS_40" << "On Connection";
    QTest::newRow("french accents") << 2 << "IDS_56" << "Graphique en cours";
    QTest::newRow("english literal backslash n") << 1 << "IDS_19" << " is not valid.\\n";
    QTest::newRow("unknown key") << 2 << "IDS_5" << "";
}

void TestTableContents::readerLooksUpKeyedStrings()
{
    QFETCH(int, language);
    QFETCH(QString, key);
    QFETCH(QString, text);
    TsiLangDispatcher::Instance()->SetActiveLanguage(language);
    const TsiLang table(QStringLiteral("frmMain"));
    QCOMPARE(table.GetTextOrDefault(key), text);
}

void TestTableContents::readerGivesMessageBoxTexts()
{
    const TsiLang table(QStringLiteral("frmMain"));
    QCOMPARE(table.DlgCaption(QStringLiteral("Yes")), QStringLiteral("&oui"));
    QCOMPARE(table.DlgCaption(QStringLiteral("Yes To All")), QStringLiteral("Oui à &Tout"));
    QCOMPARE(table.DlgCaption(QStringLiteral("Cancel")), QStringLiteral("Annuler"));
}

void TestTableContents::mainTableNamesOnlyExistingComponents()
{
    TfrmMain w;
    VerifyKeysNameComponents(&w, QStringLiteral("frmMain"), {});
}

void TestTableContents::windowTablesNameOnlyExistingComponents()
{
    TfrmAbout about;
    VerifyKeysNameComponents(&about, QStringLiteral("frmAbout"), {});
    TfrmPanel panel{TPanelHost{}};
    VerifyKeysNameComponents(&panel, QStringLiteral("frmPanel"), {});
    // The graph window has no T4 group and no separate colour button.
    TfrmGraph graph;
    VerifyKeysNameComponents(&graph, QStringLiteral("frmGraph"),
                             {QStringLiteral("Label15"), QStringLiteral("Label16"), QStringLiteral("ToolButton6")});
    TfrmSetupRealTime setup;
    VerifyKeysNameComponents(&setup, QStringLiteral("frmSetupRealTime"), {});
    TfrmSetupScale scale;
    VerifyKeysNameComponents(&scale, QStringLiteral("frmSetupScale"), {});
    TfrmAnnoEdit anno;
    VerifyKeysNameComponents(&anno, QStringLiteral("frmAnnoEdit"), {});
    TfrmOpenSave chooser(TfrmOpenSave::SaveRole);
    VerifyKeysNameComponents(&chooser, QStringLiteral("frmOpenSave"), {});
}

void TestTableContents::graphWindowShowsFrenchTexts()
{
    TfrmGraph graph;
    auto *rh = graph.findChild<QAbstractButton *>(QStringLiteral("chkRH"));
    QVERIFY(rh);
    QCOMPARE(rh->text(), QStringLiteral("HR"));
    auto *showMaxMin = graph.findChild<QAbstractButton *>(QStringLiteral("Button2"));
    QVERIFY(showMaxMin);
    QCOMPARE(showMaxMin->text(), QStringLiteral("Montrer MAX/MIN sur Graph"));
    auto *cross = graph.findChild<QObject *>(QStringLiteral("ToolButton5"));
    QVERIFY(cross);
    QCOMPARE(cross->property("toolTip").toString(), QStringLiteral("Dessiner une croix sur le graphique"));
    auto *minutes = graph.findChild<QComboBox *>(QStringLiteral("ComboBox1"));
    QVERIFY(minutes);
    QCOMPARE(minutes->count(), 61);
    QCOMPARE(minutes->itemText(60), QStringLiteral("60"));
}

void TestTableContents::panelShowsFrenchTexts()
{
    TfrmPanel panel{TPanelHost{}};
    ApplyTranslation(&panel, QStringLiteral("frmPanel"));
    auto *noConnection = panel.findChild<QLabel *>(QStringLiteral("lblNoConnection"));
    QVERIFY(noConnection);
    QCOMPARE(noConnection->text(), QStringLiteral("Pas de connexion"));
    auto *close = panel.findChild<QWidget *>(QStringLiteral("btnClose"));
    QVERIFY(close);
    QCOMPARE(close->toolTip(), QStringLiteral("Fermer le panneau de contrôle"));
    // The display's own legends read the same in both languages.
    auto *wetBulb = panel.findChild<QLabel *>(QStringLiteral("lblWETBULB"));
    QVERIFY(wetBulb);
    QCOMPARE(wetBulb->text(), QStringLiteral("WET BULB"));
    QCOMPARE(panel.font().families().value(0), QStringLiteral("Arial Black"));
}

void TestTableContents::mainWindowShowsFrenchTexts()
{
    TfrmMain w;
    // The French caption is empty, so the designed title stays.
    QCOMPARE(w.windowTitle(), QStringLiteral("QM738"));
    auto *file = w.findChild<QMenu *>(QStringLiteral("File1"));
    QVERIFY(file);
    QCOMPARE(file->title(), QStringLiteral("&Fichier"));
    auto *window = w.findChild<QMenu *>(QStringLiteral("Window1"));
    QVERIFY(window);
    QCOMPARE(window->title(), QStringLiteral("&Fenêtre"));
    auto *dataLogger = w.findChild<QWidget *>(QStringLiteral("btnDataLogger"));
    QVERIFY(dataLogger);
    QCOMPARE(dataLogger->toolTip(), QStringLiteral("Enregsitreur"));
    auto *status = w.findChild<QWidget *>(QStringLiteral("StatusBar1"));
    QVERIFY(status);
    QCOMPARE(status->font().families().value(0), QStringLiteral("Tahoma"));
}

void TestTableContents::aboutBoxShowsFrenchTitle()
{
    TfrmAbout about;
    auto *title = about.findChild<QLabel *>(QStringLiteral("Label3"));
    QVERIFY(title);
    QCOMPARE(title->text(), QStringLiteral("Logiciel thermomètre 4 voies"));
    auto *version = about.findChild<QLabel *>(QStringLiteral("Label1"));
    QVERIFY(version);
    QCOMPARE(version->text(), QStringLiteral("Version:"));
}

void TestTableContents::dialogTableReachesItsWindow()
{
    TfrmSetupScale scale;
    QCOMPARE(scale.windowTitle(), QStringLiteral("Réglage échelle axe Y"));
    auto *group = scale.findChild<QGroupBox *>(QStringLiteral("GroupBox1"));
    QVERIFY(group);
    QCOMPARE(group->title(), QStringLiteral("Réglage échelle axe Y"));
    auto *save = scale.findChild<QCheckBox *>(QStringLiteral("chkSave"));
    QVERIFY(save);
    QCOMPARE(save->text(), QStringLiteral("Sauvegarder ce paramétrage"));

    TfrmSetupRealTime setup;
    QCOMPARE(setup.windowTitle(), QStringLiteral("Réglages Temps-Réel"));
    auto *minutes = setup.findChild<QComboBox *>(QStringLiteral("ComboBox1"));
    QVERIFY(minutes);
    QCOMPARE(minutes->count(), 61);
    QCOMPARE(minutes->itemText(0), QStringLiteral("00"));
    QCOMPARE(minutes->itemText(60), QStringLiteral("60"));
    // "Start" has no French text: the designed caption stays.
    auto *start = setup.findChild<QAbstractButton *>(QStringLiteral("btnOpenSingleSet"));
    QVERIFY(start);
    QCOMPARE(start->text(), QStringLiteral("Start"));

    TfrmOpenSave chooser(TfrmOpenSave::SaveRole);
    auto *sets = chooser.findChild<QAbstractButton *>(QStringLiteral("btnOpenSets"));
    QVERIFY(sets);
    QCOMPARE(sets->text(), QStringLiteral("Enregistrer l'ensemble des acquisitions en fichier collection(*.738)"));
}

void TestTableContents::helpPageIsUtf8FrenchFirst()
{
    const QString path = QFileInfo(QStringLiteral(__FILE__)).absoluteDir().filePath(
        QStringLiteral("../../resources/help/QM738HELP.htm"));
    QFile f(path);
    if (!f.exists())
        QSKIP("the help page is not beside this build");
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString html = utf8.decode(bytes);
    QVERIFY(!utf8.hasError());
    QVERIFY(html.contains(QLatin1String("<meta charset=\"utf-8\">")));
    const int french = html.indexOf(QStringLiteral("Connecter l'appareil"));
    const int english = html.indexOf(QStringLiteral("Connecting the meter"));
    QVERIFY(french > 0);
    QVERIFY(english > french);
    for (const char *topic : {"ComPort", "dialout", "plugdev", "udev", "HOLD", "MAX/MIN", "RECALL", ".ghf",
                              ".csv", ".738", "Documents/QM738"})
        QVERIFY2(html.indexOf(QLatin1String(topic)) < english && html.lastIndexOf(QLatin1String(topic)) > english,
                 topic);
}

QM738_REGISTER_TEST(TestTableContents)
#include "tst_tablecontents.moc"
