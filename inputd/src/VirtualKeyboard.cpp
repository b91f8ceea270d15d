#include "VirtualKeyboard.h"

#include "Log.h"

#include <linux/input-event-codes.h>

namespace rimglider::inputd {

std::vector<VirtualKeyboard::KeyEvent> VirtualKeyboard::sequence(broker::SystemKey key, bool fine)
{
    const std::uint16_t code = broker::linuxKeyCode(key);
    std::vector<KeyEvent> events;
    const KeyEvent sync{EV_SYN, SYN_REPORT, 0};
    // GCC 12 at -O3 sees the inlined range insert write past a buffer it has just grown to fit
    // (GCC bug 107852).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
#pragma GCC diagnostic ignored "-Wstringop-overflow"
#endif
    if (fine) events.insert(events.end(), {{EV_KEY, KEY_LEFTSHIFT, 1}, sync});
    events.insert(events.end(), {{EV_KEY, code, 1}, sync, {EV_KEY, code, 0}, sync});
    if (fine) events.insert(events.end(), {{EV_KEY, KEY_LEFTSHIFT, 0}, sync});
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
    return events;
}

bool VirtualKeyboard::prepare(TimePoint now)
{
    if (sink_) return true;
    sink_ = factory_ ? factory_() : nullptr;
    if (!sink_) return false;
    sysname_ = sink_->sysname();
    madeAt_ = now;
    usable_ = false;
    return true;
}

bool VirtualKeyboard::post(broker::SystemKey key, bool fine, TimePoint now)
{
    if (!prepare(now) || waiting_.size() >= maxWaiting) return false;
    waiting_.push_back({key, fine});
    return writeWaiting(now);
}

void VirtualKeyboard::announced(const std::string& sysname, TimePoint now)
{
    // Another device of the same name, or the one a write error replaced, announced late.
    if (!sink_ || usable_ || (!sysname_.empty() && sysname != sysname_)) return;
    usable_ = true;
    writeWaiting(now);
}

std::optional<VirtualKeyboard::TimePoint> VirtualKeyboard::deadline() const
{
    if (waiting_.empty() || !sink_ || usable_) return std::nullopt;
    return madeAt_ + announceTimeout;
}

void VirtualKeyboard::expire(TimePoint now)
{
    writeWaiting(now);
}

bool VirtualKeyboard::writeWaiting(TimePoint now)
{
    if (!usable_ && !waiting_.empty() && now >= madeAt_ + announceTimeout) {
        Log::info("udev did not announce the virtual keyboard within 1 s; posting to it anyway");
        usable_ = true;
    }
    while (usable_ && !waiting_.empty()) {
        bool written = true;
        for (const KeyEvent& e : sequence(waiting_.front().key, waiting_.front().fine))
            if (!(written = sink_->emit(e.type, e.code, e.value))) break;
        if (written) {
            waiting_.pop_front();
            continue;
        }
        // A broken device is made anew; the key waits for the new one to be announced.
        sink_.reset();
        if (!prepare(now)) {
            Log::warning("virtual keyboard lost; " + std::to_string(waiting_.size()) + " key(s) not posted");
            waiting_.clear();
            return false;
        }
    }
    return true;
}

} // namespace rimglider::inputd
