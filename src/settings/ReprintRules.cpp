#include "settings/ReprintRules.h"

#include "desk/RunLog.h"
#include "platform/Utf16File.h"
#include "settings/SettingCheck.h"

#include <algorithm>
#include <cstdint>
#include <mutex>

namespace {

std::mutex rulesMutex;
ReprintRules rulesInForce;

// At most this many characters of a number line's first word are read.
constexpr qsizetype MaxNumberWord = 99;

QStringList loadMessages;

// The first blank-delimited word of a number line.
QString NumberLineWord(QStringView line)
{
    qsizetype start = 0;
    while (start < line.size() && line[start].isSpace())
        ++start;
    qsizetype end = start;
    while (end < line.size() && !line[end].isSpace())
        ++end;
    return line.mid(start, std::min(end - start, MaxNumberWord)).toString();
}

// A number through its range check; the message, if any, joins `messages`.
int Checked(const NumberSetting &range, const QString &text, int inForce, QStringList &messages)
{
    const CheckedNumber checked = CheckNumber(range, text, inForce);
    if (!checked.message.isEmpty())
        messages.append(checked.message);
    return checked.value.value_or(inForce);
}

} // namespace

ReprintRules CurrentReprintRules()
{
    std::lock_guard lock(rulesMutex);
    return rulesInForce;
}

void SetReprintRules(const ReprintRules &rules)
{
    std::lock_guard lock(rulesMutex);
    rulesInForce = rules;
}

int ReprintCount(int peopleCount, int quantity, const ReprintRules &rules)
{
    // 64-bit sums, so extreme counts cannot overflow.
    const int64_t people = peopleCount;
    const int64_t printed = quantity;
    const int64_t minimum = rules.minimum;
    const int64_t maximum = rules.maximum;

    int64_t reduced = people;
    if (rules.reduction == 0)
        reduced = people / 2;
    else if (rules.reduction > 0)
        reduced = people - rules.reduction;
    reduced = std::max<int64_t>(reduced, 0);

    int64_t count = reduced;
    if (maximum > 0) {
        if (printed >= maximum)
            count = 0;
        else if (printed + reduced > maximum)
            count = maximum - printed;
    }

    // The minimum is given in full, not topped up; with a working maximum it
    // gives way once the photo has, or would reach, the minimum on its own.
    if (maximum > minimum && maximum > 0) {
        if (printed + minimum < maximum && printed + count < minimum)
            count = minimum;
    } else if (printed + count < minimum) {
        count = minimum;
    }
    return static_cast<int>(count);
}

int ReprintCount(int peopleCount, int quantity)
{
    return ReprintCount(peopleCount, quantity, CurrentReprintRules());
}

void StoredReprintRules::ApplyTo(ReprintRules &rules) const
{
    rules.AutoReprintFolder = folder.value_or(rules.AutoReprintFolder);
    rules.minimum = minimum.value_or(rules.minimum);
    rules.maximum = maximum.value_or(rules.maximum);
    rules.reduction = reduction.value_or(rules.reduction);
}

StoredReprintRules ReadReprintRulesFile(const ReprintRules &inForce)
{
    if (!std::filesystem::exists(ReprintRulesFile)) {
        Utf16File::WriteText(ReprintRulesFile, QString());
        return {};
    }
    return ReadReprintRulesFile(ReprintRulesFile, inForce);
}

StoredReprintRules ReadReprintRulesFile(const std::filesystem::path &file, const ReprintRules &inForce)
{
    StoredReprintRules stored;
    std::optional<QStringList> lines = Utf16File::ReadLines(file);
    if (!lines)
        return stored;
    // A line feed at the very end closes the last line; it opens no new one.
    if (!lines->isEmpty() && lines->last().isEmpty())
        lines->removeLast();

    // A line end written as CR LF by hand must not become part of the folder.
    if (lines->size() > 0) {
        QString folder = lines->at(0);
        if (folder.endsWith(u'\r'))
            folder.chop(1);
        stored.folder = folder;
    }
    const auto number = [&](qsizetype line, const NumberSetting &range, int value) -> std::optional<int> {
        if (lines->size() <= line)
            return std::nullopt;
        return Checked(range, NumberLineWord(lines->at(line)), value, stored.messages);
    };
    stored.minimum = number(1, Settings::ReprintMinimum(), inForce.minimum);
    stored.maximum = number(2, Settings::ReprintMaximum(), inForce.maximum);
    stored.reduction = number(3, Settings::ReprintReduction(), inForce.reduction);
    return stored;
}

void LoadReprintRules()
{
    ReprintRules rules = CurrentReprintRules();
    const StoredReprintRules stored = ReadReprintRulesFile(rules);
    stored.ApplyTo(rules);
    SetReprintRules(rules);
    for (const QString &message : stored.messages)
        WriteRunLog(message);
    std::lock_guard lock(rulesMutex);
    loadMessages = stored.messages;
}

QStringList ReprintRulesLoadMessages()
{
    std::lock_guard lock(rulesMutex);
    return loadMessages;
}

ReprintRulesSave SaveReprintRules(const ReprintRulesTexts &texts)
{
    ReprintRulesSave save;
    if (texts.folder.isEmpty() || texts.minimum.isEmpty() || texts.maximum.isEmpty() || texts.reduction.isEmpty())
        return save;

    const ReprintRules inForce = CurrentReprintRules();
    ReprintRules rules;
    rules.AutoReprintFolder = texts.folder;
    rules.minimum = Checked(Settings::ReprintMinimum(), texts.minimum, inForce.minimum, save.messages);
    rules.maximum = Checked(Settings::ReprintMaximum(), texts.maximum, inForce.maximum, save.messages);
    rules.reduction = Checked(Settings::ReprintReduction(), texts.reduction, inForce.reduction, save.messages);
    SetReprintRules(rules);
    for (const QString &message : save.messages)
        WriteRunLog(message);

    save.used = {texts.folder, QString::number(rules.minimum), QString::number(rules.maximum),
                 QString::number(rules.reduction)};
    const QString text = save.used.folder + u'\n' + save.used.minimum + u'\n' + save.used.maximum + u'\n'
        + save.used.reduction;
    Utf16File::WriteText(ReprintRulesFile, text);
    save.saved = true;
    return save;
}
