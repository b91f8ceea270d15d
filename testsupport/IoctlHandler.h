// A umockdev ioctl/write handler on one emulated node: answers ioctls through a callback and
// records every input_event written, with the opened descriptor it came through (`client`).
// umockdev calls it on its own worker thread, so what it records is read back under a lock after
// the call under test has returned.
#pragma once

#include <linux/input.h>

#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlData UMockdevIoctlData;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;
typedef struct _UMockdevTestbed UMockdevTestbed;

namespace rimglider::inputd::test {

class IoctlHandler {
  public:
    struct Answer {
        long result = 0;
        int error = 0;
    };
    using Client = const void*; // one opened descriptor of the node
    using OnIoctl = std::function<Answer(unsigned long request, UMockdevIoctlData* arg, Client client)>;

    IoctlHandler(UMockdevTestbed* testbed, const std::string& devnode, OnIoctl onIoctl);
    ~IoctlHandler();
    IoctlHandler(const IoctlHandler&) = delete;
    IoctlHandler& operator=(const IoctlHandler&) = delete;

    // What was written through `client`, or through any descriptor (nullptr).
    [[nodiscard]] std::vector<input_event> writtenBy(Client client) const;
    // When each of those arrived here, in CLOCK_MONOTONIC seconds.
    [[nodiscard]] std::vector<double> arrivalsOf(Client client) const;

    // The memory behind a pointer argument, `size` bytes, local and synced back on completion.
    static UMockdevIoctlData* resolve(UMockdevIoctlData* arg, std::size_t size);
    // An integer argument (UI_SET_KEYBIT and the like).
    static unsigned long value(UMockdevIoctlData* arg);

  private:
    // Keeps the client object alive, so no later descriptor reuses its address as its name.
    void remember(UMockdevIoctlClient* client);
    static int onIoctlSignal(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self);
    static int onWriteSignal(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self);

    UMockdevTestbed* testbed_;
    std::string devnode_;
    UMockdevIoctlBase* handler_;
    OnIoctl onIoctl_;
    mutable std::mutex mutex_;
    struct Write {
        Client client;
        input_event event;
        double arrived;
    };
    std::vector<Write> written_;
    std::set<UMockdevIoctlClient*> clients_;
};

} // namespace rimglider::inputd::test
