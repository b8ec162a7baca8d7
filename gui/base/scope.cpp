#include "gui/base/scope.h"

#include "gui/base/langapply.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

template <typename T>
T *Named(T *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

TfrmScope::TfrmScope(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmScope"));
    setWindowTitle(QStringLiteral("Print Range"));
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    GroupBox1 = Named(new QGroupBox(this), "GroupBox1");
    radAll = Named(new QRadioButton(QStringLiteral("&All"), GroupBox1), "radAll");
    radNo = Named(new QRadioButton(QStringLiteral("&Select"), GroupBox1), "radNo");
    Label1 = Named(new QLabel(QStringLiteral("&from"), GroupBox1), "Label1");
    Label2 = Named(new QLabel(QStringLiteral("&to"), GroupBox1), "Label2");
    edtSelFrom = Named(new QLineEdit(GroupBox1), "edtSelFrom");
    edtSelTo = Named(new QLineEdit(GroupBox1), "edtSelTo");
    Label1->setBuddy(edtSelFrom);
    Label2->setBuddy(edtSelTo);
    edtSelFrom->setFixedWidth(80);
    edtSelTo->setFixedWidth(80);
    radAll->setChecked(true);
    auto *range = new QGridLayout(GroupBox1);
    range->addWidget(radAll, 0, 0, 1, 4);
    range->addWidget(radNo, 1, 0);
    range->addWidget(Label1, 1, 1);
    range->addWidget(edtSelFrom, 1, 2);
    range->addWidget(Label2, 1, 3);
    range->addWidget(edtSelTo, 1, 4);
    range->setColumnStretch(5, 1);

    Progress1 = Named(new QProgressBar(this), "Progress1");
    Progress1->setMinimumWidth(320);
    Progress1->setTextVisible(true);
    SText1 = Named(new QLabel(QStringLiteral("bytes received"), this), "SText1");
    SText2 = Named(new QLabel(QStringLiteral("total bytes"), this), "SText2");
    lblBytesReceived = Named(new QLabel(QStringLiteral("0"), this), "lblBytesReceived");
    lblTotalBytes = Named(new QLabel(QStringLiteral("0"), this), "lblTotalBytes");
    STextTimeLeft = Named(new QLabel(GetTextOrDefault(QStringLiteral("TRANSFER_TIME_LEFT")), this), "STextTimeLeft");
    lblTimeLeft = Named(new QLabel(this), "lblTimeLeft");
    for (QLabel *number : {lblBytesReceived, lblTotalBytes, lblTimeLeft}) {
        number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        number->setMinimumWidth(70);
    }

    BitBtn1 = Named(new QPushButton(QStringLiteral("OK"), this), "BitBtn1");
    BitBtn2 = Named(new QPushButton(QStringLiteral("Cancel"), this), "BitBtn2");
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &TfrmScope::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TfrmScope::BitBtn2Click);

    auto *counts = new QGridLayout;
    counts->addWidget(SText1, 0, 0);
    counts->addWidget(lblBytesReceived, 0, 1);
    counts->addWidget(SText2, 1, 0);
    counts->addWidget(lblTotalBytes, 1, 1);
    counts->addWidget(STextTimeLeft, 2, 0);
    counts->addWidget(lblTimeLeft, 2, 1);
    counts->setColumnStretch(2, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addWidget(Progress1);
    layout->addLayout(counts);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    siLangLinked_frmScope = ApplyTranslation(this, QStringLiteral("frmScope"));
    m_designedSText1 = SText1->text();
    SetRole(Role::Range);
}

void TfrmScope::SetRole(Role role)
{
    m_role = role;
    m_cancelRequested = false;
    const bool range = role == Role::Range;
    const bool transfer = role == Role::Transfer;
    GroupBox1->setVisible(range);
    BitBtn1->setVisible(range);
    BitBtn2->setVisible(true);
    Progress1->setVisible(transfer || role == Role::ExportProgress);
    SText1->setVisible(!range);
    SText2->setVisible(transfer);
    lblBytesReceived->setVisible(transfer);
    lblTotalBytes->setVisible(transfer);
    STextTimeLeft->setVisible(transfer);
    lblTimeLeft->setVisible(transfer);
    if (transfer)
        SText1->setText(m_designedSText1);
    setModal(range);
    adjustSize();
}

void TfrmScope::StartTransfer(int size)
{
    SetRole(Role::Transfer);
    Progress1->setRange(0, size);
    Progress1->setValue(0);
    lblTotalBytes->setText(QString::number(size));
    lblBytesReceived->setText(QStringLiteral("0"));
    lblTimeLeft->clear();
}

void TfrmScope::SetSecondsLeft(int seconds)
{
    lblTimeLeft->setText(seconds < 0 ? QString()
                                     : QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0')));
}

void TfrmScope::SetBytesReceived(int bytes)
{
    lblBytesReceived->setText(QString::number(bytes));
    Progress1->setValue(qMin(bytes, Progress1->maximum()));
}

bool TfrmScope::AllSelected() const { return radAll->isChecked(); }
QString TfrmScope::FromText() const { return edtSelFrom->text(); }
QString TfrmScope::ToText() const { return edtSelTo->text(); }

void TfrmScope::CentreOnScreen()
{
    adjustSize();
    QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

void TfrmScope::BitBtn1Click() { accept(); }

void TfrmScope::BitBtn2Click()
{
    if (m_role == Role::Range) {
        reject();
        return;
    }
    m_cancelRequested = true;
    emit Cancelled();
}

void TfrmScope::closeEvent(QCloseEvent *event)
{
    // Closing a progress window by its frame means Cancel; the operation
    // that owns the window ends it.
    if (m_role != Role::Range) {
        BitBtn2Click();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TfrmScope::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && m_role != Role::Range) {
        BitBtn2Click();
        return;
    }
    QDialog::keyPressEvent(event);
}
