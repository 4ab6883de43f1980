#pragma once

#include <QString>

#include <optional>

// Every number the operator types or a settings file holds is checked
// against the range an event can use before it is taken. A value outside is
// never taken silently: it is either brought into range or refused (the
// value in force stays), and the message says which value is used, for the
// field, the hint line and the run log.

struct NumberSetting
{
    QString name; // as the operator sees it on the page
    QString unit; // written right after a value: " mm", "秒" or nothing
    int min = 0;
    int max = 0;
    // A number outside the range is brought to its nearer end; otherwise it
    // is refused like a text that is no number at all.
    bool clampOutOfRange = true;
};

// What became of a text.
struct CheckedNumber
{
    std::optional<int> value; // the value in force afterwards; empty when there is none
    QString message;          // empty when the text was taken as it stands
};

// Checks `text` (blanks around it ignored; a sign and digits, nothing else)
// against `setting`. `inForce` is the value used until now, kept when the
// text is refused; empty when there is none.
CheckedNumber CheckNumber(const NumberSetting &setting, const QString &text, std::optional<int> inForce);

// The same for numbers with a decimal point ("0.5", ".5", "-1.0000"); a
// number outside the range is always brought to its nearer end.
struct DecimalSetting
{
    QString name;
    double min = 0.0;
    double max = 0.0;
};

struct CheckedDecimal
{
    double value = 0.0; // the value in force afterwards
    QString message;    // empty when the text was taken as it stands
};

CheckedDecimal CheckDecimal(const DecimalSetting &setting, const QString &text, double inForce);
