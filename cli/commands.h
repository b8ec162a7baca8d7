#pragma once
// The commands of qm738-cli. Each takes the words after the command's name,
// prints what it produces on standard output, a one-line message for a
// failure on standard error, and returns the program's exit code.

#include <QStringList>

#include <atomic>

namespace CliExit {
constexpr int Ok = 0;
constexpr int Usage = 2;         // bad command line, set number out of range, unknown format
constexpr int NoMeter = 3;       // no meter answered (or the port is unknown or in use)
constexpr int Transfer = 4;      // the download failed; its result code is printed
constexpr int File = 5;          // a file could not be read, was rejected or could not be written
constexpr int Network = 6;       // the broker refused the credentials, TLS failed, or the host is unknown
constexpr int Interrupted = 130; // SIGINT or SIGTERM
} // namespace CliExit

// Set by SIGINT and SIGTERM; polled at each page boundary and each reading.
extern std::atomic<bool> CliStopRequested;

// The text of `qm738-cli --help`: commands and exit codes.
QString CliOverview();

int RunScan(const QStringList &args);
int RunRead(const QStringList &args);
int RunDownload(const QStringList &args);
int RunSets(const QStringList &args);
int RunExport(const QStringList &args);
int RunPublish(const QStringList &args); // cli/publish.cpp
int RunArchive(const QStringList &args); // cli/archive.cpp
