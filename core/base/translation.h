#pragma once
// Translation tables: every window carries a table of texts in English
// (language 1) and French (language 2). A table is read from its text form
// (Windows-1252, CRLF, fields split by the character with code 1), applied to
// its window by objectName when the window is created, and the main window's
// table also answers the keyed strings (IDS_...) and the texts of the
// standard message boxes. French is active for the whole run.

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>


// Decodes Windows-1252 bytes (Latin-1 except 0x80 to 0x9F).
QString DecodeWindows1252(const QByteArray &bytes);

struct TLangEntry {
    QString key;
    QStringList texts; // texts[0] English, texts[1] French; missing fields are empty
};

// The parsed text of one table: the eleven sections, each an ordered list of entries.
class TLangData {
public:
    static const QStringList &SectionNames();

    // Parses the stored form. Lines before the first section name are ignored;
    // an entry line without a delimiter is kept as a key with empty texts.
    void Parse(const QByteArray &windows1252);
    void ParseText(const QString &text);

    const QVector<TLangEntry> &Section(const QString &section) const;
    const TLangEntry *Find(const QString &section, const QString &key) const;
    // Text of `language` (1-based); empty when the key or the text is missing.
    QString Text(const QString &section, const QString &key, int language) const;
    bool IsEmpty() const { return m_sections.isEmpty(); }

private:
    QHash<QString, QVector<TLangEntry>> m_sections;
};

// The language dispatcher: the number and names of the languages and the
// active one, shared by all tables.
class TsiLangDispatcher : public QObject {
    Q_OBJECT
public:
    explicit TsiLangDispatcher(QObject *parent = nullptr);
    ~TsiLangDispatcher() override;

    static TsiLangDispatcher *Instance(); // the dispatcher of the main window, or a default one

    int NumOfLanguages() const { return m_langNames.size(); }
    QStringList LangNames() const { return m_langNames; }
    int ActiveLanguage() const { return m_active; }
    QString Language() const { return m_langNames.value(m_active - 1); }
    void SetActiveLanguage(int language); // only tests change it

private:
    QStringList m_langNames{QStringLiteral("English"), QStringLiteral("French")};
    int m_active = 2;
};

// One window's table (siLang_frmMain, siLangLinked_frmGraph, ...).
class TsiLang : public QObject {
    Q_OBJECT
public:
    // Loads ":/lang/<formName>.lang"; a missing table leaves the texts as designed.
    explicit TsiLang(const QString &formName, QObject *parent = nullptr);
    TsiLang(const QString &formName, const QByteArray &translationData, QObject *parent = nullptr);

    const TLangData &Data() const { return m_data; }
    QString FormName() const { return m_formName; }

    // Text of a keyed string in the active language, English when that is
    // empty, the empty string for an unknown key.
    QString GetTextOrDefault(const QString &key) const;
    // Title or button text of the standard message boxes ("Yes" -> "&oui").
    QString DlgCaption(const QString &key) const;

private:
    QString m_formName;
    TLangData m_data;
};

// Loads Qt's own translations (the dialogs and buttons Qt draws) for the
// program's language (1 English, 2 French), replacing those loaded before.
// False when the French catalogue is not installed; Qt's texts stay English.
bool InstallQtTranslations(int language);

// The main window's table (siLang_frmMain), loaded on first use.
TsiLang *MainLangTable();
// GetTextOrDefault on the main window's table.
QString GetTextOrDefault(const QString &key);
// A text the program shows beyond the designed ones, keyed in the main
// table's stStrings by its English text (a line break written \n there): the
// active language's text, the English one when the table lacks the key.
QString AddedText(const char *english);
