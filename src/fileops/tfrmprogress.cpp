#include "tfrmprogress.h"

#include "mainwindowregistry.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

TfrmProgress::TfrmProgress(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmProgress"));
    setFixedSize(531, 154);
    setWindowModality(Qt::WindowModal);

    lblDescription = new QLabel(this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblDescription->setWordWrap(true);
    // Captions may hold file names: shown as typed, never as markup.
    lblDescription->setTextFormat(Qt::PlainText);
    lblDescription->setFixedSize(505, 41);
    QFont bold = lblDescription->font();
    bold.setBold(true);
    lblDescription->setFont(bold);

    sGauge1 = new QProgressBar(this);
    sGauge1->setObjectName(QStringLiteral("sGauge1"));
    sGauge1->setOrientation(Qt::Horizontal);
    sGauge1->setRange(0, 1);
    sGauge1->setValue(0);
    sGauge1->setFormat(QStringLiteral("%p%"));
    sGauge1->setTextVisible(true);

    sButton1 = new QPushButton(QStringLiteral("&Cancel"), this);
    sButton1->setObjectName(QStringLiteral("sButton1"));
    sButton1->setDefault(true);
    connect(sButton1, &QPushButton::clicked, this, &TfrmProgress::sButton1Click);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(sButton1);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(13, 13, 13, 13);
    layout->addWidget(lblDescription);
    layout->addWidget(sGauge1);
    layout->addLayout(buttons);
}

void TfrmProgress::ShowProgress(int count, const QString& caption)
{
    m_allowClose = false;
    m_count = count;
    // A gauge over nothing still shows a percentage, not a busy bar.
    sGauge1->setRange(0, count > 0 ? count : 1);
    sGauge1->setValue(0);
    lblDescription->setText(caption);
    if (!isVisible())
        CenterOnMainWindow(*this);
    show();
    raise();
    activateWindow();
    repaint();
}

void TfrmProgress::SetProgressPosition(int position)
{
    // The gauge paints itself at once when what it shows changes; a forced
    // repaint for every step would cost more than a small file's tag write.
    sGauge1->setValue(std::clamp(position, sGauge1->minimum(), sGauge1->maximum()));
}

bool TfrmProgress::IsProgressCancelled() const
{
    return !isVisible();
}

void TfrmProgress::CloseProgress()
{
    m_allowClose = true;
    HideOperationWindow(*this);
    ActivateMainWindow();
}

void TfrmProgress::sButton1Click()
{
    m_allowClose = true;
    hide();
}

void TfrmProgress::closeEvent(QCloseEvent* event)
{
    if (m_allowClose)
        event->accept();
    else
        event->ignore();
}

void TfrmProgress::reject()
{
    sButton1->click();
}
