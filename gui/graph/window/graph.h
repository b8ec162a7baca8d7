#pragma once
// The graph window: one graph with its tools, a statistics strip above it and
// a statistics panel below. The same class serves three roles, told apart by
// the caption: the real-time graph ("Real-Time Graph"), the data-logger graph
// ("DataLogger", with the data-set list on the left) and graphs of tables and
// graph files (captioned with the table's caption or the file's path).

#include "gui/graph/window/graphhost.h"

#include <QWidget>

class PESGraph;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMdiArea;
class QPushButton;
class QTableWidget;
class QToolButton;
struct TAppState;
class TsiLang;


// Cursor modes of GraphCursorMode.
enum TGraphCursorMode { CursorModeNormal = -99, CursorModeText = 0, CursorModeCross = 2 };

class TfrmGraph : public QWidget
{
    Q_OBJECT
public:
    static QString RealTimeCaption();   // "Real-Time Graph"
    static QString LoggerCaption();     // "DataLogger"

    explicit TfrmGraph(QWidget *parent = nullptr);
    ~TfrmGraph() override;

    bool IsRealTimeRole() const;
    bool IsLoggerRole() const;

    // ---- components (objectName = member name) ---------------------------
    QFrame *pnlDataSets = nullptr;
    QLabel *StaticText1 = nullptr;
    QTableWidget *Grid2 = nullptr;

    QFrame *ToolBar1 = nullptr;
    QToolButton *ToolButton1 = nullptr;   // statistics strip shown
    QToolButton *ToolButton2 = nullptr;   // statistics panel and line annotations shown
    QToolButton *ToolButton4 = nullptr;   // normal cursor
    QToolButton *ToolButton5 = nullptr;   // cross
    QToolButton *ToolButton9 = nullptr;   // text
    QToolButton *ToolButton15 = nullptr;  // annotation colour
    QFrame *tbntSep3 = nullptr;
    QToolButton *tbntClr = nullptr;
    QToolButton *UndoZoom = nullptr;
    QCheckBox *chkSplit = nullptr;
    QPushButton *Button1 = nullptr;       // graph options
    QPushButton *btnChangeScale = nullptr;
    QPushButton *Button3 = nullptr;       // font

    QFrame *pnlGraphStatistic = nullptr;
    QLabel *Label4 = nullptr, *Label1 = nullptr, *Label5 = nullptr, *Label17 = nullptr;
    QLineEdit *txtDataNo = nullptr;
    QLineEdit *txtStartTime = nullptr;
    QFrame *pnlSamplingRate = nullptr;
    QComboBox *ComboBox1 = nullptr;       // minutes 00..60
    QComboBox *ComboBox2 = nullptr;       // seconds 00..60
    QPushButton *Button2 = nullptr;       // statistics table on the graph
    QLabel *lblJournalStatus = nullptr;   // a recording that no longer reaches the disk
    QLabel *lblUnitNotice = nullptr;      // the meter shows another unit than the recording

    QFrame *ToolBar2 = nullptr;
    QCheckBox *chkRH = nullptr, *chkT1 = nullptr, *chkT2 = nullptr;
    QCheckBox *chkWETBULB = nullptr, *chkDEWPOINT = nullptr;

    QFrame *pnlGraph = nullptr;
    PESGraph *PESGraph1 = nullptr;
    QLabel *Panel12 = nullptr;            // pointer readout

    QFrame *pnlStatistic = nullptr;
    QLineEdit *txtRHMax = nullptr, *txtRHMin = nullptr, *txtRHAvg = nullptr;
    QLineEdit *txtT1Max = nullptr, *txtT1Min = nullptr, *txtT1Avg = nullptr;
    QLineEdit *txtT2Max = nullptr, *txtT2Min = nullptr, *txtT2Avg = nullptr;

    TsiLang *siLangLinked_frmGraph = nullptr;

    // The MAX, MIN and AVG edits of channel 0 RH, 1 T1, 2 T2.
    QLineEdit *MaxEdit(int channel) const;
    QLineEdit *MinEdit(int channel) const;
    QLineEdit *AvgEdit(int channel) const;

    // ---- operations offered to the other parts ---------------------------
    // Empties every cell, the point count and the statistics texts, and puts
    // the user annotations out of sight.
    void ClearGraph();
    // Fills the statistics strip and panel from the graph's data.
    void ComputeGraphStatistics();
    // Cross and text tools enabled only when axis 0 takes the whole height.
    void UpdateToolStates();
    // Brings the controls in line with a graph just loaded from a file.
    void ApplyLoadedGraph();
    // Widens a Y axis that cannot show the graph's values (a set in K or °F)
    // to their extent; an axis that shows them stays.
    void FitYAxisToValues();
    // The Y axis was set by hand (Y Axis) since the last Run: a recording
    // no longer widens it.
    bool YAxisSetByHand = false;
    // Empties the pointer readout (Panel12): the graph's data was replaced.
    void ClearPointerReadout();
    // The least height of the plot area, kept by the graph's least height.
    static constexpr int kMinPlotHeight = 150;
    // The height of the plot area that shows in the window as it is laid
    // out now (a window too small for its content scrolls part of it away).
    int VisiblePlotHeight();
    // The data set shown (from 1) in the data-logger role; 0 for none.
    int ShownDataSet = 0;
    // Sets the rate lists without raising their change handler.
    void SetRateLists(int minutes, int seconds);
    // The real-time recording's running extremes shown: channel, max or min.
    void SetExtremeText(int channel, bool maximum, const QString &text);
    // Puts this window into the main window's frame (or shows it alone).
    void Embed();
    // Shows the data-set list beside the graph, as wide as its columns
    // while the graph keeps 560 pixels (the list at least 40 % of the
    // window), unless the user has moved the divider.
    void ShowDataSetPanel();
    // Asks this window's close question (unsaved data) without closing; a
    // later close does not ask again until ForgetCloseAnswer(). False: Cancel.
    bool AskToClose();
    void ForgetCloseAnswer() { m_closeAnswered = false; }

public slots:
    void Grid2Click();
    void ToolButton1Click();
    void ToolButton2Click();
    void ToolButton4Click();
    void ToolButton5Click();
    void ToolButton9Click();
    void ToolButton15Click();
    void tbntClrClick();
    void UndoZoomClick();
    void chkSplitClick();
    void Button1Click();
    void btnChangeScaleClick();
    void Button3Click();
    void Button2Click();
    void ComboBox1Change();
    void chkRHClick();
    void pnlGraphResize();
    void PESGraph1Click();
    void PESGraph1MouseMove();
    void PESGraph1ZoomIn();
    void PESGraph1DataHotSpot(bool doubleClick, int point, int subset);
    void PESGraph1GraphHotSpot();
    void PESGraph1GraphAnnotHotSpot(bool doubleClick, int index);
    void PESGraph1CustomizeDlg(int result);

    // Calls FormActivate when the frame activates this window's sub-window.
    void WatchActivation(QMdiArea *area);

signals:
    // The user picked row r of the data-set list: data set r - 1 is to be graphed.
    void DataSetChosen(int index);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void BuildLayout();
    QFrame *BuildToolBar1();
    QFrame *BuildStatisticStrip();
    QFrame *BuildChannelBar();
    QFrame *BuildStatisticPanel();
    QFrame *BuildDataSetPanel();
    void InitGraphControl();
    void FormShow();
    void FormActivate();
    bool FormCloseQuery();
    void FormClose();
    void SetCursorMode(int mode);

    bool m_shown = false;
    bool m_closed = false;
    bool m_closeAnswered = false;
    int m_answeredPoints = 0;            // real-time points when the close question was answered
    bool m_downloadStillUnsaved = false; // answered Yes, but only a data set was saved
    bool m_listSizeWatched = false;
    bool m_listSizedByUser = false;
    QMdiArea *m_watchedArea = nullptr;
};

// The pointer position is inside the plot area (edges included).
bool InsidePlotArea(const QRect &plotArea, const QPoint &pixel);
