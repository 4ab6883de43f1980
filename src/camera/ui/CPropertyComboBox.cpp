#include "camera/ui/CPropertyComboBox.h"

#include "camera/CameraModel.h"

#include <QLineEdit>

#include <algorithm>
#include <iterator>

namespace {

QString Label(std::string_view label)
{
    return QString::fromUtf8(label.data(), qsizetype(label.size()));
}

} // namespace

CPropertyComboBox::CPropertyComboBox(const PropertyTable &table, CameraModel &model, QWidget *parent)
    : QComboBox(parent), m_table(table), m_model(model)
{
    setCommandName(std::string(table.action));
    // The text is the camera's current setting, which the list may not hold.
    setEditable(true);
    lineEdit()->setReadOnly(true);
    setInsertPolicy(QComboBox::NoInsert);
    // Only a choice of the user's raises the action, not a list being rebuilt.
    connect(this, &QComboBox::activated, this, &CPropertyComboBox::onChosen);
}

void CPropertyComboBox::onModelEvent(Observable &, const ModelEvent &event)
{
    if (!event.argument || *static_cast<const std::uint32_t *>(event.argument) != m_table.property)
        return;
    if (event.name == kModelPropertyChanged)
        QMetaObject::invokeMethod(this, "onValueChanged", Qt::QueuedConnection);
    else if (event.name == kModelPropertyDescChanged)
        QMetaObject::invokeMethod(this, "onDescriptionChanged", Qt::QueuedConnection);
}

void CPropertyComboBox::onValueChanged()
{
    if (const auto label = m_table.labelOf(m_model.value(m_table.property)))
        setEditText(Label(*label));
}

void CPropertyComboBox::onDescriptionChanged()
{
    const PropertyDesc desc = m_model.propertyDesc(m_table.property);
    // A description never lists more values than its record holds.
    const int count = std::clamp(desc.count, 0, int(std::size(desc.values)));
    clear();
    clearEditText();
    setEnabled(count > 0);
    for (int i = 0; i < count; ++i)
        if (const auto label = m_table.labelOf(desc.values[i]))
            addItem(Label(*label), QVariant::fromValue(desc.values[i]));
    // Filling an empty list selects its first entry; the text stays clear
    // until the camera tells its current value.
    setCurrentIndex(-1);
}

void CPropertyComboBox::onChosen(int index)
{
    const QVariant value = itemData(index);
    if (!value.isValid())
        return;
    m_chosen = value.value<std::uint32_t>();
    ActionSource::raise(&m_chosen);
}

namespace {

const PropertyTable &TableOf(std::uint32_t property)
{
    return *PropertyTableOf(property);
}

} // namespace

CAEMode::CAEMode(CameraModel &model, QWidget *parent) : CPropertyComboBox(TableOf(kPropExposureMode), model, parent) {}
CTv::CTv(CameraModel &model, QWidget *parent) : CPropertyComboBox(TableOf(kPropShutterSpeed), model, parent) {}
CAv::CAv(CameraModel &model, QWidget *parent) : CPropertyComboBox(TableOf(kPropAperture), model, parent) {}
CIso::CIso(CameraModel &model, QWidget *parent) : CPropertyComboBox(TableOf(kPropIso), model, parent) {}
CMeteringMode::CMeteringMode(CameraModel &model, QWidget *parent) : CPropertyComboBox(TableOf(kPropMetering), model, parent) {}
CExposureComp::CExposureComp(CameraModel &model, QWidget *parent)
    : CPropertyComboBox(TableOf(kPropExposureCompensation), model, parent)
{
}
CImageQuality::CImageQuality(CameraModel &model, QWidget *parent) : CPropertyComboBox(TableOf(kPropImageQuality), model, parent) {}
CEvfAFMode::CEvfAFMode(CameraModel &model, QWidget *parent) : CPropertyComboBox(TableOf(kPropEvfAfMode), model, parent) {}
