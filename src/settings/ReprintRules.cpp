#include "settings/ReprintRules.h"

#include "platform/DecimalText.h"
#include "platform/Utf16File.h"

#include <algorithm>
#include <cstdint>
#include <mutex>

namespace {

std::mutex rulesMutex;
ReprintRules rulesInForce;

// At most this many characters of a number line's first word are read.
constexpr qsizetype MaxNumberWord = 99;

// The first blank-delimited word of a number line, as a decimal integer.
int NumberLineValue(QStringView line)
{
    qsizetype start = 0;
    while (start < line.size() && line[start].isSpace())
        ++start;
    qsizetype end = start;
    while (end < line.size() && !line[end].isSpace())
        ++end;
    return DecimalValue(line.mid(start, std::min(end - start, MaxNumberWord)));
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

StoredReprintRules ReadReprintRulesFile()
{
    if (!std::filesystem::exists(ReprintRulesFile)) {
        Utf16File::WriteText(ReprintRulesFile, QString());
        return {};
    }
    return ReadReprintRulesFile(ReprintRulesFile);
}

StoredReprintRules ReadReprintRulesFile(const std::filesystem::path &file)
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
    if (lines->size() > 1)
        stored.minimum = NumberLineValue(lines->at(1));
    if (lines->size() > 2)
        stored.maximum = NumberLineValue(lines->at(2));
    if (lines->size() > 3)
        stored.reduction = NumberLineValue(lines->at(3));
    return stored;
}

void LoadReprintRules()
{
    ReprintRules rules = CurrentReprintRules();
    ReadReprintRulesFile().ApplyTo(rules);
    SetReprintRules(rules);
}

bool SaveReprintRules(const ReprintRulesTexts &texts)
{
    if (texts.folder.isEmpty() || texts.minimum.isEmpty() || texts.maximum.isEmpty() || texts.reduction.isEmpty())
        return false;

    ReprintRules rules;
    rules.AutoReprintFolder = texts.folder;
    rules.minimum = DecimalValue(texts.minimum);
    rules.maximum = DecimalValue(texts.maximum);
    rules.reduction = DecimalValue(texts.reduction);
    SetReprintRules(rules);

    const QString text = texts.folder + u'\n' + texts.minimum + u'\n' + texts.maximum + u'\n' + texts.reduction;
    Utf16File::WriteText(ReprintRulesFile, text);
    return true;
}
