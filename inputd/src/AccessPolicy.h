// Who may use the broker: decided on HELLO and again whenever logind's sessions change.
#pragma once

#include <functional>
#include <sys/types.h>

namespace rimglider::inputd {

class AccessPolicy {
  public:
    // Whether `uid` has an active session on the devices' seat (logind in the broker; a fake in
    // tests, which cannot fake logind).
    using ActiveOnSeat = std::function<bool(uid_t uid)>;

    // A root broker serves root and users with the active session on the seat; any other
    // broker serves only its own user (development, tests).
    static bool allows(bool brokerIsRoot, uid_t brokerUid, uid_t peerUid, const ActiveOnSeat& activeOnSeat);
};

} // namespace rimglider::inputd
