#pragma once
// The range and progress dialog (form frmScope). One form, four roles, each
// showing only its own controls:
//  - range: GroupBox1 with radAll / radNo and edtSelFrom / edtSelTo, OK and Cancel;
//  - transfer: Progress1, SText1 / lblBytesReceived and SText2 / lblTotalBytes, Cancel;
//  - export progress: Progress1 and SText1, Cancel;
//  - import progress: SText1 (the count of lines read), Cancel.
// Centred on the screen and on top of the other windows. Cancel in a progress
// role only raises a flag (and the Cancelled signal); the operation that
// shows the window polls it at its next page or line boundary.

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class TsiLang;

class TfrmScope : public QDialog
{
    Q_OBJECT
public:
    enum class Role { Range, Transfer, ExportProgress, ImportProgress };

    explicit TfrmScope(QWidget *parent = nullptr);

    // Shows only the controls of `role` (does not change the caption).
    void SetRole(Role role);
    Role CurrentRole() const { return m_role; }

    // Transfer role: progress bar 0..size, lblTotalBytes = size, lblBytesReceived = "0".
    void StartTransfer(int size);
    // Transfer role: lblBytesReceived and the bar's position.
    void SetBytesReceived(int bytes);
    // Transfer role: the estimated time left as m:ss; negative: not known yet.
    void SetSecondsLeft(int seconds);

    // Range role: the chosen range as typed (radAll checked means all rows).
    bool AllSelected() const;
    QString FromText() const;
    QString ToText() const;

    // Cancel pressed in a progress role (cleared by SetRole).
    bool CancelRequested() const { return m_cancelRequested; }

    // Centres the window on the screen it is on.
    void CentreOnScreen();

    QGroupBox *GroupBox1 = nullptr;
    QRadioButton *radAll = nullptr;
    QRadioButton *radNo = nullptr;
    QLabel *Label1 = nullptr;   // "&from"
    QLabel *Label2 = nullptr;   // "&to"
    QLineEdit *edtSelFrom = nullptr;
    QLineEdit *edtSelTo = nullptr;
    QProgressBar *Progress1 = nullptr;
    QLabel *SText1 = nullptr;
    QLabel *SText2 = nullptr;
    QLabel *lblBytesReceived = nullptr;
    QLabel *lblTotalBytes = nullptr;
    QLabel *STextTimeLeft = nullptr;
    QLabel *lblTimeLeft = nullptr;
    QPushButton *BitBtn1 = nullptr; // OK
    QPushButton *BitBtn2 = nullptr; // Cancel

    TsiLang *siLangLinked_frmScope = nullptr;

signals:
    void Cancelled();

public slots:
    void BitBtn1Click();
    void BitBtn2Click();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    Role m_role = Role::Range;
    bool m_cancelRequested = false;
    QString m_designedSText1;
};
