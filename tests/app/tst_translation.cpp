#include "gui/base/langapply.h"
#include "testregistry.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QDirIterator>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

namespace {

// Builds a table in its stored form: Windows-1252, CR LF, fields ended by code 1.
QByteArray Table(const QList<QPair<QString, QList<QStringList>>> &sections)
{
    QByteArray out;
    const char d = '\x01';
    for (const auto &section : sections) {
        out += section.first.toLatin1() + "\r\n";
        for (const QStringList &e : section.second) {
            out += e.value(0).toLatin1() + d + e.value(1).toLatin1() + d + e.value(2).toLatin1() + d + "\r\n";
        }
    }
    return out;
}

class TestWindow : public QWidget {
public:
    TestWindow()
    {
        setObjectName(QStringLiteral("frmTest"));
        setWindowTitle(QStringLiteral("Designed"));
        auto *b = new QPushButton(QStringLiteral("Cancel"), this);
        b->setObjectName(QStringLiteral("Button1"));
        auto *l = new QLabel(QStringLiteral("designed label"), this);
        l->setObjectName(QStringLiteral("Label1"));
        auto *c = new QComboBox(this);
        c->setObjectName(QStringLiteral("ComboBox1"));
        c->addItem(QStringLiteral("x"));
    }
};

} // namespace

class TestTranslation : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { TsiLangDispatcher::Instance()->SetActiveLanguage(2); }

    void decodesWindows1252_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("ascii") << QByteArray("Time") << QStringLiteral("Time");
        QTest::newRow("accents") << QByteArray("R\xe9glage \xe9\x63helle") << QStringLiteral("Réglage échelle");
        QTest::newRow("typographic apostrophe") << QByteArray("d\x92\x65nsemble") << QStringLiteral("d’ensemble");
        QTest::newRow("euro and oe") << QByteArray("\x80\x9c") << QStringLiteral("€œ");
        QTest::newRow("undefined 0x81 kept") << QByteArray("\x81") << QString(QChar(0x81));
    }
    void decodesWindows1252()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(DecodeWindows1252(bytes), text);
    }

    void parsesSectionsAndKeepsBackslashes()
    {
        const QByteArray data = Table({
            {QStringLiteral("stCaptions"), {{"Label1", "Start Time", "Heure de départ"}}},
            {QStringLiteral("stHints"), {}},
            {QStringLiteral("stStrings"),
             {{"IDS_19", " is not valid.\\n", "N'est pas valide"}, {"IDS_9", "WET BULB", ""}}},
        });
        TLangData t;
        t.Parse(data);
        QCOMPARE(t.Section("stCaptions").size(), 1);
        QCOMPARE(t.Text("stCaptions", "Label1", 2), QStringLiteral("Heure de départ"));
        QCOMPARE(t.Text("stStrings", "IDS_19", 1), QStringLiteral(" is not valid.\\n"));
        QVERIFY(t.Text("stStrings", "IDS_19", 1).endsWith(QLatin1String("\\n")));
        QCOMPARE(t.Text("stStrings", "IDS_9", 2), QString());
        QCOMPARE(t.Text("stStrings", "missing", 1), QString());
        QVERIFY(t.Section("stHints").isEmpty());
        // A key that looks like a section name inside an entry is an entry.
        QVERIFY(!t.Find("stCaptions", "stHints"));
    }

    void getTextOrDefaultFallsBackToEnglish_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("french") << 2 << "IDS_40" << "Connexion On";
        QTest::newRow("english") << 1 << "IDS_40" << "On Connection";
        QTest::newRow("french empty -> english") << 2 << "IDS_9" << "WET BULB";
        QTest::newRow("unknown key") << 2 << "IDS_9999" << "";
    }
    void getTextOrDefaultFallsBackToEnglish()
    {
        QFETCH(int, language);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        const QByteArray data = Table({{QStringLiteral("stStrings"),
                                        {{"IDS_40", "On Connection", "Connexion On"},
                                         {"IDS_9", "WET BULB", ""}}}});
        TsiLang table(QStringLiteral("frmTest"), data);
        TsiLangDispatcher::Instance()->SetActiveLanguage(language);
        QCOMPARE(table.GetTextOrDefault(key), expected);
    }

    void appliesToWindowByObjectName()
    {
        const QByteArray data = Table({
            {QStringLiteral("stCaptions"),
             {{"TfrmTest", "Test", ""},               // French empty: designed title stays
              {"Button1", "Cancel", "Annuler"},
              {"Label1", "Label", "Étiquette"},
              {"NoSuchComponent", "x", "y"}}},
            {QStringLiteral("stHints"), {{"Button1", "Cancel it", "Annuler tout"}}},
            {QStringLiteral("stFonts"), {{"Label1", "Arial", "Tahoma"}}},
            {QStringLiteral("stMultiLines"), {{"ComboBox1.Items", "", "00,01,02"}}},
            {QStringLiteral("stOtherStrings"), {{"Label1.objectName", "", ""}, {"ComboBox1.MyTitle", "T", "Titre"}}},
        });
        TestWindow w;
        TsiLang table(QStringLiteral("frmTest"), data);
        ApplyLangTable(table, &w);
        QCOMPARE(w.windowTitle(), QStringLiteral("Designed"));
        QCOMPARE(w.findChild<QPushButton *>("Button1")->text(), QStringLiteral("Annuler"));
        QCOMPARE(w.findChild<QPushButton *>("Button1")->toolTip(), QStringLiteral("Annuler tout"));
        QCOMPARE(w.findChild<QLabel *>("Label1")->text(), QStringLiteral("Étiquette"));
        QCOMPARE(w.findChild<QLabel *>("Label1")->font().family(), QStringLiteral("Tahoma"));
        auto *combo = w.findChild<QComboBox *>("ComboBox1");
        QCOMPARE(combo->count(), 3);
        QCOMPARE(combo->itemText(2), QStringLiteral("02"));
        QCOMPARE(combo->property("MyTitle").toString(), QStringLiteral("Titre"));

        TsiLangDispatcher::Instance()->SetActiveLanguage(1);
        ApplyLangTable(table, &w);
        QCOMPARE(w.windowTitle(), QStringLiteral("Test"));
        QCOMPARE(w.findChild<QPushButton *>("Button1")->text(), QStringLiteral("Cancel"));
    }

    void fillsMinuteListOneItemPerField()
    {
        QStringList minutes;
        for (int i = 0; i <= 60; ++i)
            minutes << QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
        const QByteArray data = Table({{QStringLiteral("stMultiLines"),
                                        {{"ComboBox1.Items", minutes.join(','), minutes.join(',')}}}});
        TestWindow w;
        ApplyLangTable(TsiLang(QStringLiteral("frmTest"), data), &w);
        auto *combo = w.findChild<QComboBox *>("ComboBox1");
        QCOMPARE(combo->count(), 61);
        QCOMPARE(combo->itemText(0), QStringLiteral("00"));
        QCOMPARE(combo->itemText(60), QStringLiteral("60"));
    }

    void toleratesMalformedTables()
    {
        TLangData t;
        t.Parse(QByteArray("garbage before any section\r\nstStrings\r\nIDS_1\r\n\x01\x01\r\n\r\n"));
        QVERIFY(t.Find("stStrings", "IDS_1"));
        QCOMPARE(t.Text("stStrings", "IDS_1", 2), QString());
        TsiLang empty(QStringLiteral("frmNoSuchTable"));
        QCOMPARE(empty.GetTextOrDefault("IDS_40"), QString());
        TestWindow w;
        ApplyLangTable(empty, &w);
        QCOMPARE(w.windowTitle(), QStringLiteral("Designed"));
    }

    void everyProseTextIsTranslated();
    void qtDialogsSpeakTheProgramsLanguage_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("cancel");
        QTest::newRow("French") << 2 << QStringLiteral("Annuler");
        QTest::newRow("English") << 1 << QStringLiteral("Cancel");
    }
    void qtDialogsSpeakTheProgramsLanguage()
    {
        QFETCH(int, language);
        QFETCH(QString, cancel);
        QVERIFY(InstallQtTranslations(language));
        // The standard buttons of Qt's own dialogs.
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), cancel);
        InstallQtTranslations(1);
    }
};

QM738_REGISTER_TEST(TestTranslation)
// Every literal of the program's sources that reads as prose (a word, then a
// blank or a sentence mark, then more letters) or that tr() or AddedText()
// take is a text of the translation
// tables, in English or French, or one of the literals listed in
// visibletexts.txt (names of fonts, style sheets and the like). A new text
// shown to the user fails here until it has its entry in the tables.
void TestTranslation::everyProseTextIsTranslated()
{
    const QDir root(QStringLiteral(QM738_SOURCE_DIR));
    const auto normal = [](QString text) {
        text.remove(QLatin1Char('&'));
        text.replace(QLatin1String("\\n"), QLatin1String(" "));
        return text.simplified();
    };
    QSet<QString> known;
    for (const QFileInfo &tsv : QDir(root.filePath(QStringLiteral("tools/langtables"))).entryInfoList({QStringLiteral("*.tsv")})) {
        QFile file(tsv.filePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
            const QStringList fields = line.split(QLatin1Char('\t'));
            for (int f = 2; f < fields.size(); ++f)
                known << normal(fields.at(f).trimmed().mid(1).chopped(1));
        }
    }
    QFile listed(root.filePath(QStringLiteral("tests/app/visibletexts.txt")));
    QVERIFY(listed.open(QIODevice::ReadOnly));
    for (const QString &line : QString::fromUtf8(listed.readAll()).split(QLatin1Char('\n')))
        if (!line.startsWith(QLatin1Char('#')))
            known << normal(line);

    // A string literal, and whether tr( or AddedText( comes just before it.
    static const QRegularExpression literal(QStringLiteral("(\\b(?:tr|AddedText)\\()?\"((?:[^\"\\\\\\n]|\\\\.)*)\""));
    static const QRegularExpression prose(QStringLiteral("[A-Za-z]{2,}( [^\"]*[A-Za-z]|[.!?:;,]( |\\\\n|$))"));
    QStringList unknown;
    for (const char *folder : {"app", "core", "gui"}) {
        QDirIterator it(root.filePath(QLatin1String(folder)), {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            // core/net serves only qm738-cli publish, whose messages (and
            // system errors) are English, as every text of the command-line tool.
            if (path.contains(QLatin1String("/core/net/")))
                continue;
            QFile source(path);
            QVERIFY(source.open(QIODevice::ReadOnly));
            for (const QString &line : QString::fromUtf8(source.readAll()).split(QLatin1Char('\n'))) {
                const QString code = line.trimmed();
                if (code.startsWith(QLatin1String("#include")) || code.startsWith(QLatin1String("//")))
                    continue;
                for (auto m = literal.globalMatch(line); m.hasNext();) {
                    const QRegularExpressionMatch found = m.next();
                    QString text = found.captured(2);
                    text.replace(QLatin1String("\\\""), QLatin1String("\""));
                    // tr() and AddedText() take nothing but texts for the user.
                    const bool shown = !found.captured(1).isEmpty() || prose.match(text).hasMatch();
                    if (shown && !known.contains(normal(text)))
                        unknown << QStringLiteral("%1: %2").arg(QFileInfo(source.fileName()).fileName(), text);
                }
            }
        }
    }
    for (const QString &text : std::as_const(unknown))
        qWarning("not in the translation tables: %s", qPrintable(text));
    QCOMPARE(unknown.size(), 0);
}

#include "tst_translation.moc"
