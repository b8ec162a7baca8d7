#pragma once
// Folders of the program: its own read-only files, the user's data folder and
// the graph template.

#include <QString>

// The folder of the program's read-only files (help page, shipped defaults):
// the executable's folder in a build tree, <prefix>/share/qm738 when installed.
// Always ends in '/'.
QString ProgramFolder();

// Settles the user folder from the documents folder: documents + "QM738/",
// created when missing; the documents folder itself when it cannot be created;
// empty when there is no documents folder.
QString SettleUserFolder(const QString &documentsFolder);
// The documents folder of the user, or empty when there is none.
QString DocumentsFolder();
// The initial folder of every file dialog: the user folder, or the program's
// folder when the user folder is empty.
QString DialogFolder(const QString &userFolder);

// The help page opened by Help > Contents.
QString HelpFilePath();
// The graph template: read from the user's copy first, then from the one
// shipped in the program's folder (template/graph.ghf). Empty when neither exists.
QString TemplateReadPath();
// The shipped template in the program's folder (it may not exist).
QString ShippedTemplatePath();
// Where the template is written: the user's copy under the application data
// folder (its folder is created), never next to the program.
QString TemplateWritePath();
