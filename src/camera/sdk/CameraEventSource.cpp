#include "camera/sdk/CameraEventSource.h"

template <class Handler>
SdkError CameraEventSource::registerHandler(SdkRef camera, std::uint32_t mask, std::uint32_t wanted, Handler handler, void *context,
                                            Handler &slot, void *&contextSlot)
{
    if (!acceptsHandlers(camera) || mask != wanted)
        return kSdkInvalidParameter;
    std::lock_guard lock(m_handlerMutex);
    slot = handler;
    contextSlot = context;
    return kSdkOk;
}

SdkError CameraEventSource::setPropertyEventHandler(SdkRef camera, std::uint32_t mask, PropertyEventHandler handler, void *context)
{
    return registerHandler(camera, mask, kPropertyEventMask, handler, context, m_propertyHandler, m_propertyContext);
}

SdkError CameraEventSource::setObjectEventHandler(SdkRef camera, std::uint32_t mask, ObjectEventHandler handler, void *context)
{
    return registerHandler(camera, mask, kObjectEventMask, handler, context, m_objectHandler, m_objectContext);
}

SdkError CameraEventSource::setStateEventHandler(SdkRef camera, std::uint32_t mask, StateEventHandler handler, void *context)
{
    return registerHandler(camera, mask, kStateEventMask, handler, context, m_stateHandler, m_stateContext);
}

void CameraEventSource::deliver(const Event &event)
{
    std::unique_lock lock(m_handlerMutex);
    switch (event.kind) {
    case Event::Kind::Property:
        if (const auto handler = m_propertyHandler) {
            void *const context = m_propertyContext;
            lock.unlock();
            handler(event.event, event.parameter, 0, context);
        }
        return;
    case Event::Kind::Object:
        if (const auto handler = m_objectHandler) {
            void *const context = m_objectContext;
            lock.unlock();
            handler(event.event, event.object, context); // the handler owns the item now
        } else {
            lock.unlock();
            release(event.object);
        }
        return;
    case Event::Kind::State:
        if (const auto handler = m_stateHandler) {
            void *const context = m_stateContext;
            lock.unlock();
            handler(event.event, event.parameter, context);
        }
        return;
    }
}

void CameraEventSource::clearHandlers()
{
    std::lock_guard lock(m_handlerMutex);
    m_propertyHandler = nullptr;
    m_objectHandler = nullptr;
    m_stateHandler = nullptr;
}
