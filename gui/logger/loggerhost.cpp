#include "gui/logger/loggerhost.h"

namespace {
ILoggerHost *g_host = nullptr;
}

ILoggerHost *LoggerHost() { return g_host; }
void SetLoggerHost(ILoggerHost *host) { g_host = host; }
