#pragma once

#include <QString>
#include <QStringList>

#include <filesystem>
#include <optional>

// The automatic reprint rules: how many extra prints a photo gets from the
// people count the face-counting tool reports for it.
struct ReprintRules
{
    // Folder where the face-counting tool writes its info files.
    QString AutoReprintFolder;
    int minimum = 0;
    // 0 or less: no upper limit.
    int maximum = 10;
    // Below 0: the people count is kept; 0: halved; above 0: that many subtracted.
    int reduction = -1;

    bool operator==(const ReprintRules &) const = default;
};

// What the page's "默认设置" offers: no upper limit, no reduction.
inline constexpr int DefaultMinimum = 0;
inline constexpr int DefaultMaximum = 0;
inline constexpr int DefaultReduction = -1;

// The rules in force. Safe to read from the reprint threads while the page replaces them.
ReprintRules CurrentReprintRules();
void SetReprintRules(const ReprintRules &rules);

// Extra prints for a photo with peopleCount people whose printed-list quantity
// is quantity; 0 means no reprint.
int ReprintCount(int peopleCount, int quantity, const ReprintRules &rules);
int ReprintCount(int peopleCount, int quantity);

// The rules file: UTF-16LE, the folder and the three numbers on four lines
// separated by a line feed, with no line feed after the last.
inline const std::filesystem::path ReprintRulesFile{"Config/AutoAddPrintInfo.vellora"};

// The four texts as the page holds them (and writes them).
struct ReprintRulesTexts
{
    QString folder;
    QString minimum;
    QString maximum;
    QString reduction;
};

// What the rules file holds; a line the file lacks stays empty.
struct StoredReprintRules
{
    std::optional<QString> folder;
    std::optional<int> minimum;
    std::optional<int> maximum;
    std::optional<int> reduction;
    // One for each number not taken as stored.
    QStringList messages;

    bool operator==(const StoredReprintRules &) const = default;

    // Replaces the rule values the file holds and leaves the others.
    void ApplyTo(ReprintRules &rules) const;
};

// Reads the rules file: the first line whole as the folder, then the first
// word of each number line, checked against its range (SettingCheck): a
// number outside is brought into range, a word that is no number gives the
// value of `inForce`. A missing file is created empty and gives nothing.
StoredReprintRules ReadReprintRulesFile(const ReprintRules &inForce = CurrentReprintRules());
// The same from another program folder's rules file, which is left as it is
// when missing (the face-counting tool reads the desk's).
StoredReprintRules ReadReprintRulesFile(const std::filesystem::path &file, const ReprintRules &inForce = {});

// Start-up: the rules in force take what the rules file holds; what was
// not taken as stored goes to the run log and to ReprintRulesLoadMessages.
void LoadReprintRules();
QStringList ReprintRulesLoadMessages();

// What "保存" of the page did.
struct ReprintRulesSave
{
    bool saved = false;       // false when a text was empty: nothing changed
    ReprintRulesTexts used;   // the texts as written: each number the value used
    QStringList messages;     // one for each number not taken as typed, also in the run log

    explicit operator bool() const { return saved; }
};

// "保存" of the page: with every text filled in, each number is checked
// against its range, the rules in force take the values used and the file is
// rewritten from them. Changes nothing when a text is empty.
ReprintRulesSave SaveReprintRules(const ReprintRulesTexts &texts);
