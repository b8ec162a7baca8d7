#include "graph/graphmodel.h"

namespace GraphBlock {
QByteArray Save(const TGraphModel &) { return QByteArray(); }
bool Load(const QByteArray &, TGraphModel *, QString *error)
{
    if (error)
        *error = QStringLiteral("not yet");
    return false;
}
} // namespace GraphBlock
