#include "IoctlHandler.h"

#include <umockdev.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <stdexcept>

namespace rimglider::inputd::test {

IoctlHandler::IoctlHandler(UMockdevTestbed* testbed, const std::string& devnode, OnIoctl onIoctl)
    : testbed_(testbed), devnode_(devnode), handler_(umockdev_ioctl_base_new()), onIoctl_(std::move(onIoctl))
{
    g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(onIoctlSignal), this);
    g_signal_connect(handler_, "handle-write", G_CALLBACK(onWriteSignal), this);
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbed_, devnode.c_str(), handler_, &error)) {
        const std::string message = error ? error->message : "attach failed";
        if (error) g_error_free(error);
        g_object_unref(handler_);
        throw std::runtime_error("cannot attach a handler to " + devnode + ": " + message);
    }
}

IoctlHandler::~IoctlHandler()
{
    umockdev_testbed_detach_ioctl(testbed_, devnode_.c_str(), nullptr);
    g_object_unref(handler_);
    for (UMockdevIoctlClient* client : clients_)
        g_object_unref(client);
}

void IoctlHandler::remember(UMockdevIoctlClient* client)
{
    std::lock_guard lock(mutex_);
    if (clients_.insert(client).second) g_object_ref(client);
}

int IoctlHandler::onIoctlSignal(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self)
{
    auto* me = static_cast<IoctlHandler*>(self);
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    me->remember(client);
    const Answer answer = me->onIoctl_(request, umockdev_ioctl_client_get_arg(client), client);
    umockdev_ioctl_client_complete(client, answer.result, answer.error);
    return TRUE;
}

int IoctlHandler::onWriteSignal(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self)
{
    auto* me = static_cast<IoctlHandler*>(self);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    me->remember(client);
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    {
        std::lock_guard lock(me->mutex_);
        for (int at = 0; at + int(sizeof(input_event)) <= arg->data_len; at += int(sizeof(input_event))) {
            input_event e{};
            std::memcpy(&e, arg->data + at, sizeof e);
            me->written_.push_back({client, e, double(now.tv_sec) + double(now.tv_nsec) / 1e9});
        }
    }
    umockdev_ioctl_client_complete(client, arg->data_len, 0);
    return TRUE;
}

std::vector<input_event> IoctlHandler::writtenBy(Client client) const
{
    std::lock_guard lock(mutex_);
    std::vector<input_event> events;
    for (const Write& w : written_)
        if (!client || w.client == client) events.push_back(w.event);
    return events;
}

std::vector<double> IoctlHandler::arrivalsOf(Client client) const
{
    std::lock_guard lock(mutex_);
    std::vector<double> times;
    for (const Write& w : written_)
        if (w.client == client) times.push_back(w.arrived);
    return times;
}

UMockdevIoctlData* IoctlHandler::resolve(UMockdevIoctlData* arg, std::size_t size)
{
    GError* error = nullptr;
    UMockdevIoctlData* data = umockdev_ioctl_data_resolve(arg, 0, size, &error);
    if (!data) {
        if (error) g_error_free(error);
        throw std::runtime_error("cannot resolve an ioctl argument");
    }
    return data;
}

unsigned long IoctlHandler::value(UMockdevIoctlData* arg)
{
    unsigned long v = 0;
    std::memcpy(&v, arg->data, std::min(sizeof v, std::size_t(arg->data_len)));
    return v;
}

} // namespace rimglider::inputd::test
