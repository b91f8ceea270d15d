#include "ExclusiveMode.h"

#include "Log.h"

#include <cstring>
#include <utility>

namespace rimglider::inputd {

namespace bp = rimglider::broker;
using Reason = bp::ExclusiveReason;

namespace {

// PING tokens, unique over every touchpad of the broker (one thread).
std::uint32_t lastPingToken = 0;

ContactFilter::Microseconds micros(ExclusiveMode::TimePoint t)
{
    return std::chrono::duration_cast<std::chrono::microseconds>(t.time_since_epoch()).count();
}

// The frame lifting every contact and releasing every key the clone may hold.
std::vector<input_event> letGoFrame(const DeviceDescription& clone)
{
    std::vector<input_event> frame;
    auto add = [&](std::uint16_t type, std::uint16_t code, std::int32_t value) {
        input_event e{};
        e.type = type;
        e.code = code;
        e.value = value;
        frame.push_back(e);
    };
    const AbsInfo* slots = clone.abs(ABS_MT_SLOT);
    for (std::int32_t slot = 0; slots && slot <= slots->maximum; ++slot) {
        add(EV_ABS, ABS_MT_SLOT, slot);
        add(EV_ABS, ABS_MT_TRACKING_ID, -1);
    }
    if (const auto keys = clone.codes.find(EV_KEY); keys != clone.codes.end())
        for (std::uint16_t code : keys->second)
            add(EV_KEY, code, 0);
    add(EV_SYN, SYN_REPORT, 0);
    return frame;
}

} // namespace

ExclusiveMode::ExclusiveMode(InputDevice& device, const bp::TouchpadInfo& info, GrabWatchdog& watchdog,
                             std::uint64_t key)
    : device_(device), info_(info), watchdog_(watchdog), key_(key)
{}

ExclusiveMode::~ExclusiveMode()
{
    if (grabbed()) endGrab(true, std::chrono::steady_clock::now());
}

bp::Exclusive ExclusiveMode::request(Client client, bool on, TimePoint now)
{
    refusal_ = Reason::none;
    answering_ = client; // its answer says what happened; no notice besides
    if (on)
        handle({Event::asked, client}, now);
    else if (holder_ == client)
        handle({Event::left, client}, now);
    afterWrites(now);
    answering_.reset();
    const std::uint32_t id = info_.deviceId;
    if (holder_ != client) return {id, bp::ExclusiveState::off, on ? refusal_ : Reason::none, 0};
    return {id, state_ == State::arming ? bp::ExclusiveState::waiting : bp::ExclusiveState::active, Reason::none, 0};
}

void ExclusiveMode::leave(Client client, Reason reason, TimePoint now)
{
    if (holder_ != client) return;
    handle({Event::left, client, reason}, now);
    afterWrites(now);
}

bool ExclusiveMode::hide(Client client, std::int32_t trackingId, bool hide, TimePoint now)
{
    if (state_ != State::exclusive || holder_ != client) return false;
    ContactFilter::Frames frames;
    if (hide)
        filter_->hide(trackingId, micros(now), frames);
    else
        filter_->show(trackingId, micros(now), frames);
    write(frames);
    afterWrites(now);
    return true;
}

bool ExclusiveMode::guard(Client client, const bp::SetClickGuard& guard, TimePoint now)
{
    if (state_ != State::exclusive || holder_ != client) return false;
    const auto until =
        ContactFilter::Microseconds(guard.guardUntil.seconds) * 1'000'000 + guard.guardUntil.microseconds;
    filter_->setGuard(
        {guard.guarding, until, ContactFilter::Microseconds(guard.graceMilliseconds) * 1000, guard.claimed},
        micros(now));
    return true;
}

void ExclusiveMode::pong(Client client, std::uint32_t token)
{
    if (holder_ == client && ping_ && ping_->token == token) ping_.reset();
}

void ExclusiveMode::event(const input_event& event, TimePoint now)
{
    if (state_ == State::off) return;
    if (grabbed()) {
        ContactFilter::Frames frames;
        filter_->push(event, frames);
        write(frames);
    }
    if (event.type != EV_SYN || event.code != SYN_REPORT) return;
    if (grabbed() && holder_)
        if (const std::uint32_t swallowed = filter_->takeSwallowed())
            notices_.push_back(
                {Notice::Kind::swallowed, *holder_, bp::ExclusiveState::active, Reason::none, swallowed});
    afterWrites(now);
    if (device_.idle()) {
        handle({Event::idle}, now);
    } else if (state_ == State::exclusive && !ping_ && now >= lastPing_ + pingInterval) {
        ping_ = Ping{++lastPingToken, now};
        lastPing_ = now;
        notices_.push_back({Notice::Kind::ping, *holder_, bp::ExclusiveState::active, Reason::none, ping_->token});
    }
}

void ExclusiveMode::removed(TimePoint now)
{
    handle({Event::removed}, now);
}

void ExclusiveMode::watchdogTripped(TimePoint now)
{
    handle({Event::stalled}, now);
}

std::optional<ExclusiveMode::TimePoint> ExclusiveMode::deadline() const
{
    if (!ping_) return std::nullopt;
    return ping_->sent + pongTimeout;
}

void ExclusiveMode::expire(TimePoint now)
{
    if (!ping_ || !holder_ || now < ping_->sent + pongTimeout) return;
    Log::warning("exclusive mode ended: a client left a PING unanswered for " + std::to_string(pongTimeout.count()) +
                 " ms");
    handle({Event::left, *holder_, Reason::notAnswering}, now);
    afterWrites(now);
}

// ---- The states ----

void ExclusiveMode::handle(const Input& input, TimePoint now)
{
    switch (state_) {
    case State::off:
        handleOff(input, now);
        break;
    case State::arming:
        handleArming(input, now);
        break;
    case State::exclusive:
        handleExclusive(input, now);
        break;
    case State::releasing:
        handleReleasing(input, now);
        break;
    }
}

void ExclusiveMode::handleOff(const Input& input, TimePoint now)
{
    switch (input.event) {
    case Event::asked:
        // Semi-multitouch pads report a bounding box, not contacts: nothing could be hidden.
        if (info_.description.properties.contains(INPUT_PROP_SEMI_MT)) {
            refusal_ = Reason::semiMultitouch;
        } else if (!info_.description.has(EV_ABS, ABS_MT_SLOT)) {
            refusal_ = Reason::notMultitouch;
        } else if (!makeClone()) {
            refusal_ = Reason::cloneFailed;
        } else {
            holder_ = input.client;
            state_ = State::arming;
            if (device_.idle()) handle({Event::idle}, now);
        }
        break;
    case Event::left:
    case Event::idle:
    case Event::stalled:
    case Event::failed:
    case Event::removed:
        break;
    }
}

void ExclusiveMode::handleArming(const Input& input, TimePoint now)
{
    const Client holder = *holder_;
    switch (input.event) {
    case Event::asked:
        if (input.client != holder) refusal_ = Reason::otherClient;
        break;
    case Event::left:
    case Event::removed:
        if (input.event == Event::left && input.client != holder) break;
        clone_.reset();
        filter_.reset();
        holder_.reset();
        state_ = State::off;
        tell(holder, bp::ExclusiveState::off, input.event == Event::removed ? Reason::deviceRemoved : input.reason);
        break;
    case Event::idle:
        if (startGrab(now)) {
            state_ = State::exclusive;
            tell(holder, bp::ExclusiveState::active, Reason::none);
        } else {
            clone_.reset();
            filter_.reset();
            holder_.reset();
            state_ = State::off;
            refusal_ = Reason::grabBusy;
            tell(holder, bp::ExclusiveState::off, Reason::grabBusy);
        }
        break;
    case Event::stalled:
    case Event::failed:
        break; // not grabbed
    }
}

void ExclusiveMode::handleExclusive(const Input& input, TimePoint now)
{
    const Client holder = *holder_;
    switch (input.event) {
    case Event::asked:
        if (input.client != holder) refusal_ = Reason::otherClient;
        break;
    case Event::left: {
        if (input.client != holder) break;
        // Pass-through at once; the grab ends at the next moment nothing is down.
        ContactFilter::Frames frames;
        filter_->passThrough(micros(now), frames);
        write(frames);
        ping_.reset();
        holder_.reset();
        state_ = State::releasing;
        tell(holder, bp::ExclusiveState::off, input.reason);
        if (device_.idle()) handle({Event::idle}, now);
        break;
    }
    case Event::idle:
        break;
    case Event::stalled:
        endGrab(true, now);
        tell(holder, bp::ExclusiveState::off, Reason::watchdog);
        break;
    case Event::failed:
        endGrab(false, now);
        tell(holder, bp::ExclusiveState::off, Reason::cloneFailed);
        break;
    case Event::removed:
        endGrab(true, now);
        tell(holder, bp::ExclusiveState::off, Reason::deviceRemoved);
        break;
    }
}

void ExclusiveMode::handleReleasing(const Input& input, TimePoint now)
{
    switch (input.event) {
    case Event::asked: // still grabbed: exclusive again at once
        holder_ = input.client;
        state_ = State::exclusive;
        tell(input.client, bp::ExclusiveState::active, Reason::none);
        break;
    case Event::left:
        break;
    case Event::idle:
    case Event::stalled:
    case Event::removed:
        endGrab(true, now);
        break;
    case Event::failed:
        endGrab(false, now);
        break;
    }
}

// ---- Grab and clone ----

bool ExclusiveMode::makeClone()
{
    DeviceDescription touchpad = device_.description();
    touchpad.udevProperties = info_.description.udevProperties;
    cloneDescription_ = TouchpadClone::describe(touchpad);
    // The real touchpad's own verdict when udev gave one, else the broker's.
    bool internal = info_.builtIn;
    for (const std::string& p : touchpad.udevProperties)
        if (p.starts_with("ID_INPUT_TOUCHPAD_INTEGRATION=")) internal = p.ends_with("=internal");
    std::string error;
    clone_ = TouchpadClone::create(cloneDescription_, TouchpadClone::phys(device_.phys(), internal), error);
    if (!clone_) {
        Log::warning("exclusive mode refused: cannot make the touchpad clone: " + error);
        return false;
    }
    filter_.emplace(cloneDescription_);
    return true;
}

bool ExclusiveMode::startGrab(TimePoint now)
{
    if (const int error = device_.grab(true)) {
        Log::warning("exclusive mode refused: cannot grab touchpad \"" + info_.description.name +
                     "\": " + std::strerror(error));
        return false;
    }
    filter_->start(device_.touchpadState());
    watchdog_.arm(key_, device_.fd(), clone_->fd(), letGoFrame(cloneDescription_));
    lastPing_ = now - pingInterval;
    Log::info("touchpad \"" + info_.description.name + "\" grabbed: exclusive mode");
    return true;
}

void ExclusiveMode::endGrab(bool letGo, TimePoint now)
{
    watchdog_.disarm(key_);
    if (letGo && filter_ && clone_) { // the clone lets go before the desktop reads the touchpad again
        ContactFilter::Frames frames;
        filter_->letGo(micros(now), frames);
        for (const auto& frame : frames)
            clone_->write(frame);
    }
    device_.grab(false);
    clone_.reset();
    filter_.reset();
    ping_.reset();
    holder_.reset();
    writeFailed_ = false;
    state_ = State::off;
    Log::info("touchpad \"" + info_.description.name + "\" released");
}

void ExclusiveMode::write(const ContactFilter::Frames& frames)
{
    for (const auto& frame : frames)
        if (!writeFailed_ && clone_ && !clone_->write(frame)) writeFailed_ = true;
}

void ExclusiveMode::afterWrites(TimePoint now)
{
    if (!std::exchange(writeFailed_, false)) return;
    Log::warning("the touchpad clone took no more events: touchpad ungrabbed");
    handle({Event::failed}, now);
}

void ExclusiveMode::tell(Client client, bp::ExclusiveState state, Reason reason)
{
    if (answering_ == client) return;
    notices_.push_back({Notice::Kind::status, client, state, reason, 0});
}

} // namespace rimglider::inputd
