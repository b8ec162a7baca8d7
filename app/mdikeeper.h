#pragma once
// Keeps the main window's child windows on screen: a window the program
// opens (or is handed by a later start) is moved, and shrunk down to its
// minimum if need be, into the frame's client area once it is shown, and
// every window is brought back inside when the client area shrinks (the
// frame shown, maximised or resized). Windows the user drags later are left
// where the user puts them.

#include <QObject>
#include <QPointer>

class QMdiArea;
class QMdiSubWindow;

class TMdiKeeper : public QObject
{
public:
    explicit TMdiKeeper(QMdiArea *area);
    // Moves (and if need be shrinks) `window` into the client area.
    static void KeepInside(QMdiArea *area, QMdiSubWindow *window);
    void KeepAllInside();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QMdiArea> Area;
    const QObject *Viewport; // the area's viewport, whose events are watched
};
