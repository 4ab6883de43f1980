#include "camera/CameraModel.h"
#include "camera/PropertyTables.h"
#include "camera/sdk/SimulatedCamera.h"
#include "camera/ui/CPropertyComboBox.h"

#include "tests/camera/CameraTestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLineEdit>

#include <memory>

namespace {

// Each table: its property, action, control, number of rows and a few labels.
struct TableCase
{
    const char *name;
    std::uint32_t property;
    const char *action;
    int control;
    std::size_t rows;
    std::vector<PropertyRow> samples;
    bool unknownRow;
};

class PropertyTableRows : public testing::TestWithParam<TableCase>
{
};

TEST_P(PropertyTableRows, HoldTheirRows)
{
    const TableCase &expected = GetParam();
    const PropertyTable *table = PropertyTableOf(expected.property);
    ASSERT_TRUE(table);
    EXPECT_EQ(table->action, expected.action);
    EXPECT_EQ(table->control, expected.control);
    EXPECT_EQ(table->rows.size(), expected.rows);
    for (const PropertyRow &row : expected.samples)
        EXPECT_EQ(table->labelOf(row.value).value_or("(none)"), row.label) << "value " << row.value;
    EXPECT_EQ(table->labelOf(kUnknownValue).has_value(), expected.unknownRow);
    if (expected.unknownRow) {
        EXPECT_EQ(table->rows.back().label, "unknown") << "the last row";
    }
}

INSTANTIATE_TEST_SUITE_P(
    PropertyTables, PropertyTableRows,
    testing::Values(
        TableCase{"exposure_mode", kPropExposureMode, "set_AEMode", 1057, 25,
                  {{0, "P"}, {55, "FV"}, {16, "C2"}, {22, "Scene Intelligent Auto"}, {29, "Creative filters"}}, true},
        // The seconds mark is a double prime, not the code page's misreading.
        TableCase{"shutter_speed", kPropShutterSpeed, "set_Tv", 1058, 82,
                  {{4, "Auto"}, {12, "Bulb"}, {16, "30″"}, {43, "3″2"}, {64, "0″5"}, {69, "0″3"}, {72, "4"}, {112, "125"}, {176, "32000"}},
                  true},
        TableCase{"aperture", kPropAperture, "set_Av", 1059, 56, {{0, "00"}, {13, "1.2"}, {45, "5.0"}, {112, "91"}, {255, "Auto"}}, true},
        TableCase{"iso", kPropIso, "set_ISOSpeed", 1060, 40, {{0, "Auto"}, {40, "6"}, {72, "100"}, {176, "819200"}}, true},
        TableCase{"metering", kPropMetering, "set_MeteringMode", 1061, 5, {{1, "Spot metering"}, {5, "Center-weighted average"}}, true},
        TableCase{"exposure_compensation", kPropExposureCompensation, "set_ExposureCompensation", 1062, 42,
                  {{40, "+5"}, {4, "+1/2"}, {0, "0"}, {253, "-1/3"}, {216, "-5"}}, true},
        TableCase{"image_quality", kPropImageQuality, "set_ImageQuality", 1063, 102,
                  {{0x64FF0F, "RAW"}, {0x1640013, "Middle Raw(Small RAW1) + Large Fine Jpeg"}, {0x13FF0F, "Large Fine Jpeg"},
                   {0x1013FF0F, "Small3 Jpeg"}, {0x630F83, "CRAW + HEIF Small2 Fine"}},
                  false},
        TableCase{"live_view_af_mode", kPropEvfAfMode, "set_EvfAFMode", 1064, 20,
                  {{0, "Quick mode"}, {2, "Face+Tracking"}, {15, "No Traking Spot AF"}, {18, "No Traking Expand AF area: Around"}}, true}),
    [](const testing::TestParamInfo<TableCase> &info) { return std::string(info.param.name); });

TEST(PropertyTables, EightInTheWindowsOrder)
{
    std::vector<std::uint32_t> properties;
    for (const PropertyTable &table : PropertyTables())
        properties.push_back(table.property);
    EXPECT_EQ(properties, (std::vector<std::uint32_t>{kPropExposureMode, kPropShutterSpeed, kPropAperture, kPropIso, kPropMetering,
                                                      kPropExposureCompensation, kPropImageQuality, kPropEvfAfMode}));
    EXPECT_FALSE(PropertyTableOf(kPropEvfZoom));
}

// Records the actions a combo box raises and the value each points to.
struct Chosen final : ActionListener
{
    void onAction(const ActionEvent &event) override
    {
        seen.emplace_back(event.command, *static_cast<const std::uint32_t *>(event.argument));
    }
    std::vector<std::pair<std::string, std::uint32_t>> seen;
};

// A model fed by hand, and the combo box as the window builds it.
struct ComboRig
{
    template <class Combo> static ComboRig Make()
    {
        ComboRig rig;
        rig.combo = std::make_unique<Combo>(*rig.model, nullptr);
        rig.model->attach(rig.combo.get());
        rig.combo->addListener(&rig.chosen);
        return rig;
    }
    void description(std::uint32_t property, std::vector<std::uint32_t> values)
    {
        PropertyDesc desc;
        desc.count = std::int32_t(values.size());
        std::copy(values.begin(), values.end(), desc.values);
        model->setPropertyDesc(property, desc);
        model->broadcast({kModelPropertyDescChanged, &property});
        QCoreApplication::processEvents();
    }
    void value(std::uint32_t property, std::uint32_t value)
    {
        model->setValue(property, value);
        model->broadcast({kModelPropertyChanged, &property});
        QCoreApplication::processEvents();
    }
    QStringList items() const
    {
        QStringList texts;
        for (int i = 0; i < combo->count(); ++i)
            texts << combo->itemText(i);
        return texts;
    }

    std::unique_ptr<SimulatedCamera> sdk = std::make_unique<SimulatedCamera>();
    std::unique_ptr<CameraModel> model = std::make_unique<CameraModel>(*sdk, nullptr);
    std::unique_ptr<CPropertyComboBox> combo;
    Chosen chosen;
};

// The list is the labelled values of the description in its order; values
// without a label are left out; an empty description disables the box.
TEST(PropertyComboBox, ListFollowsTheDescription)
{
    ComboRig rig = ComboRig::Make<CTv>();
    rig.description(kPropShutterSpeed, {72, 999, 96});
    EXPECT_EQ(rig.items(), (QStringList{"4", "30"}));
    EXPECT_TRUE(rig.combo->isEnabled());
    EXPECT_EQ(rig.combo->currentText(), QString());

    rig.description(kPropShutterSpeed, {});
    EXPECT_EQ(rig.combo->count(), 0);
    EXPECT_FALSE(rig.combo->isEnabled());
    EXPECT_EQ(rig.combo->currentText(), QString());

    rig.description(kPropAperture, {32}); // not its property
    EXPECT_EQ(rig.combo->count(), 0);
}

// The text is the current value's label; a value without a row leaves it.
TEST(PropertyComboBox, TextFollowsTheValue)
{
    ComboRig rig = ComboRig::Make<CAEMode>();
    rig.value(kPropExposureMode, 1);
    EXPECT_EQ(rig.combo->currentText(), "Tv");
    rig.value(kPropExposureMode, 44);
    EXPECT_EQ(rig.combo->currentText(), "Tv") << "no row for 44";
    rig.value(kPropIso, 72); // not its property
    EXPECT_EQ(rig.combo->currentText(), "Tv");
    EXPECT_TRUE(rig.combo->lineEdit()->isReadOnly());
}

// The user's choice raises the action with the chosen entry's value; a
// list being rebuilt raises nothing.
TEST(PropertyComboBox, ChoiceRaisesTheAction)
{
    ComboRig rig = ComboRig::Make<CExposureComp>();
    rig.description(kPropExposureCompensation, {248, 0, 8});
    rig.description(kPropExposureCompensation, {248, 0, 8});
    EXPECT_TRUE(rig.chosen.seen.empty());
    emit rig.combo->activated(2);
    ASSERT_EQ(rig.chosen.seen.size(), 1u);
    EXPECT_EQ(rig.chosen.seen[0], (std::pair<std::string, std::uint32_t>{"set_ExposureCompensation", 8}));
}

} // namespace
