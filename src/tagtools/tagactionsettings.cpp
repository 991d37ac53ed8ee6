#include "tagactionsettings.h"

#include "tagfieldtable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const char* const kActions[] = {"case", "replace", "tidy", "copy", "swap", "number"};
const char* const kCases[] = {"title", "upper", "lower", "sentence"};

template <typename Enum, std::size_t N>
void ReadChoice(const QJsonObject& object, const char* name, const char* const (&names)[N], Enum& value)
{
    const QJsonValue stored = object.value(QLatin1StringView(name));
    for (std::size_t i = 0; i < N; ++i) {
        if (stored.isString() && stored.toString() == QLatin1StringView(names[i]))
            value = static_cast<Enum>(i);
    }
}

void ReadBool(const QJsonObject& object, const char* name, bool& value)
{
    const QJsonValue stored = object.value(QLatin1StringView(name));
    if (stored.isBool())
        value = stored.toBool();
}

void ReadText(const QJsonObject& object, const char* name, QString& value)
{
    const QJsonValue stored = object.value(QLatin1StringView(name));
    if (stored.isString())
        value = stored.toString();
}

// A key of the field table.
void ReadField(const QJsonObject& object, const char* name, std::string& value)
{
    const QJsonValue stored = object.value(QLatin1StringView(name));
    if (stored.isString() && TagFieldTable::IndexOf(stored.toString().toStdString()))
        value = stored.toString().toStdString();
}

} // namespace

QString TagActionSettings::ToText() const
{
    QJsonArray fieldKeys;
    for (const std::string& key : fields)
        fieldKeys.append(QString::fromStdString(key));
    const QJsonObject object {
        {QStringLiteral("action"), QLatin1StringView(kActions[static_cast<int>(action)])},
        {QStringLiteral("fields"), fieldKeys},
        {QStringLiteral("v1"), v1},
        {QStringLiteral("v2"), v2},
        {QStringLiteral("case"), QLatin1StringView(kCases[static_cast<int>(letterCase)])},
        {QStringLiteral("find"), find},
        {QStringLiteral("replacement"), replacement},
        {QStringLiteral("regularExpression"), regularExpression},
        {QStringLiteral("caseSensitive"), caseSensitive},
        {QStringLiteral("trim"), tidy.trim},
        {QStringLiteral("collapse"), tidy.collapse},
        {QStringLiteral("underscores"), tidy.underscores},
        {QStringLiteral("from"), QString::fromStdString(from)},
        {QStringLiteral("to"), QString::fromStdString(to)},
        {QStringLiteral("perFolder"), perFolder},
        {QStringLiteral("withTotal"), withTotal},
    };
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

TagActionSettings TagActionSettings::FromText(const QString& text)
{
    TagActionSettings settings;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
    if (!document.isObject())
        return settings;
    const QJsonObject object = document.object();
    ReadChoice(object, "action", kActions, settings.action);
    ReadChoice(object, "case", kCases, settings.letterCase);
    const QJsonValue fieldKeys = object.value(QStringLiteral("fields"));
    if (fieldKeys.isArray()) {
        std::vector<std::string> keys;
        bool usable = true;
        for (const QJsonValue key : fieldKeys.toArray()) {
            usable = usable && key.isString() && TagFieldTable::IndexOf(key.toString().toStdString());
            if (usable)
                keys.push_back(key.toString().toStdString());
        }
        if (usable)
            settings.fields = std::move(keys);
    }
    ReadBool(object, "v1", settings.v1);
    ReadBool(object, "v2", settings.v2);
    ReadText(object, "find", settings.find);
    ReadText(object, "replacement", settings.replacement);
    ReadBool(object, "regularExpression", settings.regularExpression);
    ReadBool(object, "caseSensitive", settings.caseSensitive);
    ReadBool(object, "trim", settings.tidy.trim);
    ReadBool(object, "collapse", settings.tidy.collapse);
    ReadBool(object, "underscores", settings.tidy.underscores);
    ReadField(object, "from", settings.from);
    ReadField(object, "to", settings.to);
    ReadBool(object, "perFolder", settings.perFolder);
    ReadBool(object, "withTotal", settings.withTotal);
    return settings;
}
