#include "fixeddialog.h"

#include <QPushButton>

QPushButton* MakeCloseButton(QDialog& dialog, const QString& caption)
{
    auto* button = new QPushButton(caption, &dialog);
    button->setObjectName(QStringLiteral("butClose"));
    button->setDefault(true);
    QObject::connect(button, &QPushButton::clicked, &dialog, &QDialog::accept);
    return button;
}
