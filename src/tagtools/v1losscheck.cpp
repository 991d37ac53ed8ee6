#include "v1losscheck.h"

#include "codepage.h"
#include "prompts.h"
#include "tagoptions.h"

namespace {

const char* const kFieldNames[] = {"Title", "Artist", "Album", "Year", "Comment"};

} // namespace

V1LossCheck::V1LossCheck(const TagOptions& options)
    : m_page(CodePage::Find(options.codePage))
{
    // The tag objects fall back on the default code page the same way.
    if (!m_page)
        m_page = &CodePage::Default();
}

void V1LossCheck::Add(Field field, std::string_view text)
{
    if (m_page->Holds(text))
        return;
    m_lost[static_cast<std::size_t>(field)] = true;
    m_fileLoses = true;
}

void V1LossCheck::EndFile()
{
    if (m_fileLoses)
        ++m_files;
    m_fileLoses = false;
}

QString V1LossCheck::FieldNames() const
{
    QStringList names;
    for (std::size_t i = 0; i < m_lost.size(); ++i) {
        if (m_lost[i])
            names << QString::fromLatin1(kFieldNames[i]);
    }
    return names.join(QStringLiteral(", "));
}

QString V1LossCheck::LostText() const
{
    return QStringLiteral("some characters of these fields have no equivalent in the ID3v1 code page %1: %2.")
        .arg(QString::fromStdString(m_page->Caption()), FieldNames());
}

QString V1LossCheck::EditorQuestion(bool v2Saved) const
{
    QString text = LostText();
    text[0] = text[0].toUpper();
    text += QStringLiteral("\nThe ID3v1 tag will get \"?\" in their place");
    text += v2Saved ? QStringLiteral("; the ID3v2 tag, saved too, keeps them.") : QStringLiteral(".");
    return text + QStringLiteral("\n\nDo you want to save anyway?");
}

QString V1LossCheck::BatchQuestion(bool v2Saved) const
{
    const QString files = m_files == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(m_files);
    QString text = QStringLiteral("In %1, ").arg(files) + LostText();
    text += QStringLiteral("\nThe ID3v1 tags will get \"?\" in their place");
    text += v2Saved ? QStringLiteral("; the ID3v2 tags keep them.") : QStringLiteral(".");
    return text + QStringLiteral("\n\nDo you want to set the tags anyway?");
}

bool V1LossCheck::Confirm(Prompts& prompts, const QString& question) const
{
    return Lossless()
           || prompts.askYesNo(QStringLiteral("Confirm"), question, PromptIcon::Warning) == PromptAnswer::Yes;
}
