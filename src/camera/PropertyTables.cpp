#include "camera/PropertyTables.h"

#include "camera/sdk/CameraSdk.h"

#include <array>
#include <cctype>
#include <deque>
#include <string>
#include <vector>

namespace {

struct TableHead
{
    std::uint32_t property;
    std::string_view action;
    int control;
};

constexpr TableHead kHeads[] = {
    {kPropExposureMode, "set_AEMode", 1057},
    {kPropShutterSpeed, "set_Tv", 1058},
    {kPropAperture, "set_Av", 1059},
    {kPropIso, "set_ISOSpeed", 1060},
    {kPropMetering, "set_MeteringMode", 1061},
    {kPropExposureCompensation, "set_ExposureCompensation", 1062},
    {kPropImageQuality, "set_ImageQuality", 1063},
    {kPropEvfAfMode, "set_EvfAFMode", 1064},
};
constexpr std::size_t kTableCount = std::size(kHeads);

// The window's label for a shutter speed the camera gives in seconds: "30"
// is "30″", "3.2" is "3″2", "1/125" is "125"; words ("Bulb") stand as they are.
std::string ShutterLabel(std::string_view seconds)
{
    if (const auto slash = seconds.find('/'); slash != std::string_view::npos)
        return std::string(seconds.substr(slash + 1));
    if (seconds.empty() || !std::isdigit(static_cast<unsigned char>(seconds.front())))
        return std::string(seconds);
    if (const auto point = seconds.find('.'); point != std::string_view::npos)
        return std::string(seconds.substr(0, point)) + "″" + std::string(seconds.substr(point + 1));
    return std::string(seconds) + "″";
}

// The eight tables, made once from the camera's values.
class Tables
{
public:
    Tables()
    {
        for (std::size_t i = 0; i < kTableCount; ++i) {
            const TableHead &head = kHeads[i];
            for (const PropertyValue &value : PropertyValuesOf(head.property)) {
                std::string_view label = value.text;
                if (head.property == kPropShutterSpeed)
                    label = m_ownLabels.emplace_back(ShutterLabel(value.text));
                m_rows[i].push_back({value.code, label});
            }
            m_tables[i] = {head.property, head.action, head.control, m_rows[i]};
        }
    }

    std::span<const PropertyTable> all() const { return m_tables; }

private:
    std::deque<std::string> m_ownLabels; // labels that are not the camera's text; a deque keeps them in place
    std::array<std::vector<PropertyRow>, kTableCount> m_rows;
    std::array<PropertyTable, kTableCount> m_tables{};
};

const Tables &TheTables()
{
    static const Tables tables;
    return tables;
}

} // namespace

std::optional<std::string_view> PropertyTable::labelOf(std::uint32_t value) const
{
    for (const PropertyRow &row : rows)
        if (row.value == value)
            return row.label;
    return std::nullopt;
}

std::span<const PropertyTable> PropertyTables()
{
    return TheTables().all();
}

const PropertyTable *PropertyTableOf(std::uint32_t property)
{
    for (const PropertyTable &table : PropertyTables())
        if (table.property == property)
            return &table;
    return nullptr;
}
