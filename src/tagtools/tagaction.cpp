#include "tagaction.h"

#include "tagfieldtable.h"

#include "codepage.h"
#include "fileutils.h"
#include "savetags.h"
#include "tagerror.h"
#include "tmp3tagv1.h"
#include "tmp3tagv2.h"

#include <QRegularExpression>

#include <map>
#include <unordered_map>

namespace {

QString Display(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString TagName(bool v1)
{
    return v1 ? QStringLiteral("ID3v1") : QStringLiteral("ID3v2");
}

std::string TextOf(const TagField& field, const Tmp3TagV1& tag) { return field.v1Text(tag); }
std::string TextOf(const TagField& field, const Tmp3TagV2& tag) { return field.v2Text(tag); }
bool SetText(const TagField& field, Tmp3TagV1& tag, const std::string& text) { return field.setV1Text(tag, text); }
bool SetText(const TagField& field, Tmp3TagV2& tag, const std::string& text) { return field.setV2Text(tag, text); }
bool Has(const TagField& field, bool v1) { return v1 ? field.v1Text && field.setV1Text : field.v2Text && field.setV2Text; }

// Loads a tag; false with the reason in `failure` when the file cannot be read.
bool Load(Tmp3TagV1& tag, const std::string& path, QString& failure)
{
    try {
        tag.LoadFromFile(path);
        return true;
    } catch (const TagError& error) {
        failure = Display(error.what());
        return false;
    }
}

bool Load(Tmp3TagV2& tag, const std::string& path, QString& failure)
{
    if (tag.LoadFromFile(path))
        return true;
    failure = Display(tag.LastError());
    return false;
}

} // namespace

TagAction::TagAction(TagActionSettings settings, const TagOptions& options)
    : m_settings(std::move(settings))
    , m_options(options)
{
}

QRegularExpression TagAction::Expression() const
{
    if (m_settings.action != TagActionSettings::Action::Replace || !m_settings.regularExpression)
        return {};
    return QRegularExpression(m_settings.find, m_settings.caseSensitive
                                                   ? QRegularExpression::NoPatternOption
                                                   : QRegularExpression::CaseInsensitiveOption);
}

QString TagAction::Problem() const
{
    using Action = TagActionSettings::Action;
    if (!m_settings.v1 && !m_settings.v2)
        return QStringLiteral("Choose at least one tag: ID3 v1, ID3 v2 or both.");
    switch (m_settings.action) {
    case Action::Case:
    case Action::Replace:
    case Action::Tidy:
        if (m_settings.fields.empty())
            return QStringLiteral("Choose at least one field to change.");
        break;
    case Action::Copy:
    case Action::Swap:
        if (m_settings.from == m_settings.to)
            return QStringLiteral("Choose two different fields.");
        break;
    case Action::Number:
        break;
    }
    if (m_settings.action == Action::Replace) {
        if (m_settings.find.isEmpty())
            return QStringLiteral("Enter the text to find.");
        const QRegularExpression expression = Expression();
        if (m_settings.regularExpression && !expression.isValid())
            return QStringLiteral("The regular expression is not valid: %1.").arg(expression.errorString());
    }
    if (!m_settings.v1 || !m_settings.v2) {
        // A copy or swap needs both fields in the tag chosen.
        const bool v1 = m_settings.v1;
        for (const std::string& key : {m_settings.from, m_settings.to}) {
            const auto index = TagFieldTable::IndexOf(key);
            if ((m_settings.action == Action::Copy || m_settings.action == Action::Swap) && index
                && !Has(TagFieldTable::Fields()[*index], v1))
                return QStringLiteral("The %1 tag has no field %2.")
                    .arg(TagName(v1), QString::fromLatin1(TagFieldTable::Fields()[*index].name));
        }
    }
    return {};
}

QString TagAction::Edited(const QString& text) const
{
    using Action = TagActionSettings::Action;
    switch (m_settings.action) {
    case Action::Case:
        return TagTextEdits::ChangeCase(text, m_settings.letterCase);
    case Action::Tidy:
        return TagTextEdits::Tidied(text, m_settings.tidy);
    case Action::Replace: {
        QString result = text;
        if (m_settings.regularExpression)
            return result.replace(Expression(), m_settings.replacement);
        return result.replace(m_settings.find, m_settings.replacement,
                              m_settings.caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive);
    }
    default:
        return text;
    }
}

namespace {

// What the action makes of one loaded tag: the changes, and the notes on
// fields it leaves alone.
template <typename Tag>
void PlanTag(const TagAction& action, Tag& tag, bool v1, TagAction::TrackNumber number, const CodePage& v1Page,
             TagAction::FilePlan& plan)
{
    using Action = TagActionSettings::Action;
    const TagActionSettings& settings = action.Settings();
    const std::vector<TagField>& fields = TagFieldTable::Fields();
    std::vector<std::string> old(fields.size());
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (Has(fields[i], v1))
            old[i] = TextOf(fields[i], tag);
    }
    // The text each field gets, in the order of the table.
    std::map<std::size_t, std::string> texts;
    const auto usable = [&](const std::string& key) -> std::optional<std::size_t> {
        const auto index = TagFieldTable::IndexOf(key);
        return index && Has(fields[*index], v1) ? index : std::nullopt;
    };
    switch (settings.action) {
    case Action::Case:
    case Action::Replace:
    case Action::Tidy:
        for (const std::string& key : settings.fields) {
            if (const auto index = usable(key))
                texts[*index] = action.Edited(Display(old[*index])).toStdString();
        }
        break;
    case Action::Copy:
        if (const auto from = usable(settings.from), to = usable(settings.to); from && to)
            texts[*to] = old[*from];
        break;
    case Action::Swap:
        if (const auto from = usable(settings.from), to = usable(settings.to); from && to) {
            texts[*to] = old[*from];
            texts[*from] = old[*to];
        }
        break;
    case Action::Number: {
        const std::size_t track = *TagFieldTable::IndexOf(TagFieldTable::Track().key);
        if (v1 && number.number > 255)
            plan.notes << QStringLiteral("ID3v1: track %1 is above 255").arg(number.number);
        else if (v1 || !settings.withTotal)
            texts[track] = std::to_string(number.number);
        else
            texts[track] = std::to_string(number.number) + "/" + std::to_string(number.total);
        break;
    }
    }
    std::vector<std::size_t> set;
    for (const auto& [index, text] : texts) {
        if (text == old[index])
            continue;
        if (!SetText(fields[index], tag, text)) {
            plan.notes << QStringLiteral("%1: %2 \"%3\" is not a track number")
                              .arg(TagName(v1), QString::fromLatin1(fields[index].name), Display(text));
            continue;
        }
        set.push_back(index);
    }
    // Read back once all are set: what the tag will hold.
    for (const std::size_t index : set) {
        std::string after = TextOf(fields[index], tag);
        if (after == old[index])
            continue;
        TagAction::Change change;
        change.field = index;
        change.v1 = v1;
        change.before = old[index];
        change.text = texts[index];
        change.after = std::move(after);
        change.v1Loses = v1 && fields[index].v1Loss && !v1Page.Holds(change.text);
        plan.changes.push_back(std::move(change));
    }
}

} // namespace

TagAction::FilePlan TagAction::Plan(const std::string& path, TrackNumber number) const
{
    FilePlan plan;
    plan.path = path;
    const CodePage* found = CodePage::Find(m_options.codePage);
    const CodePage& v1Page = found ? *found : CodePage::Default();
    QString failure;
    if (m_settings.v1) {
        Tmp3TagV1 v1(m_options);
        if (!Load(v1, path, failure))
            plan.notes << QStringLiteral("ID3v1: ") + failure;
        else if (v1.TagPresent())
            PlanTag(*this, v1, true, number, v1Page, plan);
    }
    if (m_settings.v2) {
        Tmp3TagV2 v2(m_options);
        if (!Load(v2, path, failure))
            plan.notes << QStringLiteral("ID3v2: ") + failure;
        else if (v2.TagPresent())
            PlanTag(*this, v2, false, number, v1Page, plan);
    }
    return plan;
}

namespace {

// Sets a plan's changes of one version in the loaded tag; false with the
// reason when the tag no longer says what the plan found.
template <typename Tag>
bool Apply(Tag& tag, const TagAction::FilePlan& plan, bool v1, QStringList& reasons)
{
    const std::vector<TagField>& fields = TagFieldTable::Fields();
    for (const TagAction::Change& change : plan.changes) {
        if (change.v1 != v1)
            continue;
        const TagField& field = fields[change.field];
        if (TextOf(field, tag) != change.before) {
            reasons << QStringLiteral("%1: the %2 changed since the preview")
                           .arg(TagName(v1), QString::fromLatin1(field.name).toLower());
            return false;
        }
        SetText(field, tag, change.text);
    }
    return true;
}

} // namespace

QStringList TagAction::Write(const FilePlan& plan, FolderFlushes* laterFlushes) const
{
    bool v1Changes = false;
    bool v2Changes = false;
    for (const Change& change : plan.changes)
        (change.v1 ? v1Changes : v2Changes) = true;
    QStringList reasons;
    QString failure;
    Tmp3TagV1 v1(m_options);
    if (v1Changes && !Load(v1, plan.path, failure))
        reasons << QStringLiteral("ID3v1: ") + failure;
    Tmp3TagV2 v2(m_options);
    if (v2Changes && !Load(v2, plan.path, failure))
        reasons << QStringLiteral("ID3v2: ") + failure;
    // Both tags change together or the file is left alone.
    if (!reasons.isEmpty() || (v1Changes && !Apply(v1, plan, true, reasons))
        || (v2Changes && !Apply(v2, plan, false, reasons)))
        return reasons;
    const TagSaveFailures saved = SaveTags(plan.path, v1Changes ? &v1 : nullptr, v2Changes ? &v2 : nullptr, laterFlushes);
    if (!saved.v1.empty())
        reasons << QStringLiteral("ID3v1: ") + Display(saved.v1);
    if (!saved.v2.empty())
        reasons << QStringLiteral("ID3v2: ") + Display(saved.v2);
    return reasons;
}

std::vector<TagAction::TrackNumber> TagAction::Numbers(const std::vector<std::string>& paths, bool perFolder)
{
    std::vector<TrackNumber> numbers(paths.size());
    if (!perFolder) {
        for (std::size_t i = 0; i < paths.size(); ++i)
            numbers[i] = {static_cast<int>(i + 1), static_cast<int>(paths.size())};
        return numbers;
    }
    std::unordered_map<std::string, int> counts;
    for (const std::string& path : paths)
        ++counts[FolderPart(path)];
    std::unordered_map<std::string, int> next;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::string folder = FolderPart(paths[i]);
        numbers[i] = {++next[folder], counts[folder]};
    }
    return numbers;
}
