#include "tagfailurelist.h"

#include <QStringList>

void TagFailureList::Add(const std::string& path, std::string reason)
{
    if (m_reasons.empty() || path != m_lastPath)
        ++m_files;
    m_lastPath = path;
    m_reasons.push_back(std::move(reason));
}

void TagFailureList::Add(const std::string& path, std::vector<std::string> reasons)
{
    for (std::string& reason : reasons)
        Add(path, std::move(reason));
}

QString TagFailureList::Message() const
{
    QStringList lines;
    lines << (m_files == 1 ? QStringLiteral("1 file could not be written:")
                           : QStringLiteral("%1 files could not be written:").arg(m_files));
    const int count = static_cast<int>(m_reasons.size());
    for (int i = 0; i < count && i < kListed; ++i)
        // Paths are bytes: what is not UTF-8 shows as a replacement character.
        lines << QString::fromUtf8(m_reasons[static_cast<std::size_t>(i)]);
    if (count > kListed)
        lines << QStringLiteral("... and %1 more.").arg(count - kListed);
    return lines.join(QLatin1Char('\n'));
}
