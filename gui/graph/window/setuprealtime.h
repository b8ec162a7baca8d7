#pragma once
// The real-time set-up dialog: number of points to record and the sampling
// rate (minutes and seconds), with the recording period they give.

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TfrmSetupRealTime : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmSetupRealTime(QWidget *parent = nullptr);

    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr;
    QLineEdit *edtRealTimeNo = nullptr;   // five digits, " 2000" at first
    QComboBox *ComboBox1 = nullptr;       // minutes "00".."60"
    QComboBox *ComboBox2 = nullptr;       // seconds "00".."60"
    QLineEdit *edtPeriod = nullptr;       // H:MM:SS, read-only
    QPushButton *btnOpenSingleSet = nullptr;  // Start
    QPushButton *Button1 = nullptr;           // Cancel

    // Sets both lists without raising the change handler.
    void SetRate(int minutes, int seconds);

public slots:
    // Serves the edit and both lists: 00:00 becomes 00:02, then the period is
    // recomputed from the number of points and the rate.
    void ComboBox1Change();
};

// A period in seconds as hours, minutes and seconds joined by ":"; with
// `padded` minutes and seconds have two digits (1:06:40), else none has (1:6:40).
QString PeriodText(qint64 seconds, bool padded);
