#include "gui/base/about.h"

#include "gui/base/icons.h"
#include "gui/base/langapply.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

QPointer<TfrmAbout> frmAbout;

TfrmAbout::TfrmAbout(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(AddedText("About"));
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint
                   | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(383, 117);

    Label3 = new QLabel(QStringLiteral("Four Channel Thermometer Software"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    QFont title = Label3->font();
    title.setBold(true);
    title.setPixelSize(15);
    Label3->setFont(title);

    Label1 = new QLabel(QStringLiteral("Version:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    lblVersion = new QLabel(VersionString(), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));

    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &TfrmAbout::BitBtn1Click);

    auto *text = new QVBoxLayout;
    text->addWidget(Label3);
    auto *version = new QHBoxLayout;
    version->addWidget(Label1);
    version->addWidget(lblVersion);
    version->addStretch(1);
    text->addLayout(version);
    text->addStretch(1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BitBtn1);
    text->addLayout(buttons);
    auto *outer = new QHBoxLayout(this);
    outer->setContentsMargins(12, 8, 12, 8);
    auto *emblem = new QLabel(this);
    emblem->setObjectName(QStringLiteral("Image1"));
    emblem->setPixmap(MeterEmblem(QSize(56, 100)));
    outer->addWidget(emblem, 0, Qt::AlignTop);
    outer->addSpacing(8);
    outer->addLayout(text);

    ApplyTranslation(this, QStringLiteral("frmAbout"));

    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QString TfrmAbout::VersionString()
{
    return QStringLiteral(QM738_VERSION);
}

void TfrmAbout::ShowAndPaint()
{
    show();
    raise();
    repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TfrmAbout::BitBtn1Click()
{
    accept();
}
