#include "tfrmabout.h"

#include "makercontacts.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmAbout::TfrmAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
                          | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(452, 235);

    ab = new QPlainTextEdit(this);
    ab->setObjectName(QStringLiteral("ab"));
    ab->setFrameShape(QFrame::NoFrame);
    ab->setReadOnly(true);
    ab->setFixedSize(425, 167);

    butClose = new QPushButton(QStringLiteral("OK"), this);
    butClose->setObjectName(QStringLiteral("butClose"));
    // Enter presses it; Esc closes the window through the dialog.
    butClose->setDefault(true);
    connect(butClose, &QPushButton::clicked, this, &QDialog::accept);

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
