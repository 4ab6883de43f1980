#include "camera/sdk/GphotoProperties.h"

#include "camera/sdk/CameraSdk.h"
#include "camera/sdk/PropertyValues.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <span>

namespace GphotoProperties {
namespace {

// Other names libgphoto2's drivers give the same values.
constexpr PropertyValue kExposureModeNames[] = {
    {3, "Manual"}, {7, "Custom"}, {9, "Green"}, {9, "Auto"}, {15, "Flash Off"}, {20, "Movie"},
    {2, "A"}, {1, "S"}, // aperture and shutter priority, as some makers name them
};
constexpr PropertyValue kMeteringNames[] = {
    {1, "Spot"}, {1, "Center Spot"}, {3, "Evaluative"}, {3, "Multi Spot"}, {3, "Matrix"},
    {4, "Partial"}, {5, "Center Weighted"}, {5, "Center-weighted"},
};
constexpr PropertyValue kAfModeNames[] = {
    {0, "Quick"}, {1, "Live"}, {2, "LiveFace"}, {3, "LiveMulti"}, {4, "LiveZone"}, {5, "LiveSingleExpandCross"},
    {6, "LiveSingleExpandSurround"}, {7, "LiveZoneLargeH"}, {8, "LiveZoneLargeV"}, {9, "LiveCatchAF"}, {10, "LiveSpotAF"},
};
constexpr PropertyValue kApertureNames[] = {{255, "implicit auto"}};

// How a text is read: as words, or as a number compared in the setting's own way.
enum class Reading { Words, Iso, Aperture, Shutter, Compensation, Quality };

struct Setting
{
    std::uint32_t id;
    Reading reading;
    std::span<const PropertyValue> names; // besides the setting's own texts (PropertyValuesOf)
    std::vector<std::string> widgets;
};

const std::vector<Setting> &Settings()
{
    static const std::vector<Setting> settings = {
        {kPropExposureMode, Reading::Words, kExposureModeNames, {"autoexposuremode", "autoexposuremodedial", "expprogram"}},
        {kPropAperture, Reading::Aperture, kApertureNames, {"aperture", "f-number"}},
        {kPropShutterSpeed, Reading::Shutter, {}, {"shutterspeed", "shutterspeed2"}},
        {kPropIso, Reading::Iso, {}, {"iso", "isospeed"}},
        {kPropMetering, Reading::Words, kMeteringNames, {"meteringmode", "exposuremetermode"}},
        {kPropExposureCompensation, Reading::Compensation, {}, {"exposurecompensation"}},
        {kPropImageQuality, Reading::Quality, {}, {"imageformat", "imagequality"}},
        {kPropEvfAfMode, Reading::Words, kAfModeNames, {"afmethod", "liveviewafmode"}},
    };
    return settings;
}

const Setting *Find(std::uint32_t id)
{
    for (const Setting &setting : Settings())
        if (setting.id == id)
            return &setting;
    return nullptr;
}

// A text as read: a number, or else words in a plain form.
struct Value
{
    std::optional<double> number;
    std::string words;
};

std::string Lower(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return lower;
}

// Letters and digits only, lower case: "Close-Up" and "Closeup" read alike.
std::string PlainWords(std::string_view text)
{
    std::string words;
    for (const unsigned char c : text)
        if (std::isalnum(c))
            words += char(std::tolower(c));
    return words;
}

std::string Trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

// The whole text as a decimal number, or nothing.
std::optional<double> Number(const std::string &text)
{
    if (text.empty())
        return std::nullopt;
    char *end = nullptr;
    const double number = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(number))
        return std::nullopt;
    return number;
}

// "1/125", "0.3", "30", "2.5s", "0.0080s" as seconds.
std::optional<double> Seconds(std::string text)
{
    if (!text.empty() && (text.back() == 's' || text.back() == '"'))
        text.pop_back();
    if (const auto slash = text.find('/'); slash != std::string::npos) {
        const auto over = Number(text.substr(0, slash));
        const auto under = Number(text.substr(slash + 1));
        if (over && under && *under > 0)
            return *over / *under;
        return std::nullopt;
    }
    return Number(text);
}

// Exposure compensation in sixths of a stop: "+1 2/3", "-1/3", "0", "1.3", "-0.667", "+0.5".
std::optional<double> Sixths(const std::string &text)
{
    std::string rest = text;
    double sign = 1;
    if (!rest.empty() && (rest[0] == '+' || rest[0] == '-')) {
        sign = rest[0] == '-' ? -1 : 1;
        rest = Trimmed(rest.substr(1));
    }
    double whole = 0;
    double part = 0;
    const auto space = rest.find(' ');
    const auto slash = rest.find('/');
    if (slash != std::string::npos) {
        // "W N/D" or "N/D"
        if (space != std::string::npos) {
            const auto w = Number(rest.substr(0, space));
            if (!w)
                return std::nullopt;
            whole = *w;
            rest = Trimmed(rest.substr(space + 1));
        }
        const auto fraction = Seconds(rest);
        if (!fraction)
            return std::nullopt;
        part = *fraction;
    } else {
        const auto number = Number(rest);
        if (!number)
            return std::nullopt;
        whole = std::floor(*number);
        part = *number - whole;
    }
    // Decimals are rounded: 0.3 and 0.33 are a third, 0.6 and 0.7 two thirds.
    int sixths;
    if (part < 0.15)
        sixths = 0;
    else if (part < 0.42)
        sixths = 2;
    else if (part < 0.58)
        sixths = 3;
    else if (part < 0.85)
        sixths = 4;
    else
        sixths = 6;
    return sign * (whole * 6 + sixths);
}

// Image quality in one spelling: "mRAW + Medium Fine JPEG" and
// "Middle Raw(Small RAW1) + Middle Fine Jpeg" read alike.
std::string QualityWords(std::string_view text)
{
    std::string spaced;
    int depth = 0;
    for (const char c : Lower(text)) {
        if (c == '(')
            ++depth;
        else if (c == ')')
            depth = std::max(0, depth - 1);
        else if (depth == 0)
            spaced += c == '+' ? std::string(" + ") : std::string(1, c);
    }
    static const std::pair<const char *, const char *> kSpellings[] = {
        {"jpg", "jpeg"}, {"medium", "middle"}, {"m", "middle"}, {"s1", "small1"}, {"s2", "small2"}, {"s3", "small3"},
        {"m1", "middle1"}, {"m2", "middle2"}, {"mraw", "middle raw"}, {"sraw", "small raw"},
    };
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < spaced.size()) {
        const auto start = spaced.find_first_not_of(' ', at);
        if (start == std::string::npos)
            break;
        const auto end = std::min(spaced.find(' ', start), spaced.size());
        std::string word = spaced.substr(start, end - start);
        at = end;
        for (const auto &[from, to] : kSpellings)
            if (word == from)
                word = to;
        // "Small 1" is "small1"
        if (!words.empty() && word.size() == 1 && std::isdigit((unsigned char)word[0])
            && (words.back() == "small" || words.back() == "middle"))
            words.back() += word;
        else
            words.push_back(word);
    }
    std::string joined;
    for (const std::string &word : words)
        joined += (joined.empty() ? "" : " ") + word;
    return joined;
}

Value Read(Reading reading, std::string_view raw)
{
    const std::string text = Trimmed(Lower(raw));
    switch (reading) {
    case Reading::Words:
        return {std::nullopt, PlainWords(text)};
    case Reading::Quality:
        return {std::nullopt, QualityWords(text)};
    case Reading::Iso: {
        std::string digits = PlainWords(text);
        if (digits.rfind("iso", 0) == 0)
            digits.erase(0, 3);
        return {Number(digits), digits};
    }
    case Reading::Aperture: {
        std::string number = text;
        if (number.rfind("f/", 0) == 0)
            number.erase(0, 2);
        else if (number.rfind('f', 0) == 0)
            number.erase(0, 1);
        return {Number(Trimmed(number)), PlainWords(text)};
    }
    case Reading::Shutter:
        return {Seconds(text), PlainWords(text)};
    case Reading::Compensation:
        return {Sixths(text), PlainWords(text)};
    }
    return {};
}

// How far apart two numbers of the setting are, and how far they may be to match.
double Distance(Reading reading, double a, double b)
{
    if (reading == Reading::Shutter)
        return a > 0 && b > 0 ? std::fabs(std::log2(a / b)) : std::fabs(a - b) * 1e6;
    return std::fabs(a - b);
}

double Tolerance(Reading reading)
{
    switch (reading) {
    case Reading::Aperture: return 0.005;
    // A sixth of a stop: a camera's "0.7692s" is the 0.8 s step, "1/3" the 0.3 s one.
    case Reading::Shutter: return 1.0 / 6 + 1e-9;
    default: return 0.01;
    }
}

// Some texts stand for two codes, the step of a third and the step of a half
// stop (aperture 4.5, shutter 1/10): the third is taken, as most cameras count
// in thirds. A half-stop step is the code 4 past a whole stop.
bool BetterDuplicate(std::uint32_t candidate, std::uint32_t current)
{
    return current % 8 == 4 && candidate % 8 != 4;
}

std::optional<std::uint32_t> Match(const Setting &setting, const Value &value)
{
    if (value.number) {
        std::optional<std::uint32_t> best;
        double bestDistance = Tolerance(setting.reading);
        for (const PropertyValue &row : PropertyValuesOf(setting.id)) {
            const Value candidate = Read(setting.reading, row.text);
            if (!candidate.number)
                continue;
            const double distance = Distance(setting.reading, *value.number, *candidate.number);
            if (distance < bestDistance - 1e-9 || (best && std::fabs(distance - bestDistance) <= 1e-9 && BetterDuplicate(row.code, *best))) {
                best = row.code;
                bestDistance = distance;
            }
        }
        if (best)
            return best;
    }
    if (value.words.empty())
        return std::nullopt;
    for (const auto rows : {PropertyValuesOf(setting.id), setting.names})
        for (const PropertyValue &row : rows)
            if (!Read(setting.reading, row.text).number && Read(setting.reading, row.text).words == value.words)
                return row.code;
    return std::nullopt;
}

} // namespace

const std::vector<std::string> &WidgetNames(std::uint32_t id)
{
    static const std::vector<std::string> none;
    const Setting *setting = Find(id);
    return setting ? setting->widgets : none;
}

std::optional<std::uint32_t> CodeForText(std::uint32_t id, std::string_view text)
{
    const Setting *setting = Find(id);
    if (!setting)
        return std::nullopt;
    return Match(*setting, Read(setting->reading, text));
}

std::vector<std::uint32_t> CodesForChoices(std::uint32_t id, const std::vector<std::string> &choices)
{
    std::vector<std::uint32_t> codes;
    for (const std::string &choice : choices)
        if (const auto code = CodeForText(id, choice); code && std::find(codes.begin(), codes.end(), *code) == codes.end())
            codes.push_back(*code);
    return codes;
}

std::optional<std::string> ChoiceForCode(std::uint32_t id, std::uint32_t code, const std::vector<std::string> &choices)
{
    const Setting *setting = Find(id);
    if (!setting)
        return std::nullopt;
    // A code that shares its text with another (a half-stop step) is asked for by that text.
    std::uint32_t wanted = code;
    for (const PropertyValue &row : PropertyValuesOf(setting->id))
        if (row.code == code) {
            wanted = CodeForText(id, row.text).value_or(code);
            break;
        }
    for (const std::string &choice : choices)
        if (CodeForText(id, choice) == wanted)
            return choice;
    return std::nullopt;
}

} // namespace GphotoProperties
