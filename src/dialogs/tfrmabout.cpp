#include "tfrmabout.h"

#include "fixeddialog.h"
#include "makercontacts.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmAbout::TfrmAbout(QWidget* parent)
    : QDialog(parent, kFixedDialogFlags)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(452, 235);

    ab = new QPlainTextEdit(this);
    ab->setObjectName(QStringLiteral("ab"));
    ab->setFrameShape(QFrame::NoFrame);
    ab->setReadOnly(true);
    ab->setFixedSize(425, 167);

    butClose = MakeCloseButton(*this, QStringLiteral("&OK"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(butClose);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ab, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    layout->addLayout(buttons);

    FormCreate();
}

void TfrmAbout::FormCreate()
{
    ab->clear();
    ab->appendPlainText(QStringLiteral("Orvanel Soft - Tunevault v.1.0"));
    ab->appendPlainText(QStringLiteral("Contact information:"));
    ab->appendPlainText(QStringLiteral("URL: ") + QString::fromLatin1(maker::kWebAddress));
    ab->appendPlainText(QStringLiteral("email: ") + QString::fromLatin1(maker::kSupportAddress));
}

void ShowAbout(QWidget* parent)
{
    TfrmAbout form(parent);
    form.exec();
}
