#pragma once
// What the commands of qm738-cli share: the message and option parsing, the
// --port and --usb options, and the meter session (the program's own link
// objects without its windows).

#include "cli/commands.h"
#include "core/base/appstate.h"
#include "core/link/discovery.h"
#include "core/link/meterlink.h"
#include "core/link/nullview.h"
#include "core/link/serialtransport.h"
#include "core/link/supervisor.h"
#include "core/link/usbbackend.h"
#include "core/live/livereading.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QElapsedTimer>

#include <memory>

// "qm738-cli COMMAND: text" on standard error.
void Fail(const char *command, const QString &text);

// Parses a command's words. -1 to go on; otherwise the exit code (help shown
// or a usage error reported).
int Parse(QCommandLineParser &parser, const char *command, const QString &usage, const QStringList &args);

// Flushes standard output: CliExit::Ok, or CliExit::File after saying that
// what was printed did not reach its destination (a full disk, a closed pipe).
int FlushOutput(const char *command);


// The seconds of an --interval value: finite, 0.5 to 86400. False (and said,
// for `command`) otherwise.
bool IntervalSeconds(const char *command, const QString &text, double *seconds);

// Sleeps until `ms` have passed on `clock`, or a stop was asked for.
void SleepUntil(const QElapsedTimer &clock, qint64 ms);

extern const QCommandLineOption PortOption;
// --archive FILE (cli/archive.cpp), and the archive it names opened: an exit code.
extern const QCommandLineOption ArchiveOption;
class TArchive;
struct TArchiveImport;
int OpenArchive(const char *command, const QCommandLineParser &parser, TArchive &archive);
// "3 sets found, 1 new, 1 grown, 1 already there"
QString ImportSummary(const TArchiveImport &report);
// --locale NAME: the default locale; false (and said) for an unknown name.
bool ApplyLocaleOption(const char *command, const QString &name);
extern const QCommandLineOption UsbOption;
// --format txt|csv and --locale of the commands that write the data-logger export.
extern const QCommandLineOption ExportFormatOption;
extern const QCommandLineOption LocaleOption;

// The link objects of the program without its windows: the same supervisor,
// port search and exchanges as behind the main window.
struct TMeterSession {
    TAppState state;
    TLinkBuffers buffers;
    std::unique_ptr<IUsbBackend> usb;
    TSerialTransport serial;
    TNullView view;
    TLiveReading reading;
    TMeterLink link{state, buffers};
    TConnectionSupervisor supervisor{state, link, view, reading};
    TPortDiscovery discovery{state, link, supervisor, view};
    QString port;        // the serial port of the connection; empty over USB
    bool fresh = false;  // the last tick decoded a live reply

    TMeterSession();
    ~TMeterSession();

    // One tick of the poll cycle: a live exchange, or while no meter is
    // connected the USB probe (over a serial link: the port probed again).
    void Tick();

    // Connects as the options say: the serial port named, USB only, or USB
    // then the search through every serial port. An exit code.
    int Connect(const char *command, const QCommandLineParser &parser);
};
