#include "core/base/translation.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

QString DecodeWindows1252(const QByteArray &bytes)
{
    // Code points of 0x80..0x9F; 0 marks the five undefined positions, which
    // are kept as the C1 control of the same value.
    static const char16_t high[32] = {
        0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
        0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};
    QString out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c >= 0x80 && c <= 0x9F && high[c - 0x80] != 0)
            out += QChar(high[c - 0x80]);
        else
            out += QChar(c);
    }
    return out;
}

const QStringList &TLangData::SectionNames()
{
    static const QStringList names{
        QStringLiteral("stCaptions"),     QStringLiteral("stHints"),
        QStringLiteral("stDisplayLabels"), QStringLiteral("stFonts"),
        QStringLiteral("stMultiLines"),   QStringLiteral("stDlgsCaptions"),
        QStringLiteral("stStrings"),      QStringLiteral("stOtherStrings"),
        QStringLiteral("stLocales"),      QStringLiteral("stCollections"),
        QStringLiteral("stCharSets")};
    return names;
}

void TLangData::Parse(const QByteArray &windows1252)
{
    ParseText(DecodeWindows1252(windows1252));
}

void TLangData::ParseText(const QString &text)
{
    m_sections.clear();
    const QChar delim(1);
    QString current;
    // Lines end in CR LF; a lone LF is accepted too.
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (SectionNames().contains(line)) {
            current = line;
            m_sections[current]; // a section may be present and empty
            continue;
        }
        if (line.isEmpty() || current.isEmpty())
            continue;
        QStringList fields = line.split(delim);
        TLangEntry entry;
        entry.key = fields.takeFirst();
        // The line ends with a delimiter, which leaves one empty trailing field.
        if (!fields.isEmpty() && fields.last().isEmpty() && fields.size() > 2)
            fields.removeLast();
        entry.texts = fields;
        m_sections[current].append(entry);
    }
}

const QVector<TLangEntry> &TLangData::Section(const QString &section) const
{
    static const QVector<TLangEntry> empty;
    auto it = m_sections.constFind(section);
    return it == m_sections.constEnd() ? empty : it.value();
}

const TLangEntry *TLangData::Find(const QString &section, const QString &key) const
{
    for (const TLangEntry &e : Section(section))
        if (e.key == key)
            return &e;
    return nullptr;
}

QString TLangData::Text(const QString &section, const QString &key, int language) const
{
    const TLangEntry *e = Find(section, key);
    if (!e || language < 1)
        return QString();
    return e->texts.value(language - 1);
}

// ---------------------------------------------------------------------------

namespace {
QPointer<TsiLangDispatcher> g_dispatcher;
}

TsiLangDispatcher::TsiLangDispatcher(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("siLangDispatcher1"));
    if (!g_dispatcher)
        g_dispatcher = this;
}

TsiLangDispatcher::~TsiLangDispatcher() = default;

TsiLangDispatcher *TsiLangDispatcher::Instance()
{
    if (!g_dispatcher) {
        static TsiLangDispatcher *fallback = new TsiLangDispatcher(nullptr);
        g_dispatcher = fallback;
    }
    return g_dispatcher;
}

void TsiLangDispatcher::SetActiveLanguage(int language)
{
    if (language >= 1 && language <= NumOfLanguages())
        m_active = language;
}

// ---------------------------------------------------------------------------

bool InstallQtTranslations(int language)
{
    // Qt's own texts: file, colour, font and print dialogs, standard buttons.
    static QTranslator *installed = nullptr;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
        installed = nullptr;
    }
    if (language != 2)
        return true; // English is Qt's own language
    auto *translator = new QTranslator;
    if (!translator->load(QLocale(QLocale::French), QStringLiteral("qt"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    installed = translator;
    return true;
}

// ---------------------------------------------------------------------------

namespace {

QByteArray ReadTableResource(const QString &formName)
{
    QFile f(QStringLiteral(":/lang/%1.lang").arg(formName));
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

} // namespace

TsiLang::TsiLang(const QString &formName, QObject *parent)
    : TsiLang(formName, ReadTableResource(formName), parent)
{
}

TsiLang::TsiLang(const QString &formName, const QByteArray &translationData, QObject *parent)
    : QObject(parent), m_formName(formName)
{
    setObjectName(formName == QLatin1String("frmMain") ? QStringLiteral("siLang_frmMain")
                                                       : QStringLiteral("siLangLinked_") + formName);
    m_data.Parse(translationData);
}

QString TsiLang::GetTextOrDefault(const QString &key) const
{
    const TLangEntry *e = m_data.Find(QStringLiteral("stStrings"), key);
    if (!e)
        return QString();
    const int lang = TsiLangDispatcher::Instance()->ActiveLanguage();
    const QString text = e->texts.value(lang - 1);
    return text.isEmpty() ? e->texts.value(0) : text;
}

QString TsiLang::DlgCaption(const QString &key) const
{
    const TLangEntry *e = m_data.Find(QStringLiteral("stDlgsCaptions"), key);
    if (!e)
        return QString();
    const int lang = TsiLangDispatcher::Instance()->ActiveLanguage();
    const QString text = e->texts.value(lang - 1);
    return text.isEmpty() ? e->texts.value(0) : text;
}

TsiLang *MainLangTable()
{
    static TsiLang *table = new TsiLang(QStringLiteral("frmMain"));
    return table;
}

QString GetTextOrDefault(const QString &key)
{
    return MainLangTable()->GetTextOrDefault(key);
}

QString AddedText(const char *english)
{
    QString key = QString::fromUtf8(english);
    key.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    QString text = MainLangTable()->GetTextOrDefault(key);
    if (text.isEmpty())
        return QString::fromUtf8(english);
    return text.replace(QLatin1String("\\n"), QLatin1String("\n"));
}

