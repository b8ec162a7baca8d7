#include "app/commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstring>

namespace {

void SetUp(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Four Channel Thermometer Software: the companion program of the QM738 thermometer and hygrometer.\n"
        "Each FILE is opened as File > Open would: graph files (.ghf), data-set collections (.738) "
        "and tables (.txt, .csv)."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("A file to open."),
                                 QStringLiteral("[FILE...]"));
}

void SetNames()
{
    QCoreApplication::setOrganizationName(QStringLiteral("QM738"));
    QCoreApplication::setApplicationName(QStringLiteral("QM738"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QM738_VERSION));
}

} // namespace

namespace CommandLine {

void AnswerTextRequests(int argc, char **argv)
{
    bool asked = false;
    for (int i = 1; i < argc && !asked; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            break;
        for (const char *option : {"-h", "--help", "-?", "--help-all", "-v", "--version"})
            asked = asked || std::strcmp(argv[i], option) == 0;
    }
    if (!asked)
        return;
    // A plain application object: the answer needs no display.
    QCoreApplication app(argc, argv);
    SetNames();
    QCommandLineParser parser;
    SetUp(parser);
    parser.process(app); // prints the answer and ends the process
}

QStringList Files(const QCoreApplication &app)
{
    QCommandLineParser parser;
    SetUp(parser);
    parser.process(app);
    return parser.positionalArguments();
}

} // namespace CommandLine
