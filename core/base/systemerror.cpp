#include "core/base/systemerror.h"

#include <cstring>
#include <locale.h>
#include <netdb.h>

QString SystemErrorText(int error)
{
    const char *text = strerrordesc_np(error);
    return text ? QString::fromUtf8(text) : QStringLiteral("error %1").arg(error);
}

QString ResolverErrorText(int error)
{
    // The resolver's texts come through gettext: the C locale on this thread
    // gives the untranslated ones.
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    const locale_t before = c ? uselocale(c) : locale_t(nullptr);
    const QString text = QString::fromUtf8(gai_strerror(error));
    if (c)
        uselocale(before);
    return text;
}
