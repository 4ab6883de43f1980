#pragma once

#include "camera/sdk/CameraSdk.h"

#include <cstdint>
#include <mutex>

// The event side every backend shares: the three handlers registered on a
// camera, with their contexts, and the delivery of one event to the handler
// of its kind. Handlers are registered, cleared and called from any thread;
// a handler runs on a copy taken under the lock, never under it, so it may
// call the library again.
class CameraEventSource : public CameraSdk
{
public:
    SdkError setPropertyEventHandler(SdkRef camera, std::uint32_t mask, PropertyEventHandler handler, void *context) final;
    SdkError setObjectEventHandler(SdkRef camera, std::uint32_t mask, ObjectEventHandler handler, void *context) final;
    SdkError setStateEventHandler(SdkRef camera, std::uint32_t mask, StateEventHandler handler, void *context) final;

protected:
    struct Event
    {
        enum class Kind { Property, Object, State } kind;
        std::uint32_t event = 0;
        std::uint32_t parameter = 0;
        SdkRef object = nullptr; // an object event's item, handed to its handler
    };

    // Whether handlers may be registered on the reference: a camera of this
    // library. Called without the handlers' lock.
    virtual bool acceptsHandlers(SdkRef camera) const = 0;

    // Calls the handler of the event's kind, if one is registered. An object
    // nobody listens for goes back to the library at once.
    void deliver(const Event &event);
    // Unregisters all three handlers (the library stops).
    void clearHandlers();

private:
    template <class Handler>
    SdkError registerHandler(SdkRef camera, std::uint32_t mask, std::uint32_t wanted, Handler handler, void *context, Handler &slot,
                             void *&contextSlot);

    mutable std::mutex m_handlerMutex; // taken last, held for no call
    PropertyEventHandler m_propertyHandler = nullptr;
    void *m_propertyContext = nullptr;
    ObjectEventHandler m_objectHandler = nullptr;
    void *m_objectContext = nullptr;
    StateEventHandler m_stateHandler = nullptr;
    void *m_stateContext = nullptr;
};
