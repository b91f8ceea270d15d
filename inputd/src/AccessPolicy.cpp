#include "AccessPolicy.h"

namespace rimglider::inputd {

bool AccessPolicy::allows(bool brokerIsRoot, uid_t brokerUid, uid_t peerUid, const ActiveOnSeat& activeOnSeat)
{
    if (!brokerIsRoot) return peerUid == brokerUid;
    if (peerUid == 0) return true;
    return activeOnSeat && activeOnSeat(peerUid);
}

} // namespace rimglider::inputd
