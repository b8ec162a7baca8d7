#pragma once
// The command line: `qm738 [FILE...]` opens each file as File > Open would;
// `--help` and `--version` answer on the terminal. Without arguments the
// program starts as usual.

#include <QStringList>

class QCoreApplication;

namespace CommandLine {

// Answers --help and --version (before any window or display is needed) and
// ends the process; returns when neither was asked for.
void AnswerTextRequests(int argc, char **argv);

// The files named on the command line of the running application (Qt's own
// options already taken out). A wrong option ends the process with a message.
QStringList Files(const QCoreApplication &app);

} // namespace CommandLine
