#include "gui/base/langapply.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QWidget>

namespace {

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

void ApplyLangTable(const TsiLang &table, QWidget *window)
{
    if (!window)
        return;
    const int lang = TsiLangDispatcher::Instance()->ActiveLanguage();
    auto textOf = [lang](const TLangEntry &e) { return e.texts.value(lang - 1); };

    // Captions and hints, the window's own entries first.
    for (const QString &section : {QStringLiteral("stCaptions"), QStringLiteral("stHints")}) {
        const auto &entries = table.Data().Section(section);
        for (int pass = 0; pass < 2; ++pass) {
            for (const TLangEntry &e : entries) {
                QObject *obj = FindComponent(window, e.key, table.FormName());
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
    for (const TLangEntry &e : table.Data().Section(QStringLiteral("stFonts"))) {
        QObject *obj = FindComponent(window, e.key, table.FormName());
        const QString text = textOf(e);
        if (obj && !text.isEmpty())
            SetFontName(obj, text);
    }
    for (const TLangEntry &e : table.Data().Section(QStringLiteral("stCharSets"))) {
        QObject *obj = FindComponent(window, e.key, table.FormName());
        const QString text = textOf(e);
        if (obj && !text.isEmpty())
            obj->setProperty("Charset", text);
    }
    // Multi-line lists and other string properties: "Component.Property".
    for (const QString &section : {QStringLiteral("stMultiLines"), QStringLiteral("stOtherStrings"),
                                  QStringLiteral("stCollections")}) {
        for (const TLangEntry &e : table.Data().Section(section)) {
            const int dot = e.key.lastIndexOf(QLatin1Char('.'));
            if (dot <= 0)
                continue;
            QObject *obj = FindComponent(window, e.key.left(dot), table.FormName());
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

TsiLang *ApplyTranslation(QWidget *window, const QString &formName)
{
    if (!window)
        return nullptr;
    TsiLang *table = formName == QLatin1String("frmMain")
                         ? MainLangTable()
                         : new TsiLang(formName, window);
    ApplyLangTable(*table, window);
    return table;
}
