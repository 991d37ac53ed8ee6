#include "accessletters.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QStringList>
#include <QTabBar>

#include <map>

namespace {

// Whether a caption holds anything that an access letter could be put on.
bool HasLetters(const QString& caption)
{
    for (const QChar c : caption) {
        if (c.isLetterOrNumber())
            return true;
    }
    return false;
}

// Adds a fault for each letter that more than one caption has.
void AddClashes(const std::map<QChar, QStringList>& captions, AccessFaults& faults)
{
    for (const auto& [letter, owners] : captions) {
        if (owners.size() > 1)
            faults.push_back(
                QStringLiteral("'%1' on: %2").arg(letter).arg(owners.join(QStringLiteral(" | "))).toStdString());
    }
}

} // namespace

QString WithoutAccessMarker(const QString& caption)
{
    QString shown;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&') && i + 1 < caption.size())
            ++i;
        shown += caption[i];
    }
    return shown;
}

QChar AccessLetter(const QString& caption)
{
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&'))
            continue;
        if (caption[i + 1] != QLatin1Char('&'))
            return caption[i + 1].toLower();
        ++i;
    }
    return {};
}

AccessFaults AccessLetterFaults(const QList<QAction*>& items)
{
    AccessFaults faults;
    std::map<QChar, QStringList> letters;
    for (const QAction* action : items) {
        if (action->isSeparator())
            continue;
        const QChar letter = AccessLetter(action->text());
        if (letter.isNull())
            faults.push_back((QStringLiteral("no access letter: ") + action->text()).toStdString());
        else
            letters[letter] << action->text();
    }
    AddClashes(letters, faults);
    return faults;
}

AccessFaults AccessLetterFaults(const QWidget& window)
{
    AccessFaults faults;
    std::map<QChar, QStringList> letters;
    const auto take = [&](const QString& caption, bool needsLetter) {
        const QChar letter = AccessLetter(caption);
        if (!letter.isNull())
            letters[letter] << caption;
        else if (needsLetter && HasLetters(caption))
            faults.push_back((QStringLiteral("no access letter: ") + caption).toStdString());
    };
    const auto shown = [&](const QWidget* w) { return w->isVisibleTo(&window); };
    for (const QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
        if (shown(button) && !qobject_cast<const QTabBar*>(button->parentWidget()))
            take(button->text(), true);
    }
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        if (!shown(label) || label->textFormat() == Qt::PlainText)
            continue;
        const QString text = label->text().trimmed();
        if (label->buddy())
            take(text, true);
        else if (text.endsWith(QLatin1Char(':')))
            faults.push_back((QStringLiteral("no buddy: ") + text).toStdString());
        else if (!AccessLetter(text).isNull())
            faults.push_back((QStringLiteral("access letter without a buddy: ") + text).toStdString());
    }
    for (const QGroupBox* box : window.findChildren<QGroupBox*>()) {
        if (shown(box))
            take(box->title(), false);
    }
    for (const QTabBar* tabs : window.findChildren<QTabBar*>()) {
        if (!shown(tabs))
            continue;
        for (int i = 0; i < tabs->count(); ++i)
            take(tabs->tabText(i), true);
    }
    AddClashes(letters, faults);
    return faults;
}
