#include "printing/PrinterSupply.h"

#include <gtest/gtest.h>

namespace {

struct SupplyCase
{
    const char *what;
    PrinterMarkers markers;
    const char16_t *text;
    bool low;
};

std::ostream &operator<<(std::ostream &out, const SupplyCase &c)
{
    return out << c.what;
}

class Supply : public testing::TestWithParam<SupplyCase>
{
};

PrinterMarkers Message(const QString &message, std::vector<int> levels = {}, std::vector<int> low = {})
{
    return PrinterMarkers{.names = {}, .levels = std::move(levels), .lowLevels = std::move(low), .highLevels = {},
                          .messages = {message}};
}

PrinterMarkers Levels(std::vector<int> levels, std::vector<int> low = {})
{
    return PrinterMarkers{.names = {}, .levels = std::move(levels), .lowLevels = std::move(low), .highLevels = {},
                          .messages = {}};
}

const SupplyCase kCases[] = {
    {"a dye-sublimation driver's count", Message("\"86 native prints remaining on 4x6 media\"", {21}), u"约 86 张", false},
    {"the count before the level", Message("'12 native prints remaining on w288h432 media'", {90}), u"约 12 张", true},
    {"a ribbon's count", Message("40 native prints remaining on ribbon", {40}), u"约 40 张", false},
    {"twenty prints are not low yet", Message("20 native prints remaining on 5x7 media"), u"约 20 张", false},
    {"a message without a count", Message("Ribbon low", {40}), u"40%", false},
    {"the level under the driver's low mark", Levels({15}, {20}), u"15%", true},
    {"the level at the driver's low mark", Levels({20}, {20}), u"20%", false},
    {"the level under ten per cent", Levels({9}), u"9%", true},
    {"the supply that runs out first", Levels({80, 30}), u"30%", false},
    {"levels the driver does not know", Levels({-3, -2}), u"—", false},
    {"nothing said", Levels({}), u"—", false},
};

TEST_P(Supply, ReadsTheCountElseTheLevel)
{
    const PrinterSupply supply = ReadPrinterSupply(GetParam().markers);
    EXPECT_EQ(SupplyText(supply), QString::fromUtf16(GetParam().text));
    EXPECT_EQ(SupplyLow(supply), GetParam().low);
}

INSTANTIATE_TEST_SUITE_P(Markers, Supply, testing::ValuesIn(kCases));

} // namespace
