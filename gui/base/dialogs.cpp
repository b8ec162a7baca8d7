#include "gui/base/dialogs.h"

#include "core/base/translation.h"
#include "core/files/textformat.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace Dialogs {

namespace {

MessageHandler g_message;
FileHandler g_file;
ColorHandler g_color;
FontHandler g_font;
ExecHandler g_exec;
UrlHandler g_url;

QString Caption(const char *key, const char *fallback)
{
    const QString text = MainLangTable()->DlgCaption(QLatin1String(key));
    return text.isEmpty() ? QString::fromLatin1(fallback) : text;
}

int RealMessage(const MessageRequest &r)
{
    QMessageBox::Icon icon = QMessageBox::Information;
    QString title;
    switch (r.kind) {
    case Kind::Warning: icon = QMessageBox::Warning; title = Caption("Warning", "Warning"); break;
    case Kind::Error: icon = QMessageBox::Critical; title = Caption("Error", "Error"); break;
    case Kind::Information: icon = QMessageBox::Information; title = Caption("Information", "Information"); break;
    case Kind::Confirmation: icon = QMessageBox::Question; title = Caption("Confirm", "Confirm"); break;
    }
    QMessageBox box(icon, title, r.text, QMessageBox::NoButton, r.parent);
    QHash<QAbstractButton *, int> answers;
    auto add = [&](int flag, QMessageBox::StandardButton sb, const char *key, const char *fallback) {
        if (r.buttons & flag) {
            QAbstractButton *b = box.addButton(sb);
            b->setText(Caption(key, fallback));
            answers.insert(b, flag);
        }
    };
    add(Yes, QMessageBox::Yes, "Yes", "&Yes");
    add(No, QMessageBox::No, "No", "&No");
    add(Ok, QMessageBox::Ok, "OK", "OK");
    add(Cancel, QMessageBox::Cancel, "Cancel", "Cancel");
    if (answers.isEmpty()) {
        QAbstractButton *b = box.addButton(QMessageBox::Ok);
        b->setText(Caption("OK", "OK"));
        answers.insert(b, Ok);
    }
    box.exec();
    QAbstractButton *clicked = box.clickedButton();
    if (clicked && answers.contains(clicked))
        return answers.value(clicked);
    // Closed with the window's close box or Escape.
    if (r.buttons & Cancel)
        return Cancel;
    if (r.buttons & No)
        return No;
    return Ok;
}

QString RealFile(const FileRequest &r)
{
    QFileDialog dlg(r.parent, r.title, r.folder, r.filter);
    dlg.setAcceptMode(r.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(r.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // Save dialogs are Qt's own, so a change of file type can change the typed name.
    dlg.setOption(QFileDialog::DontUseNativeDialog, r.save);
    if (!r.defaultSuffix.isEmpty())
        dlg.setDefaultSuffix(r.defaultSuffix);
    if (r.save)
        WireSaveTypeChange(&dlg, TextFormat::PairsFromQtFilter(r.filter));
    if (!r.fileName.isEmpty())
        dlg.selectFile(r.fileName);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return QString();
    return dlg.selectedFiles().first();
}

} // namespace

int Message(QWidget *parent, Kind kind, const QString &text, int buttons)
{
    MessageRequest r;
    r.parent = parent;
    r.kind = kind;
    r.text = text;
    r.buttons = buttons;
    return g_message ? g_message(r) : RealMessage(r);
}

QString FileName(const FileRequest &request)
{
    return g_file ? g_file(request) : RealFile(request);
}

bool ChooseColor(QWidget *parent, QColor &color)
{
    if (g_color)
        return g_color(parent, color);
    const QColor c = QColorDialog::getColor(color, parent);
    if (!c.isValid())
        return false;
    color = c;
    return true;
}

bool ChooseFont(QWidget *parent, QFont &font)
{
    if (g_font)
        return g_font(parent, font);
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, font, parent);
    if (ok)
        font = f;
    return ok;
}

int Exec(QDialog *dialog)
{
    if (!dialog)
        return QDialog::Rejected;
    return g_exec ? g_exec(dialog) : dialog->exec();
}

void OpenUrl(const QUrl &url)
{
    if (g_url)
        g_url(url);
    else
        QDesktopServices::openUrl(url);
}

void SetMessageHandler(MessageHandler handler) { g_message = std::move(handler); }
void SetFileHandler(FileHandler handler) { g_file = std::move(handler); }
void SetColorHandler(ColorHandler handler) { g_color = std::move(handler); }
void SetFontHandler(FontHandler handler) { g_font = std::move(handler); }
void SetExecHandler(ExecHandler handler) { g_exec = std::move(handler); }
void SetUrlHandler(UrlHandler handler) { g_url = std::move(handler); }

} // namespace Dialogs

void SaveDialog1TypeChange(QFileDialog *dialog, const QString &pairFilter)
{
    const int index = int(dialog->nameFilters().indexOf(dialog->selectedNameFilter())) + 1;
    const QString current = dialog->selectedFiles().value(0);
    if (current.isEmpty() || QFileInfo(current).isDir())
        return;
    const QString name = TextFormat::TypeChangedFileName(pairFilter, index, current);
    if (!name.isEmpty())
        dialog->selectFile(name);
}

void WireSaveTypeChange(QFileDialog *dialog, const QString &pairFilter)
{
    QObject::connect(dialog, &QFileDialog::filterSelected, dialog, [dialog, pairFilter](const QString &) {
        SaveDialog1TypeChange(dialog, pairFilter);
        // A name typed without an extension is saved as the chosen type, and
        // the overwrite question names that file.
        const int index = int(dialog->nameFilters().indexOf(dialog->selectedNameFilter())) + 1;
        const QString extension = TextFormat::FilterExtensions(pairFilter).value(index - 1);
        if (extension.size() > 1)
            dialog->setDefaultSuffix(extension.mid(1));
    });
}
