#pragma once
// System error texts in the language of the command line's messages
// (English), whatever the locale: a French strerror() inside an English
// sentence reads badly and searches worse.

#include <QString>

// strerror(error), in English.
QString SystemErrorText(int error);
// gai_strerror(error) of getaddrinfo(), in English.
QString ResolverErrorText(int error);
