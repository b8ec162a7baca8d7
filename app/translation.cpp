#include "app/translation.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QPointer>
#include <QTranslator>
#include <QWidget>

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

QObject *FindComponent(QWidget *window, const QString &key, const QString &formName)
{
    if (key.isEmpty())
        return nullptr;
    // The class-name entry ("TfrmMain") and the form name mean the window itself.
    if (key == QLatin1String("T") + formName || key == formName
        || key == QLatin1String(window->metaObject()->className()))
        return window;
    return window->findChild<QObject *>(key);
}

void SetCaption(QObject *obj, QWidget *window, const QString &text)
{
    if (obj == window) {
        window->setWindowTitle(text);
    } else if (auto *a = qobject_cast<QAction *>(obj)) {
        a->setText(text);
    } else if (auto *m = qobject_cast<QMenu *>(obj)) {
        m->setTitle(text);
    } else if (auto *b = qobject_cast<QAbstractButton *>(obj)) {
        b->setText(text);
    } else if (auto *l = qobject_cast<QLabel *>(obj)) {
        l->setText(text);
    } else if (auto *g = qobject_cast<QGroupBox *>(obj)) {
        g->setTitle(text);
    } else if (obj->metaObject()->indexOfProperty("text") >= 0) {
        obj->setProperty("text", text);
    } else if (obj->metaObject()->indexOfProperty("title") >= 0) {
        obj->setProperty("title", text);
    } else if (auto *w = qobject_cast<QWidget *>(obj)) {
        w->setWindowTitle(text);
    }
}

void SetHint(QObject *obj, const QString &text)
{
    if (auto *a = qobject_cast<QAction *>(obj)) {
        a->setToolTip(text);
        a->setStatusTip(text);
    } else if (auto *w = qobject_cast<QWidget *>(obj)) {
        w->setToolTip(text);
    }
}

void SetFontName(QObject *obj, const QString &family)
{
    if (auto *w = qobject_cast<QWidget *>(obj)) {
        QFont f = w->font();
        f.setFamilies({family, QStringLiteral("DejaVu Sans")});
        w->setFont(f);
    } else if (auto *a = qobject_cast<QAction *>(obj)) {
        QFont f = a->font();
        f.setFamilies({family, QStringLiteral("DejaVu Sans")});
        a->setFont(f);
    }
}

void SetList(QObject *obj, const QString &property, const QString &text)
{
    const QStringList items = text.split(QLatin1Char(','));
    if (auto *c = qobject_cast<QComboBox *>(obj)) {
        if (property == QLatin1String("Items")) {
            const int index = c->currentIndex();
            const QSignalBlocker block(c);
            c->clear();
            c->addItems(items);
            if (index >= 0 && index < c->count())
                c->setCurrentIndex(index);
            return;
        }
    }
    if (auto *l = qobject_cast<QListWidget *>(obj)) {
        if (property == QLatin1String("Items")) {
            l->clear();
            l->addItems(items);
            return;
        }
    }
    obj->setProperty(property.toLatin1().constData(), items);
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

void TsiLang::Apply(QWidget *window) const
{
    if (!window)
        return;
    const int lang = TsiLangDispatcher::Instance()->ActiveLanguage();
    auto textOf = [lang](const TLangEntry &e) { return e.texts.value(lang - 1); };

    // Captions and hints, the window's own entries first.
    for (const QString &section : {QStringLiteral("stCaptions"), QStringLiteral("stHints")}) {
        const auto &entries = m_data.Section(section);
        for (int pass = 0; pass < 2; ++pass) {
            for (const TLangEntry &e : entries) {
                QObject *obj = FindComponent(window, e.key, m_formName);
                if (!obj || (pass == 0) != (obj == window))
                    continue;
                const QString text = textOf(e);
                if (text.isEmpty())
                    continue;
                if (section == QLatin1String("stCaptions"))
                    SetCaption(obj, window, text);
                else
                    SetHint(obj, text);
            }
        }
    }
    // Fonts; character sets have no meaning for Qt's Unicode fonts.
    for (const TLangEntry &e : m_data.Section(QStringLiteral("stFonts"))) {
        QObject *obj = FindComponent(window, e.key, m_formName);
        const QString text = textOf(e);
        if (obj && !text.isEmpty())
            SetFontName(obj, text);
    }
    for (const TLangEntry &e : m_data.Section(QStringLiteral("stCharSets"))) {
        QObject *obj = FindComponent(window, e.key, m_formName);
        const QString text = textOf(e);
        if (obj && !text.isEmpty())
            obj->setProperty("Charset", text);
    }
    // Multi-line lists and other string properties: "Component.Property".
    for (const QString &section : {QStringLiteral("stMultiLines"), QStringLiteral("stOtherStrings"),
                                  QStringLiteral("stCollections")}) {
        for (const TLangEntry &e : m_data.Section(section)) {
            const int dot = e.key.lastIndexOf(QLatin1Char('.'));
            if (dot <= 0)
                continue;
            QObject *obj = FindComponent(window, e.key.left(dot), m_formName);
            const QString text = textOf(e);
            if (!obj || text.isEmpty())
                continue;
            const QString property = e.key.mid(dot + 1);
            if (section == QLatin1String("stMultiLines"))
                SetList(obj, property, text);
            else if (property == QLatin1String("Caption"))
                SetCaption(obj, window, text);
            else if (property == QLatin1String("Hint"))
                SetHint(obj, text);
            else
                obj->setProperty(property.toLatin1().constData(), text);
        }
    }
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

TsiLang *ApplyTranslation(QWidget *window, const QString &formName)
{
    if (!window)
        return nullptr;
    TsiLang *table = formName == QLatin1String("frmMain")
                         ? MainLangTable()
                         : new TsiLang(formName, window);
    table->Apply(window);
    return table;
}
