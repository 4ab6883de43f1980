#pragma once

#include "camera/sdk/CameraSdk.h"

class CameraModel;

// One camera operation, performed on the command processor's thread. It
// calls the camera library, writes what it learns into the camera model and
// tells the model's observers.
class Command
{
public:
    explicit Command(CameraModel &model) : m_model(model) {}
    virtual ~Command() = default;
    Command(const Command &) = delete;
    Command &operator=(const Command &) = delete;

    // True when finished, successfully or not; false to be performed again
    // later (the camera was busy).
    virtual bool perform() = 0;

    CameraModel &model() const { return m_model; }

protected:
    CameraSdk &sdk() const;
    SdkRef camera() const;
    // Tells the observers: "DeviceBusy" for a busy camera, "error" with the code otherwise.
    void reportFailure(SdkError code) const;

private:
    CameraModel &m_model;
};
