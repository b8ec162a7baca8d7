// The Window menu: tiling, cascading and the list of open windows.
#include "app/frmmain.h"

#include "app/documents.h"
#include "app/graphhostimpl.h"
#include "app/loggerhostimpl.h"

#include "gui/base/about.h"
#include "gui/base/dialogs.h"
#include "gui/base/helpwindow.h"
#include "gui/base/icons.h"
#include "app/linkhost.h"
#include "app/mdiarrange.h"
#include "core/base/paths.h"
#include "core/base/settings.h"
#include "gui/base/langapply.h"
#include "gui/logger/collection.h"
#include "gui/files/printing.h"
#include "gui/files/texttable.h"
#include "gui/graph/window/graph.h"
#include "gui/graph/window/graphsetup.h"
#include "gui/graph/window/realtime.h"
#include "gui/live/panel.h"
#include "gui/logger/loadcommand.h"
#include "gui/logger/transferwindow.h"
#include "gui/logger/list.h"
#include "gui/logger/tablegraph.h"

#include <QAction>
#include <QKeySequence>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QLayout>
#include <QScrollArea>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QSessionManager>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

namespace {

// The child windows an arrangement moves (shown, not minimised), maximised
// ones made normal first, with their size limits frame included.
QList<QMdiSubWindow *> ArrangedWindows(QMdiArea *area, QMdiArea::WindowOrder order,
                                       QVector<TMdiWindowLimits> &limits)
{
    QList<QMdiSubWindow *> windows;
    for (QMdiSubWindow *sw : area->subWindowList(order)) {
        if (sw->isHidden() || sw->isMinimized())
            continue;
        if (sw->isMaximized())
            sw->showNormal();
        TMdiWindowLimits l;
        QWidget *child = sw->widget();
        const QSize frame = child ? sw->size() - child->size() : QSize(0, 0);
        l.minimum = sw->minimumSizeHint().expandedTo(sw->minimumSize());
        if (child) {
            l.minimum = l.minimum.expandedTo(child->minimumSize() + frame);
            l.maximum = l.maximum.boundedTo(child->maximumSize() + frame);
        }
        l.maximum = l.maximum.boundedTo(sw->maximumSize()).expandedTo(l.minimum);
        if (child && child->hasHeightForWidth())
            l.natural = child->sizeHint() + frame;
        auto *graph = qobject_cast<TfrmGraph *>(child);
        auto *scroll = child ? child->findChild<QScrollArea *>() : nullptr;
        if (graph && scroll && scroll->widget()) {
            // The bars wrap in a narrow window: the plot at its minimum needs
            // the height of the panel that holds it, at the width it would get.
            QWidget *holder = graph->pnlGraph->parentWidget();
            const int besides = sw->width() - holder->width();
            const int chrome = sw->height() - scroll->viewport()->height() + scroll->widget()->height() - holder->height();
            l.wanted = [holder, besides, chrome](int width) {
                return holder->layout()->minimumHeightForWidth(width - besides) + chrome;
            };
        }
        windows << sw;
        limits << l;
    }
    return windows;
}

} // namespace

void TfrmMain::Tile1Click()
{
    // The windows share the client area as it is; the frame never grows for them.
    bool panelLeftOut = false;
    auto tile = [&] {
        QVector<TMdiWindowLimits> limits;
        QList<QMdiSubWindow *> windows = ArrangedWindows(MdiArea, QMdiArea::CreationOrder, limits);
        for (int i = int(windows.size()) - 1; i >= 0 && panelLeftOut; --i) {
            if (qobject_cast<TfrmPanel *>(windows[i]->widget())) {
                windows[i]->lower(); // behind the others, where it was
                windows.removeAt(i);
                limits.removeAt(i);
            }
        }
        const QVector<QRect> rects = TileWindowRects(MdiArea->viewport()->rect(), limits, kTileMinHeight);
        for (int i = 0; i < windows.size(); ++i)
            windows[i]->setGeometry(rects[i]);
        // Every graph keeps a plot a user can read, as the windows are laid out now.
        for (QMdiSubWindow *sw : std::as_const(windows))
            if (auto *graph = qobject_cast<TfrmGraph *>(sw->widget()))
                if (graph->VisiblePlotHeight() < kTileMinPlotHeight)
                    return false;
        return true;
    };
    // A graph's least height follows the rows its bars and legend wrap into
    // at its new width: a second pass tiles with the heights now known.
    if (tile() || tile())
        return;
    // Too many windows for the area: the front panel is left out, then, if
    // that is not enough, the windows are cascaded.
    panelLeftOut = true;
    if (tile() || tile())
        return;
    Cascade1Click();
}

void TfrmMain::Cascade1Click()
{
    // In stacking order, so the window on top stays on top.
    QVector<TMdiWindowLimits> limits;
    const QList<QMdiSubWindow *> windows = ArrangedWindows(MdiArea, QMdiArea::StackingOrder, limits);
    const int step = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, MdiArea) + 4;
    const QVector<QRect> rects = CascadeWindowRects(MdiArea->viewport()->rect(), limits, step);
    for (int i = 0; i < windows.size(); ++i) {
        windows[i]->setGeometry(rects[i]);
        windows[i]->raise();
    }
}

void TfrmMain::UpdateWindowMenu()
{
    for (QAction *a : m_windowActions) {
        Window1->removeAction(a);
        a->deleteLater();
    }
    m_windowActions.clear();
    const QList<QMdiSubWindow *> windows = MdiArea->subWindowList();
    if (windows.isEmpty())
        return;
    m_windowActions << Window1->addSeparator();
    int n = 1;
    for (QMdiSubWindow *sw : windows) {
        QString title = sw->windowTitle();
        if (title.isEmpty() && sw->widget())
            title = sw->widget()->windowTitle();
        QAction *a = Window1->addAction(QStringLiteral("&%1 %2").arg(n++).arg(title));
        a->setCheckable(true);
        a->setChecked(sw == MdiArea->activeSubWindow());
        connect(a, &QAction::triggered, this, [this, sw = QPointer<QMdiSubWindow>(sw)] {
            if (sw) {
                if (sw->isMinimized())
                    sw->showNormal();
                MdiArea->setActiveSubWindow(sw);
            }
        });
        m_windowActions << a;
    }
}
