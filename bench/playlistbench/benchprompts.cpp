#include "benchprompts.h"

#include <iostream>

void BenchPrompts::Print(const QString& title, const QString& text)
{
    std::cerr << title.toStdString() << ": " << text.toStdString() << "\n";
}
