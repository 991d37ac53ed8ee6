#include "tfrmwait.h"

#include "mainwindowregistry.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TfrmWait::TfrmWait(QWidget* parent) : QDialog(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("frmWait"));
    setWindowTitle(QStringLiteral("Searching ..."));
    setFixedSize(439, 145);
    setWindowModality(Qt::WindowModal);

    Label1 = new QLabel(QStringLiteral("Current file/directory:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);

    lPath = new QLabel(this);
    lPath->setObjectName(QStringLiteral("lPath"));
    lPath->setWordWrap(true);
    // A path is shown as typed, never as markup.
    lPath->setTextFormat(Qt::PlainText);
    lPath->setFixedSize(403, 67);
    lPath->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    bCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    bCancel->setObjectName(QStringLiteral("bCancel"));
    connect(bCancel, &QPushButton::clicked, this, &TfrmWait::bCancelClick);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bCancel);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(lPath);
    layout->addLayout(buttons);
}

void TfrmWait::BeginWait()
{
    if (!isVisible())
        CenterOnMainWindow(*this);
    show();
    raise();
    activateWindow();
    repaint();
    m_allowClose = false;
    EnableMainWindow(false);
    // Disabling the main window disables its child windows too; this one
    // keeps its Cancel button.
    setEnabled(true);
}

void TfrmWait::SetWaitPath(const QString& text)
{
    lPath->setText(text);
    QCoreApplication::processEvents();
}

void TfrmWait::EndWait()
{
    m_allowClose = true;
    HideOperationWindow(*this);
    EnableMainWindow(true);
}

void TfrmWait::showEvent(QShowEvent* event)
{
    m_cancelled = false;
    m_allowClose = true;
    bCancel->setFocus();
    QDialog::showEvent(event);
}

void TfrmWait::closeEvent(QCloseEvent* event)
{
    if (m_allowClose)
        event->accept();
    else
        event->ignore();
}

void TfrmWait::reject()
{
    bCancel->click();
}

void TfrmWait::bCancelClick()
{
    m_cancelled = true;
}
