#pragma once
// The one seam through which the program asks the user anything: message
// boxes and file dialogs. Tests replace the handlers to answer without a person.

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <functional>

class QDialog;
class QFileDialog;
class QWidget;
class QUrl;

namespace Dialogs {

enum class Kind { Warning, Error, Information, Confirmation };

// Buttons, combinable; the answer is one of them.
enum Button : int {
    NoButton = 0, Ok = 1, Cancel = 2, Yes = 4, No = 8
};

struct MessageRequest {
    QWidget *parent = nullptr;
    Kind kind = Kind::Information;
    QString text;
    int buttons = Ok;
};

struct FileRequest {
    QWidget *parent = nullptr;
    bool save = false;
    QString title;
    QString folder;        // initial folder
    QString fileName;      // initial file name
    QString filter;        // Qt filter string ("Graph file (*.ghf);;TXT file (*.txt)")
    QString defaultSuffix; // without dot
};

using MessageHandler = std::function<int(const MessageRequest &)>;
using FileHandler = std::function<QString(const FileRequest &)>; // empty = cancelled

// Shows a message box (titles and button texts from the main window's table)
// and returns the button pressed (Cancel when the box was closed).
int Message(QWidget *parent, Kind kind, const QString &text, int buttons = Ok);
// Shows an open or save dialog; returns the chosen path or an empty string.
QString FileName(const FileRequest &request);

// Colour and font choosers; return false when cancelled.
bool ChooseColor(QWidget *parent, QColor &color);
bool ChooseFont(QWidget *parent, QFont &font);
// Runs one of the program's own modal dialogs and returns its result
// (QDialog::Accepted or Rejected). Tests fill the dialog and answer.
int Exec(QDialog *dialog);
// Asks the desktop to open a file or address; the result is ignored.
void OpenUrl(const QUrl &url);

using ColorHandler = std::function<bool(QWidget *, QColor &)>;
using FontHandler = std::function<bool(QWidget *, QFont &)>;
using ExecHandler = std::function<int(QDialog *)>;
using UrlHandler = std::function<void(const QUrl &)>;

// Replace the handlers (tests); an empty function restores the real dialogs.
void SetMessageHandler(MessageHandler handler);
void SetFileHandler(FileHandler handler);
void SetColorHandler(ColorHandler handler);
void SetFontHandler(FontHandler handler);
void SetExecHandler(ExecHandler handler);
void SetUrlHandler(UrlHandler handler);

} // namespace Dialogs

// The save dialog's file-type change: the typed name takes the extension of
// the type now chosen (`pairFilter` is the dialog's filter in its
// "desc|pattern" form).
void SaveDialog1TypeChange(QFileDialog *dialog, const QString &pairFilter);
// Wires the type change of a save dialog: the typed name takes the chosen
// type's extension, and a name typed without one is saved with it.
void WireSaveTypeChange(QFileDialog *dialog, const QString &pairFilter);
