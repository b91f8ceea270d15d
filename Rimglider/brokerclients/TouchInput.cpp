#include "TouchInput.h"

#include "Log.h"
#include "SystemClock.h"

#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

namespace rimglider {

using namespace broker;
using GestureEngineKit::TouchFrame;

namespace {

const Log& touchLog()
{
    static const Log* instance = new Log("touch");
    return *instance;
}

const std::string readerLabel = "com.kelpo.rimglider.touch";

// A touchpad whose events can become frames: others (the anonymous-contact protocol, no
// position ranges) are listed and counted but never chosen.
bool givesFrames(const TouchpadInfo& touchpad)
{
    try {
        FrameAssembler{touchpad.description};
        return true;
    } catch (const FrameAssembler::UnsupportedDevice&) {
        return false;
    }
}

} // namespace

TouchInput& TouchInput::shared()
{
    static TouchInput* instance = new TouchInput(Options{}); // never destroyed: its thread may outlive main
    return *instance;
}

TouchInput::TouchInput(Options options)
    : options_(std::move(options)), clock_(options_.clock ? options_.clock : Clock(systemUptime)),
      stopSignal_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{}

TouchInput::~TouchInput()
{
    stop();
    ::close(stopSignal_);
}

void TouchInput::start()
{
    {
        std::lock_guard guard(lock_);
        if (reader_.joinable()) return; // already started; the restart path stops first
        stopping_ = false;
    }
    std::uint64_t pending = 0; // a stop() since the last start() left its signal
    [[maybe_unused]] const auto drained = ::read(stopSignal_, &pending, sizeof(pending));
    reader_ = std::thread([this] { run(); });
}

void TouchInput::stop()
{
    {
        std::lock_guard guard(lock_);
        stopping_ = true;
        if (connection_) connection_->interrupt();
    }
    const std::uint64_t one = 1; // ends a connection attempt's wait
    [[maybe_unused]] const auto written = ::write(stopSignal_, &one, sizeof(one));
    wake_.notify_all();
    if (reader_.joinable()) reader_.join();
    {
        std::lock_guard guard(lock_);
        connection_.reset();
        devices_.clear();
        chosen_.reset();
        exclusive_ = {};
    }
    assembler_.reset();
    lastFrameTouched_ = false;
    setStatus(Status::stopped());
}

void TouchInput::setOnFrame(FrameHandler handler)
{
    auto shared = handler ? std::make_shared<const FrameHandler>(std::move(handler)) : nullptr;
    std::lock_guard guard(lock_);
    onFrame_ = std::move(shared);
}

void TouchInput::setOnChange(std::function<void()> handler)
{
    auto shared = handler ? std::make_shared<const std::function<void()>>(std::move(handler)) : nullptr;
    std::lock_guard guard(lock_);
    onChange_ = std::move(shared);
}

TouchInput::Status TouchInput::status() const
{
    std::lock_guard guard(lock_);
    return status_;
}

std::optional<TouchpadInfo> TouchInput::device() const
{
    std::lock_guard guard(lock_);
    if (!chosen_) return std::nullopt;
    for (const TouchpadInfo& touchpad : devices_)
        if (touchpad.deviceId == *chosen_) return touchpad;
    return std::nullopt;
}

std::optional<SurfaceSize> TouchInput::surfaceSize() const
{
    const auto touchpad = device();
    return touchpad ? touchpad->description.surfaceSize() : std::nullopt;
}

// ---- Exclusive mode ----

namespace {

Time inputTime(double seconds)
{
    if (!(seconds > 0)) return {};
    const auto micro = std::int64_t(std::llround(seconds * 1e6));
    return {micro / 1'000'000, std::uint32_t(micro % 1'000'000)};
}

std::string reasonText(ExclusiveReason reason)
{
    switch (reason) {
    case ExclusiveReason::none:
        return "as asked";
    case ExclusiveReason::semiMultitouch:
        return "the touchpad reports no separate contacts (semi-multitouch), so it is never grabbed";
    case ExclusiveReason::notMultitouch:
        return "the touchpad is not multitouch";
    case ExclusiveReason::grabBusy:
        return "another program holds the touchpad";
    case ExclusiveReason::otherClient:
        return "another connection holds the touchpad";
    case ExclusiveReason::sessionInactive:
        return "the session is not active";
    case ExclusiveReason::cloneFailed:
        return "the touchpad's clone could not be made or written";
    case ExclusiveReason::notAnswering:
        return "Rimglider did not answer in time";
    case ExclusiveReason::watchdog:
        return "the input service stalled and let go of the touchpad";
    case ExclusiveReason::deviceRemoved:
        return "the touchpad went away";
    case ExclusiveReason::notSubscribed:
        return "not subscribed to the touchpad";
    }
    return "reason " + std::to_string(int(reason)); // of a later protocol version
}

} // namespace

bool TouchInput::sendWhileExclusive(const Request& request)
{
    if (!connection_ || !chosen_ || exclusive_.state == ExclusiveState::off) return false;
    return connection_->send(request);
}

void TouchInput::setExclusiveWanted(bool wanted)
{
    std::lock_guard guard(lock_);
    if (wanted == exclusiveWanted_) return;
    exclusiveWanted_ = wanted;
    if (connection_ && chosen_ && connection_->welcome().version >= 2)
        connection_->send(SetExclusive{*chosen_, wanted});
}

void TouchInput::hideContact(std::int32_t touchId, bool hide)
{
    std::lock_guard guard(lock_);
    if (chosen_ && touchId >= 0) sendWhileExclusive(HideContact{*chosen_, touchId, hide});
}

void TouchInput::setClickGuard(bool guarding, const std::vector<std::int32_t>& claimed, double guardUntil,
                               double window)
{
    SetClickGuard request;
    request.guarding = guarding && !claimed.empty(); // an unknown contact: the time bound alone
    if (request.guarding)
        request.claimed.assign(claimed.begin(), claimed.begin() + std::min(claimed.size(), maxClaimedContacts));
    request.guardUntil = inputTime(guardUntil);
    request.graceMilliseconds = std::uint16_t(std::clamp(std::lround(window * 1000), 0L, long(maxGraceMilliseconds)));
    std::lock_guard guard(lock_);
    clickGuard_ = request;
    if (chosen_) {
        request.deviceId = *chosen_;
        sendWhileExclusive(request);
    }
}

Exclusive TouchInput::exclusive() const
{
    std::lock_guard guard(lock_);
    return exclusive_;
}

void TouchInput::handleExclusive(const Exclusive& told)
{
    Exclusive before;
    {
        std::lock_guard guard(lock_);
        if (chosen_ != told.deviceId) return;
        before = exclusive_;
        exclusive_ = told;
        // The guard state goes ahead of the first press of a fresh hold.
        if (before.state == ExclusiveState::off && told.state != ExclusiveState::off && clickGuard_) {
            SetClickGuard request = *clickGuard_;
            request.deviceId = told.deviceId;
            connection_->send(request);
        }
    }
    if (told.state != before.state) {
        switch (told.state) {
        case ExclusiveState::off:
            touchLog().info("Exclusive mode off: " + reasonText(told.reason) + "; the touchpad is observed only");
            break;
        case ExclusiveState::waiting:
            touchLog().info("Exclusive mode waiting for the touchpad to be free of fingers and buttons");
            break;
        case ExclusiveState::active:
            touchLog().info("Exclusive mode active: gesture fingers are hidden from the desktop");
            break;
        }
    }
    if (told.swallowedPresses > before.swallowedPresses)
        touchLog().info("Click guard: the input service swallowed a press (" + std::to_string(told.swallowedPresses) +
                        " so far)");
}

// ---- Status ----

void TouchInput::setStatus(Status status)
{
    {
        std::lock_guard guard(lock_);
        // The reader's view no longer counts once stop() has begun; an unchanged status is
        // not news (reconnect attempts repeat it every few seconds).
        if (stopping_ && status.kind != Status::Kind::stopped) return;
        if (status == status_) return;
        status_ = status;
    }
    switch (status.kind) {
    case Status::Kind::running:
        touchLog().info("Touch input running (" + std::to_string(status.deviceCount) + " multitouch device(s))");
        break;
    case Status::Kind::unavailable:
        touchLog().error("Touch input unavailable: " + status.message);
        break;
    case Status::Kind::stopped:
        break;
    }
    changed();
}

void TouchInput::changed()
{
    std::shared_ptr<const std::function<void()>> handler;
    {
        std::lock_guard guard(lock_);
        handler = onChange_;
    }
    if (handler) (*handler)();
}

// ---- The reader thread ----

bool TouchInput::isStopping()
{
    std::lock_guard guard(lock_);
    return stopping_;
}

bool TouchInput::waitBeforeReconnect()
{
    std::unique_lock guard(lock_);
    const auto interval = refused_ ? options_.refusedInterval : options_.reconnectInterval;
    return !wake_.wait_for(guard, interval, [this] { return stopping_; });
}

void TouchInput::run()
{
    pthread_setname_np(pthread_self(), readerLabel.substr(0, 15).c_str());
    while (!isStopping()) {
        if (!connection_) {
            if (!connect()) {
                if (!waitBeforeReconnect()) break;
                continue;
            }
        }
        BrokerMessage message;
        switch (connection_->receive(message, receiveTimeout())) {
        case BrokerConnection::Received::message:
            handle(message);
            fillKeepAlive();
            break;
        case BrokerConnection::Received::timeout:
            fillKeepAlive();
            break;
        case BrokerConnection::Received::closed:
            if (!isStopping()) brokerLost();
            break;
        }
    }
}

bool TouchInput::connect()
{
    auto opened = BrokerConnection::open(options_.socketPath, options_.answerTimeout, stopSignal_);
    if (const auto* failure = std::get_if<BrokerConnection::Failure>(&opened)) {
        refused_ = failure->kind == BrokerConnection::Failure::Kind::refused;
        setStatus(Status::unavailable(notAvailableMessage));
        return false;
    }
    refused_ = false;
    {
        std::lock_guard guard(lock_);
        if (stopping_) return false;
        connection_.emplace(std::move(std::get<BrokerConnection>(opened)));
    }

    const std::uint32_t serial = nextSerial_++;
    std::vector<TouchpadInfo> listed;
    std::optional<std::string> failure;
    if (!connection_->send(ListTouchpads{}, serial)) failure = notAvailableMessage;
    const auto deadline = std::chrono::steady_clock::now() + options_.answerTimeout;
    while (!failure) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        BrokerMessage message;
        const auto received = connection_->receive(message, std::max(left, std::chrono::milliseconds(0)));
        if (received == BrokerConnection::Received::closed) {
            failure = notAvailableMessage;
        } else if (received == BrokerConnection::Received::timeout) {
            failure = noDevicesMessage;
        } else if (auto* touchpad = std::get_if<Touchpad>(&message.message)) {
            listed.push_back(std::move(touchpad->info));
        } else if (std::holds_alternative<ListEnd>(message.message) && message.serial == serial) {
            break;
        } else if (std::holds_alternative<Error>(message.message) && message.serial == serial) {
            failure = noDevicesMessage;
        }
    }
    if (failure) {
        dropConnection();
        setStatus(Status::unavailable(*failure));
        return false;
    }
    {
        std::lock_guard guard(lock_);
        devices_ = std::move(listed);
        chosen_.reset();
    }
    choose();
    return true;
}

void TouchInput::dropConnection()
{
    {
        std::lock_guard guard(lock_);
        exclusive_ = {}; // the service lets go of a holder that is gone
        connection_.reset();
        devices_.clear();
        chosen_.reset();
    }
    assembler_.reset();
}

void TouchInput::brokerLost()
{
    endContacts();
    dropConnection();
    setStatus(Status::unavailable(notAvailableMessage));
}

void TouchInput::handle(BrokerMessage& message)
{
    std::visit(
        [&](auto& m) {
            using M = std::decay_t<decltype(m)>;
            if constexpr (std::is_same_v<M, Events>) {
                handleEvents(m);
            } else if constexpr (std::is_same_v<M, Touchpad>) {
                touchpadAdded(std::move(m.info));
            } else if constexpr (std::is_same_v<M, Exclusive>) {
                handleExclusive(m);
            } else if constexpr (std::is_same_v<M, TouchpadRemoved>) {
                touchpadGone(m.deviceId);
            } else if constexpr (std::is_same_v<M, Dropped>) {
                // The broker follows with the whole state; until then nothing is known.
                std::lock_guard guard(lock_);
                if (chosen_ == m.deviceId) assembler_.reset();
            } else if constexpr (std::is_same_v<M, Suspended>) {
                // Another user has the seat: our fingers are gone for us. A state batch
                // starts the pad afresh on RESUMED.
                endContacts();
            } else if constexpr (std::is_same_v<M, Error>) {
                std::optional<std::uint32_t> chosen;
                {
                    std::lock_guard guard(lock_);
                    chosen = chosen_;
                }
                // The touchpad went between our list and our subscription.
                if (m.code == ErrorCode::noSuchDevice && chosen) touchpadGone(*chosen);
            }
        },
        message.message);
}

void TouchInput::handleEvents(const Events& events)
{
    std::optional<TouchpadInfo> touchpad;
    {
        std::lock_guard guard(lock_);
        if (chosen_ != events.deviceId) return; // not the touchpad in use
    }
    if (events.isState) {
        touchpad = device();
        if (!touchpad) return;
        assembler_.emplace(touchpad->description); // it gives frames: checked when chosen
        lastKeepAlive_.reset();
    }
    if (!assembler_) return; // waiting for the state batch
    for (const WireEvent& wire : events.events) {
        const InputEvent event = wire.toInputEvent();
        while (auto frame = assembler_->keepAlive(event.time))
            deliver(std::move(*frame));
        if (auto frame = assembler_->push(event)) {
            // A report the broker passed on late may be stamped before a keep-alive the clock
            // has already sent: it is news now, so the engine never sees time run backwards.
            if (lastKeepAlive_ && frame->time < *lastKeepAlive_) frame->time = *lastKeepAlive_;
            lastKeepAlive_.reset();
            deliver(std::move(*frame));
        }
    }
}

void TouchInput::touchpadAdded(TouchpadInfo info)
{
    const bool takeUp = info.builtIn && givesFrames(info);
    const std::uint32_t id = info.deviceId;
    bool replaceCurrent = false;
    bool noneChosen = false;
    {
        std::lock_guard guard(lock_);
        std::erase_if(devices_, [&](const TouchpadInfo& t) { return t.deviceId == id; });
        devices_.push_back(std::move(info));
        noneChosen = !chosen_;
        if (!noneChosen && takeUp) {
            // A built-in pad replaces an external one in use, never another built-in one.
            for (const TouchpadInfo& t : devices_)
                if (t.deviceId == *chosen_) replaceCurrent = !t.builtIn;
        }
    }
    if (noneChosen || replaceCurrent) {
        choose(takeUp ? std::optional(id) : std::nullopt);
    } else {
        choose(); // the one in use stays; the count grows
    }
}

void TouchInput::touchpadGone(std::uint32_t deviceId)
{
    bool wasChosen = false;
    {
        std::lock_guard guard(lock_);
        std::erase_if(devices_, [&](const TouchpadInfo& t) { return t.deviceId == deviceId; });
        wasChosen = chosen_ == deviceId;
        if (wasChosen) {
            chosen_.reset();
            exclusive_ = {0, ExclusiveState::off, ExclusiveReason::deviceRemoved, exclusive_.swallowedPresses};
        }
    }
    if (wasChosen) {
        // The finger on a vanished pad has lifted as far as the engine can know: ending it
        // here ends the gesture instead of leaving a claim that no frame will release.
        endContacts();
    }
    choose();
}

// Picks the touchpad to read when none is in use (or `preferred` should replace it):
// the first built-in one, else the first; then brings the status up to date.
void TouchInput::choose(std::optional<std::uint32_t> preferred)
{
    std::optional<TouchpadInfo> pick;
    std::optional<std::uint32_t> current;
    long count = 0;
    {
        std::lock_guard guard(lock_);
        current = chosen_;
        count = long(devices_.size());
        if (preferred) {
            for (const TouchpadInfo& t : devices_)
                if (t.deviceId == *preferred) pick = t;
        } else if (!chosen_) {
            for (const TouchpadInfo& t : devices_) {
                if (!givesFrames(t)) continue;
                if (t.builtIn) {
                    pick = t;
                    break;
                }
                if (!pick) pick = t;
            }
        }
    }
    if (pick && pick->deviceId != current) {
        if (current) {
            endContacts();
            connection_->send(UnsubscribeTouchpad{*current}, nextSerial_++); // ends exclusive mode there
        }
        {
            std::lock_guard guard(lock_);
            chosen_ = pick->deviceId;
            exclusive_ = {0, ExclusiveState::off, ExclusiveReason::none, exclusive_.swallowedPresses};
        }
        subscribe(*pick);
        current = pick->deviceId;
    }
    if (current) {
        setStatus(Status::running(count));
        if (pick) changed(); // another touchpad, perhaps another size
    } else {
        setStatus(Status::unavailable(noTrackpadMessage));
    }
}

void TouchInput::subscribe(const TouchpadInfo& touchpad)
{
    assembler_.reset(); // frames start with the state batch the subscription brings
    connection_->send(SubscribeTouchpad{touchpad.deviceId}, nextSerial_++);
    // Where the desktop's own use of the pad overlaps the gesture zones: told, not fought.
    const auto& properties = touchpad.description.properties;
    if (properties.contains(INPUT_PROP_TOPBUTTONPAD))
        touchLog().info("Conflict: \"" + touchpad.description.name +
                        "\" has its buttons along the top edge; a press there during a corner gesture is swallowed");
    else if (properties.contains(INPUT_PROP_BUTTONPAD))
        touchLog().info("Conflict: \"" + touchpad.description.name +
                        "\" is a clickpad; its software buttons share the bottom edge with the bottom gestures, and a "
                        "press there during a gesture is swallowed");
    std::lock_guard guard(lock_);
    if (exclusiveWanted_ && connection_->welcome().version >= 2)
        connection_->send(SetExclusive{touchpad.deviceId, true}, nextSerial_++);
}

void TouchInput::endContacts()
{
    if (lastFrameTouched_) deliver(TouchFrame{std::max(clock_(), lastFrameTime_), {}});
    assembler_.reset();
}

std::optional<double> TouchInput::clockKeepAliveDue() const
{
    if (!assembler_) return std::nullopt;
    const auto due = assembler_->nextKeepAlive();
    // Far behind the clock, the pad's event times are not on our clock (a device that refused
    // the switch to CLOCK_MONOTONIC): filling from the clock would flood the engine with a
    // minute of repeated frames per report. The events' own times still fill the gaps.
    if (!due || clock_() - *due > maxClockLag) return std::nullopt;
    return due;
}

std::chrono::milliseconds TouchInput::receiveTimeout() const
{
    const auto due = clockKeepAliveDue();
    if (!due) return std::chrono::milliseconds(-1);
    const double wait = std::clamp(*due + keepAliveSlack - clock_(), 0.0, 60.0);
    return std::chrono::milliseconds(std::int64_t(std::ceil(wait * 1000)));
}

void TouchInput::fillKeepAlive()
{
    if (!clockKeepAliveDue()) return;
    const double now = clock_() - keepAliveSlack;
    while (auto frame = assembler_->keepAlive(now)) {
        lastKeepAlive_ = frame->time;
        deliver(std::move(*frame));
    }
}

void TouchInput::deliver(TouchFrame frame)
{
    lastFrameTime_ = frame.time;
    lastFrameTouched_ = !frame.touches.empty();
    std::shared_ptr<const FrameHandler> handler;
    {
        std::lock_guard guard(lock_);
        handler = onFrame_;
    }
    if (handler) (*handler)(std::move(frame));
}

} // namespace rimglider
