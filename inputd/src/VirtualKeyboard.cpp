#include "VirtualKeyboard.h"

#include <linux/input-event-codes.h>

namespace rimglider::inputd {

std::vector<VirtualKeyboard::KeyEvent> VirtualKeyboard::sequence(broker::SystemKey key, bool fine)
{
    const std::uint16_t code = broker::linuxKeyCode(key);
    std::vector<KeyEvent> events;
    const KeyEvent sync{EV_SYN, SYN_REPORT, 0};
    if (fine) events.insert(events.end(), {{EV_KEY, KEY_LEFTSHIFT, 1}, sync});
    events.insert(events.end(), {{EV_KEY, code, 1}, sync, {EV_KEY, code, 0}, sync});
    if (fine) events.insert(events.end(), {{EV_KEY, KEY_LEFTSHIFT, 0}, sync});
    return events;
}

bool VirtualKeyboard::post(broker::SystemKey key, bool fine)
{
    if (!sink_) sink_ = factory_ ? factory_() : nullptr;
    if (!sink_) return false;
    for (const KeyEvent& e : sequence(key, fine)) {
        if (!sink_->emit(e.type, e.code, e.value)) {
            sink_.reset(); // a broken device is made anew on the next post
            return false;
        }
    }
    return true;
}

} // namespace rimglider::inputd
