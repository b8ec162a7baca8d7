#include "app/mdikeeper.h"

#include <QChildEvent>
#include <QEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>

#include <algorithm>

TMdiKeeper::TMdiKeeper(QMdiArea *area)
    : QObject(area), Area(area), Viewport(area->viewport())
{
    area->viewport()->installEventFilter(this);
}

void TMdiKeeper::KeepInside(QMdiArea *area, QMdiSubWindow *window)
{
    if (!area || !window || window->isMaximized() || window->isMinimized() || window->isHidden())
        return;
    const QRect client = area->viewport()->rect();
    if (client.width() < 50 || client.height() < 50)
        return; // not laid out yet
    const QRect now = window->geometry();
    const QSize least = window->minimumSize().expandedTo(window->minimumSizeHint());
    const QSize size = now.size().boundedTo(client.size()).expandedTo(least);
    const int x = std::max(0, std::min(now.x(), client.width() - size.width()));
    const int y = std::max(0, std::min(now.y(), client.height() - size.height()));
    const QRect fitted(QPoint(x, y), size);
    if (fitted != now)
        window->setGeometry(fitted);
}

void TMdiKeeper::KeepAllInside()
{
    if (!Area)
        return;
    for (QMdiSubWindow *window : Area->subWindowList())
        KeepInside(Area, window);
}

bool TMdiKeeper::eventFilter(QObject *watched, QEvent *event)
{
    // Compared, never followed: while the area is being destroyed its
    // children's last events still come here, and it is no area any more.
    if (watched == Viewport) {
        if (event->type() == QEvent::Resize) {
            // After the layout settles: the windows placed for the old size follow.
            QTimer::singleShot(0, this, [this] { KeepAllInside(); });
        } else if (event->type() == QEvent::ChildAdded) {
            if (auto *window = qobject_cast<QMdiSubWindow *>(static_cast<QChildEvent *>(event)->child()))
                window->installEventFilter(this);
        }
    } else if (event->type() == QEvent::Show) {
        // Once the code that opened the window has placed it.
        QPointer<QMdiSubWindow> window = qobject_cast<QMdiSubWindow *>(watched);
        if (window) {
            window->removeEventFilter(this); // only the first showing
            QTimer::singleShot(0, this, [this, window] { KeepInside(Area, window); });
        }
    }
    return QObject::eventFilter(watched, event);
}
