#include "tfrmdeletedirprogress.h"

#include "mainwindowregistry.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TfrmDeleteDirProgress::TfrmDeleteDirProgress(QWidget* parent) : QDialog(parent, Qt::Dialog)
{
    setObjectName(QStringLiteral("frmDeleteDirProgress"));
    setWindowTitle(QStringLiteral("Deleting directory"));
    setFixedSize(488, 118);
    setWindowModality(Qt::WindowModal);

    lbl1 = new QLabel(QStringLiteral("Removing directory:"), this);
    lbl1->setObjectName(QStringLiteral("lbl1"));
    QFont bold = lbl1->font();
    bold.setBold(true);
    lbl1->setFont(bold);

    lblDirectoryName = new QLabel(this);
    lblDirectoryName->setObjectName(QStringLiteral("lblDirectoryName"));
    lblDirectoryName->setWordWrap(true);
    // A folder name is shown as typed, never as markup.
    lblDirectoryName->setTextFormat(Qt::PlainText);
    lblDirectoryName->setFixedSize(464, 39);
    lblDirectoryName->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setDefault(true);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmDeleteDirProgress::btnCancelClick);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnCancel);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lbl1);
    layout->addWidget(lblDirectoryName);
    layout->addLayout(buttons);
}

void TfrmDeleteDirProgress::BeginDeleteProgress()
{
    m_stopped = false;
    m_allowClose = false;
    if (!isVisible())
        CenterOnMainWindow(*this);
    show();
    raise();
    activateWindow();
    EnableMainWindow(false);
    // Disabling the main window disables its child windows too; this one
    // keeps its Cancel button.
    setEnabled(true);
}

void TfrmDeleteDirProgress::SetDeletePath(const QString& text)
{
    lblDirectoryName->setText(text);
    QCoreApplication::processEvents();
}

void TfrmDeleteDirProgress::EndDeleteProgress()
{
    m_allowClose = true;
    HideOperationWindow(*this);
    EnableMainWindow(true);
}

void TfrmDeleteDirProgress::showEvent(QShowEvent* event)
{
    m_stopped = false;
    QDialog::showEvent(event);
}

void TfrmDeleteDirProgress::closeEvent(QCloseEvent* event)
{
    if (m_allowClose)
        event->accept();
    else
        event->ignore();
}

void TfrmDeleteDirProgress::reject()
{
    btnCancel->click();
}

void TfrmDeleteDirProgress::btnCancelClick()
{
    m_stopped = true;
}
