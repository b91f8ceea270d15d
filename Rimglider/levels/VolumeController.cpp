#include "VolumeController.h"

#include "PulseQtMainloop.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>

#include <pulse/context.h>
#include <pulse/def.h>
#include <pulse/format.h>
#include <pulse/glib-mainloop.h>
#include <pulse/introspect.h>
#include <pulse/subscribe.h>
#include <pulse/volume.h>

#include <algorithm>

namespace rimglider {

using GestureEngineKit::SliderDirection;

namespace {

bool qtRunsOnGlib()
{
    const auto* dispatcher = QAbstractEventDispatcher::instance(QThread::currentThread());
    return dispatcher && dispatcher->inherits("QEventDispatcherGlib");
}

// A sink whose volume a key can change: one that takes PCM audio (a sink that only passes
// encoded streams through to a receiver has no volume of its own) and has channels to set.
bool isAdjustableSink(const pa_sink_info& info)
{
    if (info.volume.channels == 0) return false;
    if (info.n_formats == 0) return true; // servers that do not list formats play PCM
    for (std::uint8_t i = 0; i < info.n_formats; ++i)
        if (pa_format_info_is_pcm(info.formats[i])) return true;
    return false;
}

// Drops our hold on an operation that has delivered its last answer (nothing left to cancel).
template <class Operation>
void finished(Operation& operation)
{
    if (operation) pa_operation_unref(operation.release());
}

float levelOf(const pa_cvolume& volume)
{
    return float(pa_cvolume_max(&volume)) / float(PA_VOLUME_NORM);
}

} // namespace

// A request given up before its last answer is cancelled: that answer would be stale.
void VolumeController::OperationDeleter::operator()(pa_operation* operation) const
{
    if (pa_operation_get_state(operation) == PA_OPERATION_RUNNING) pa_operation_cancel(operation);
    pa_operation_unref(operation);
}

VolumeController& VolumeController::shared()
{
    static auto* instance = new VolumeController(&postSystemKey);
    return *instance;
}

VolumeController::VolumeController(KeyPoster postKey, QObject* parent)
    : VolumeController(std::move(postKey), Options{}, parent)
{}

VolumeController::VolumeController(KeyPoster postKey, Options options, QObject* parent)
    : QObject(parent), postKey_(std::move(postKey)), options_(std::move(options)), watchedSink_(PA_INVALID_INDEX),
      retryDelay_(options_.firstRetry)
{
    retryTimer_.setSingleShot(true);
    connect(&retryTimer_, &QTimer::timeout, this, &VolumeController::connectToServer);
}

VolumeController::~VolumeController()
{
    // Whoever asked for a change is gone with us or does not care any more: no answers now.
    pendingSets_.clear();
    dropContext();
    qtLoop_.reset();
    if (glibLoop_) pa_glib_mainloop_free(glibLoop_);
}

void VolumeController::start()
{
    if (started_) return;
    started_ = true;
    Loop loop = options_.loop;
    if (loop == Loop::automatic) loop = qtRunsOnGlib() ? Loop::glib : Loop::qt;
    loopInUse_ = loop;
    if (loop == Loop::glib) {
        // The main thread's Qt dispatcher iterates GLib's default context.
        glibLoop_ = pa_glib_mainloop_new(nullptr);
        api_ = pa_glib_mainloop_get_api(glibLoop_);
    } else {
        qtLoop_ = std::make_unique<PulseQtMainloop>();
        api_ = qtLoop_->api();
    }
    if (api_) connectToServer();
}

bool VolumeController::isConnected() const
{
    return context_ && pa_context_get_state(context_) == PA_CONTEXT_READY;
}

void VolumeController::connectToServer()
{
    dropContext();
    context_ = pa_context_new(api_, "Rimglider");
    if (!context_) {
        scheduleRetry();
        return;
    }
    pa_context_set_state_callback(context_, &VolumeController::contextStateThunk, this);
    const QByteArray server = options_.server.toUtf8();
    // Never start a server of our own: a missing one means no device, and we retry.
    // A failure reported through the state callback has already dropped the context and
    // scheduled the retry.
    const int status =
        pa_context_connect(context_, server.isEmpty() ? nullptr : server.constData(), PA_CONTEXT_NOAUTOSPAWN, nullptr);
    if (status < 0 && context_) {
        dropContext();
        scheduleRetry();
    }
}

void VolumeController::dropContext()
{
    serverOp_.reset();
    sinkOp_.reset();
    valuesOp_.reset();
    watchedSink_ = PA_INVALID_INDEX;
    // A lost connection cancels libpulse's pending requests silently; their callers hear it here.
    while (!pendingSets_.empty())
        finishSet(pendingSets_.front().get(), false);
    if (!context_) return;
    pa_context_set_state_callback(context_, nullptr, nullptr);
    pa_context_set_subscribe_callback(context_, nullptr, nullptr);
    pa_context_disconnect(context_);
    pa_context_unref(context_);
    context_ = nullptr;
}

void VolumeController::scheduleRetry()
{
    retryTimer_.start(retryDelay_);
    retryDelay_ = std::min(retryDelay_ * 2, options_.longestRetry);
}

void VolumeController::onContextState()
{
    switch (pa_context_get_state(context_)) {
    case PA_CONTEXT_READY:
        retryDelay_ = options_.firstRetry;
        pa_context_set_subscribe_callback(context_, &VolumeController::subscribeThunk, this);
        // The subscription's own answer carries nothing we need.
        if (pa_operation* subscribed = pa_context_subscribe(
                context_, pa_subscription_mask_t(PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SERVER), nullptr,
                nullptr))
            pa_operation_unref(subscribed);
        refreshDevice();
        return;
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
        // libpulse holds its own reference while it calls us, so the context may go here.
        dropContext();
        showNoDevice();
        scheduleRetry();
        return;
    case PA_CONTEXT_UNCONNECTED:
    case PA_CONTEXT_CONNECTING:
    case PA_CONTEXT_AUTHORIZING:
    case PA_CONTEXT_SETTING_NAME:
        return;
    }
}

void VolumeController::onSubscription(unsigned eventType, std::uint32_t index)
{
    const unsigned facility = eventType & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
    const unsigned kind = eventType & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
    if (facility == PA_SUBSCRIPTION_EVENT_SERVER) {
        refreshDevice(); // the default sink may have changed
    } else if (facility == PA_SUBSCRIPTION_EVENT_SINK && index == watchedSink_ && index != PA_INVALID_INDEX) {
        if (kind == PA_SUBSCRIPTION_EVENT_REMOVE)
            refreshDevice();
        else if (kind == PA_SUBSCRIPTION_EVENT_CHANGE)
            readValues();
    }
}

void VolumeController::refreshDevice()
{
    // Stop following the old sink first: nothing of it may land on the new one.
    watchedSink_ = PA_INVALID_INDEX;
    serverOp_.reset();
    sinkOp_.reset();
    valuesOp_.reset();
    if (!isConnected()) {
        showNoDevice();
        return;
    }
    serverOp_.reset(pa_context_get_server_info(context_, &VolumeController::serverInfoThunk, this));
    if (!serverOp_) showNoDevice();
}

void VolumeController::onServerInfo(const pa_server_info* info)
{
    finished(serverOp_);
    if (!info || !info->default_sink_name || !*info->default_sink_name) {
        showNoDevice();
        return;
    }
    sinkSeen_ = false;
    sinkOp_.reset(
        pa_context_get_sink_info_by_name(context_, info->default_sink_name, &VolumeController::sinkInfoThunk, this));
    if (!sinkOp_) showNoDevice();
}

void VolumeController::onSinkInfo(const pa_sink_info* info, int eol)
{
    if (info) {
        sinkSeen_ = true;
        watchedSink_ = info->index;
        channels_ = info->volume.channels;
        Reading reading;
        reading.device = info->index + 1;
        reading.name = QString::fromUtf8(info->description ? info->description : info->name);
        reading.adjustable = isAdjustableSink(*info);
        if (reading.adjustable) reading.level = levelOf(info->volume);
        reading.muted = info->mute != 0;
        apply(reading);
    }
    if (eol != 0) {
        // eol < 0: the sink went away between the two answers (or another error).
        if (eol < 0 || !sinkSeen_) showNoDevice();
        finished(sinkOp_);
    }
}

void VolumeController::readValues()
{
    valuesOp_.reset();
    if (!isConnected() || watchedSink_ == PA_INVALID_INDEX) return;
    valuesOp_.reset(
        pa_context_get_sink_info_by_index(context_, watchedSink_, &VolumeController::sinkValuesThunk, this));
}

void VolumeController::onSinkValues(const pa_sink_info* info, int eol)
{
    if (info && info->index == watchedSink_) {
        Reading reading{device_, deviceName_, isAdjustable_, std::nullopt, info->mute != 0};
        if (isAdjustable_) reading.level = levelOf(info->volume);
        channels_ = info->volume.channels;
        apply(reading);
    }
    if (eol != 0) finished(valuesOp_);
}

void VolumeController::showNoDevice()
{
    channels_ = 0;
    apply(Reading{});
}

void VolumeController::apply(const Reading& reading)
{
    // Answers come in the order of the requests: with no set in flight, this reading was
    // asked for after the last one and already shows it.
    if (setsInFlight_ == 0) target_.reset();
    level_ = reading.level;
    const std::optional<float> shown =
        reading.level ? std::optional<float>(std::clamp(*reading.level, 0.0f, 1.0f)) : std::nullopt;
    bool changed = false;
    if (shown != volume_) {
        volume_ = shown;
        changed = true;
        emit volumeChanged();
    }
    if (reading.muted != isMuted_) {
        isMuted_ = reading.muted;
        changed = true;
        emit isMutedChanged();
    }
    if (reading.name != deviceName_) {
        deviceName_ = reading.name;
        changed = true;
        emit deviceNameChanged();
    }
    if (reading.adjustable != isAdjustable_) {
        isAdjustable_ = reading.adjustable;
        changed = true;
        emit isAdjustableChanged();
    }
    if (reading.device != device_) {
        device_ = reading.device;
        changed = true;
        emit deviceChanged();
    }
    if (changed && onChange) onChange();
}

StepResult VolumeController::step(SliderDirection direction, bool fine)
{
    if (!isAdjustable_) return StepResult::unavailable;
    // The level as the server last reported it; its change events keep it current.
    const float v = device_ != 0 && level_ ? *level_ : 0.5f;
    StepResult result = StepResult::stepped;
    int key = soundUpKey;
    switch (direction) {
    case SliderDirection::up:
        // Muted at full volume, the key still does something: it unmutes.
        if (v >= levelUpperEnd && !isMuted_) result = StepResult::atLimit;
        key = soundUpKey;
        break;
    case SliderDirection::down:
        if (v <= levelLowerEnd) result = StepResult::atLimit;
        key = soundDownKey;
        break;
    }
    if (postKey_) postKey_(key, fine);
    return result;
}

StepResult VolumeController::adjust(SliderDirection direction, float amount)
{
    if (!isConnected() || !isAdjustable_ || watchedSink_ == PA_INVALID_INDEX || channels_ == 0)
        return StepResult::unavailable;
    const float from = target_ ? *target_ : level_.value_or(0.5f);
    float to = from;
    switch (direction) {
    case SliderDirection::up:
        if (from >= levelUpperEnd && !isMuted_) return StepResult::atLimit;
        // A level the user raised above full stays where it is rather than dropping to full.
        to = std::max(from, std::min(1.0f, from + amount));
        if (isMuted_) setMuted(false);
        break;
    case SliderDirection::down:
        if (from <= levelLowerEnd) return StepResult::atLimit;
        to = std::max(0.0f, from - amount);
        break;
    }
    ++setsInFlight_;
    const bool sent = setLevel(to, [this](bool) { --setsInFlight_; });
    if (!sent) {
        --setsInFlight_;
        return StepResult::unavailable;
    }
    target_ = to;
    return StepResult::stepped;
}

bool VolumeController::setMuted(bool muted)
{
    if (!isConnected() || watchedSink_ == PA_INVALID_INDEX) return false;
    pa_operation* operation =
        pa_context_set_sink_mute_by_index(context_, watchedSink_, muted ? 1 : 0, nullptr, nullptr);
    if (!operation) return false;
    pa_operation_unref(operation);
    return true;
}

bool VolumeController::setLevel(float level, std::function<void(bool ok)> done)
{
    if (!isConnected() || !isAdjustable_ || watchedSink_ == PA_INVALID_INDEX || channels_ == 0) return false;
    pa_cvolume volume;
    pa_cvolume_set(&volume, channels_, pa_volume_t(std::clamp(level, 0.0f, 1.0f) * float(PA_VOLUME_NORM) + 0.5f));
    auto pending = std::make_unique<PendingSet>(PendingSet{this, std::move(done)});
    pa_operation* operation = pa_context_set_sink_volume_by_index(context_, watchedSink_, &volume,
                                                                  &VolumeController::setDoneThunk, pending.get());
    if (!operation) return false;
    pa_operation_unref(operation);
    pendingSets_.push_back(std::move(pending));
    return true;
}

void VolumeController::finishSet(PendingSet* pending, bool ok)
{
    const auto found = std::find_if(pendingSets_.begin(), pendingSets_.end(),
                                    [pending](const auto& entry) { return entry.get() == pending; });
    if (found == pendingSets_.end()) return;
    const std::unique_ptr<PendingSet> owned = std::move(*found);
    pendingSets_.erase(found);
    if (owned->done) owned->done(ok);
}

void VolumeController::setDoneThunk(pa_context*, int success, void* pending)
{
    auto* set = static_cast<PendingSet*>(pending);
    set->self->finishSet(set, success != 0);
}

void VolumeController::contextStateThunk(pa_context*, void* self)
{
    static_cast<VolumeController*>(self)->onContextState();
}

void VolumeController::subscribeThunk(pa_context*, pa_subscription_event_type eventType, std::uint32_t index,
                                      void* self)
{
    static_cast<VolumeController*>(self)->onSubscription(unsigned(eventType), index);
}

void VolumeController::serverInfoThunk(pa_context*, const pa_server_info* info, void* self)
{
    static_cast<VolumeController*>(self)->onServerInfo(info);
}

void VolumeController::sinkInfoThunk(pa_context*, const pa_sink_info* info, int eol, void* self)
{
    static_cast<VolumeController*>(self)->onSinkInfo(info, eol);
}

void VolumeController::sinkValuesThunk(pa_context*, const pa_sink_info* info, int eol, void* self)
{
    static_cast<VolumeController*>(self)->onSinkValues(info, eol);
}

} // namespace rimglider
