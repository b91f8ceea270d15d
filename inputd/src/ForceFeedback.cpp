#include "ForceFeedback.h"

#include <algorithm>
#include <cerrno>
#include <sys/ioctl.h>
#include <unistd.h>

namespace rimglider::inputd {

ff_effect ForceFeedback::effectFor(std::int32_t actuationId)
{
    const int level = std::clamp(actuationId, 1, 6);
    ff_effect effect{};
    effect.type = FF_RUMBLE;
    effect.id = -1; // a new effect; the kernel writes its id back
    effect.replay.length = std::uint16_t(10 + 5 * (level - 1));
    effect.u.rumble.strong_magnitude = std::uint16_t(level * 0x2800);
    effect.u.rumble.weak_magnitude = std::uint16_t(level * 0x1400);
    return effect;
}

int ForceFeedback::play(std::int32_t actuationId)
{
    if (!available_) return ENOTSUP;
    auto it = uploaded_.find(actuationId);
    if (it == uploaded_.end()) {
        ff_effect effect = effectFor(actuationId);
        if (::ioctl(fd_, EVIOCSFF, &effect) < 0) return errno;
        it = uploaded_.emplace(actuationId, effect.id).first;
    }
    input_event play{};
    play.type = EV_FF;
    play.code = std::uint16_t(it->second);
    play.value = 1; // once
    for (;;) {
        const ssize_t written = ::write(fd_, &play, sizeof play);
        if (written == ssize_t(sizeof play)) return 0;
        if (written >= 0) return EIO;
        if (errno != EINTR) return errno;
    }
}

} // namespace rimglider::inputd
