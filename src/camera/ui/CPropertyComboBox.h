#pragma once

#include "camera/Actions.h"
#include "camera/ModelEvents.h"
#include "camera/PropertyTables.h"

#include <QComboBox>

class CameraModel;

// A combo box for one camera setting: it shows the label of the property's
// current value, lists the values the camera allows now, and raises its
// action with a pointer to the value the user chooses. Values without a
// label in its table are never listed.
class CPropertyComboBox : public QComboBox, public ActionSource, public Observer
{
    Q_OBJECT
public:
    CPropertyComboBox(const PropertyTable &table, CameraModel &model, QWidget *parent);

    const PropertyTable &table() const { return m_table; }

    // Processor thread: hands value and description changes of its own
    // property to the window's thread; other events and ids are ignored.
    void onModelEvent(Observable &from, const ModelEvent &event) override;

private slots:
    // The current value's label, when the table has one; else the text stays.
    void onValueChanged();
    // The list rebuilt from the camera's description of the allowed values.
    void onDescriptionChanged();

private:
    void onChosen(int index);

    const PropertyTable &m_table;
    CameraModel &m_model;
    std::uint32_t m_chosen = 0; // what the action's argument points to
};

// The eight settings of the camera window, each with its own table.
class CAEMode final : public CPropertyComboBox
{
public:
    CAEMode(CameraModel &model, QWidget *parent);
};

class CTv final : public CPropertyComboBox
{
public:
    CTv(CameraModel &model, QWidget *parent);
};

class CAv final : public CPropertyComboBox
{
public:
    CAv(CameraModel &model, QWidget *parent);
};

class CIso final : public CPropertyComboBox
{
public:
    CIso(CameraModel &model, QWidget *parent);
};

class CMeteringMode final : public CPropertyComboBox
{
public:
    CMeteringMode(CameraModel &model, QWidget *parent);
};

class CExposureComp final : public CPropertyComboBox
{
public:
    CExposureComp(CameraModel &model, QWidget *parent);
};

class CImageQuality final : public CPropertyComboBox
{
public:
    CImageQuality(CameraModel &model, QWidget *parent);
};

class CEvfAFMode final : public CPropertyComboBox
{
public:
    CEvfAFMode(CameraModel &model, QWidget *parent);
};
