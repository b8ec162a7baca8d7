#pragma once
// Helpers of the graph window and graph file tests: one hidden main window for
// the process (its state, actions and frame), scripted answers to every
// question and file dialog, and removal of the graph template.

#include "core/base/appstate.h"
#include "gui/base/dialogs.h"
#include "app/frmmain.h"
#include "core/base/paths.h"

#include <QCoreApplication>
#include <QDialog>
#include <QFile>
#include <QList>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStringList>
#include <functional>

namespace GraphTest {

inline void RemoveTemplates()
{
    for (int i = 0; i < 3; ++i) {
        const QString path = TemplateReadPath();
        if (path.isEmpty())
            break;
        QFile::remove(path);
    }
}

// Answers every question, file dialog and own dialog of the program while it lives.
class Answers
{
public:
    QStringList messages;                  // texts of the message boxes shown
    QList<int> messageAnswers;             // answers in order; `defaultAnswer` when used up
    int defaultAnswer = Dialogs::No;
    QList<Dialogs::FileRequest> fileRequests;
    QString filePath;                      // answer of every file dialog ("" = cancel)
    std::function<int(QDialog *)> exec;    // own dialogs; rejected when empty
    QList<QDialog *> execDialogs;
    QColor color;                          // colour answer; invalid = cancel
    int execCount = 0;

    Answers()
    {
        Dialogs::SetMessageHandler([this](const Dialogs::MessageRequest &r) {
            messages << r.text;
            return messageAnswers.isEmpty() ? defaultAnswer : messageAnswers.takeFirst();
        });
        Dialogs::SetFileHandler([this](const Dialogs::FileRequest &r) {
            fileRequests << r;
            return filePath;
        });
        Dialogs::SetExecHandler([this](QDialog *d) {
            ++execCount;
            execDialogs << d;
            return exec ? exec(d) : int(QDialog::Rejected);
        });
        Dialogs::SetColorHandler([this](QWidget *, QColor &c) {
            if (!color.isValid())
                return false;
            c = color;
            return true;
        });
    }
    ~Answers() { Silence(); }

    // No test may wait for a person: outside a scripted scope every question is
    // answered Cancel, every dialog rejected.
    static void Silence()
    {
        Dialogs::SetMessageHandler([](const Dialogs::MessageRequest &) { return int(Dialogs::Cancel); });
        Dialogs::SetFileHandler([](const Dialogs::FileRequest &) { return QString(); });
        Dialogs::SetExecHandler([](QDialog *) { return int(QDialog::Rejected); });
        Dialogs::SetColorHandler([](QWidget *, QColor &) { return false; });
        Dialogs::SetFontHandler([](QWidget *, QFont &) { return false; });
    }
};

// The hidden main window shared by the tests (created on first use, never shown,
// so its timers never poll).
inline TfrmMain *Main()
{
    static TfrmMain *main = nullptr;
    if (!main) {
        Answers::Silence();
        main = new TfrmMain;
    }
    return main;
}

// Closes every child window without questions and resets the shared state.
inline void ResetMain()
{
    TfrmMain *main = Main();
    {
        Answers quiet; // "No" to any question on the way out
        main->State.RealTimeGraphUnsaved = false;
        main->State.LoggerDataUnsaved = false;
        main->MdiArea->closeAllSubWindows();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    main->State = TAppState();
    main->State.RealTimeSpanStep = 10.0 / 86400.0;
}

} // namespace GraphTest
