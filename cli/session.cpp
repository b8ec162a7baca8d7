#include "cli/session.h"

#include "core/base/systemerror.h"
#include "core/link/frames.h"
#include "core/link/usbfactory.h"
#include "core/live/decoder.h"
#include "sim/simusbbackend.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

void Fail(const char *command, const QString &text)
{
    std::fprintf(stderr, "qm738-cli %s: %s\n", command, qPrintable(text));
}

int Parse(QCommandLineParser &parser, const char *command, const QString &usage, const QStringList &args)
{
    parser.setApplicationDescription(usage);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help."));
    parser.addOption(help);
    if (!parser.parse(QStringList(QStringLiteral("qm738-cli")) + args)) {
        Fail(command, parser.errorText());
        return CliExit::Usage;
    }
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        text.replace(QCoreApplication::arguments().value(0), QStringLiteral("qm738-cli ") + QLatin1String(command));
        std::fputs(qPrintable(text), stdout);
        return CliExit::Ok;
    }
    return -1;
}

const QCommandLineOption PortOption({QStringLiteral("p"), QStringLiteral("port")},
                                    QStringLiteral("The serial port of the meter (ttyUSB0, /dev/rfcomm0, ...)."),
                                    QStringLiteral("port"));
const QCommandLineOption UsbOption(QStringLiteral("usb"), QStringLiteral("The meter on USB only."));
const QCommandLineOption ExportFormatOption({QStringLiteral("f"), QStringLiteral("format")},
                                            QStringLiteral("txt (tab-separated) or csv (comma-separated, semicolon-"
                                                           "separated where the decimal separator is a comma); default "
                                                           "from the output's extension, txt on standard output."),
                                            QStringLiteral("txt|csv"));
const QCommandLineOption LocaleOption(QStringLiteral("locale"),
                                      QStringLiteral("Dates and numbers in this locale (C for decimal points); "
                                                     "default the system's, as the program writes them."),
                                      QStringLiteral("NAME"));

int FlushOutput(const char *command)
{
    errno = 0;
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return CliExit::Ok;
    const int error = errno ? errno : EIO;
    Fail(command, QStringLiteral("cannot write the output: %1").arg(SystemErrorText(error)));
    return CliExit::File;
}


bool IntervalSeconds(const char *command, const QString &text, double *seconds)
{
    bool ok = false;
    *seconds = text.toDouble(&ok);
    // Written so that nan fails too.
    if (ok && *seconds >= 0.5 && *seconds <= 86400)
        return true;
    Fail(command, QStringLiteral("--interval wants seconds, from 0.5 to 86400"));
    return false;
}

void SleepUntil(const QElapsedTimer &clock, qint64 ms)
{
    while (!CliStopRequested && clock.elapsed() < ms)
        QThread::msleep(static_cast<unsigned long>(std::min<qint64>(20, ms - clock.elapsed())));
}

TMeterSession::TMeterSession()
{
    RegisterDemoUsbMeter();
    usb = CreateUsbBackend();
    link.SetUsbBackend(usb.get());
    link.SetSerialTransport(&serial);
    link.SetUsbIds(UsbIdsFromSettings());
    supervisor.SetDecoder([this](const uint8_t *reply, TLiveReading &out) {
        DecodeLiveReply(reply, out);
        fresh = true;
    });
}

TMeterSession::~TMeterSession()
{
    serial.Close();
    if (usb)
        usb->MvUsbClose();
}

void TMeterSession::Tick()
{
    fresh = false;
    if (!state.Connected && !port.isEmpty())
        discovery.ComboBoxDeviceNameChange(port);
    else
        supervisor.MainTimerTimer();
}

int TMeterSession::Connect(const char *command, const QCommandLineParser &parser)
{
    const QString wanted = parser.value(PortOption);
    if (!wanted.isEmpty() && parser.isSet(UsbOption)) {
        Fail(command, QStringLiteral("--port and --usb exclude each other"));
        return CliExit::Usage;
    }
    if (!wanted.isEmpty()) {
        const QString location = SerialSystemLocation(wanted);
        if (!QFileInfo::exists(location)) {
            Fail(command, QStringLiteral("there is no serial port %1").arg(location));
            return CliExit::NoMeter;
        }
        discovery.ComboBoxDeviceNameChange(wanted);
        if (!serial.IsOpen()) {
            Fail(command, QStringLiteral("cannot open %1: another program uses it, or access is denied").arg(location));
            return CliExit::NoMeter;
        }
        if (!state.Connected) {
            Fail(command, QStringLiteral("no meter answers on %1").arg(location));
            return CliExit::NoMeter;
        }
        port = wanted;
        return CliExit::Ok;
    }
    supervisor.MainTimerTimer(); // the poll cycle's USB probe
    if (state.Connected)
        return CliExit::Ok;
    if (parser.isSet(UsbOption)) {
        Fail(command, QStringLiteral("no meter answers on USB"));
        return CliExit::NoMeter;
    }
    discovery.FillPortList(ListSerialPorts());
    discovery.BitBtn1Click(); // the program's search through every port
    if (CliStopRequested)
        return CliExit::Interrupted;
    if (state.Connected) {
        port = view.PortList().value(discovery.FoundPortIndex);
        return CliExit::Ok;
    }
    Fail(command, QStringLiteral("no meter found on USB or on a serial port"));
    return CliExit::NoMeter;
}
