#include "GesturePipeline.h"

#include "SystemClock.h"

#include <QCoreApplication>
#include <QThread>

namespace rimglider {

using namespace GestureEngineKit;

// Lives on the main thread; each posted call hands over one delivery. The events themselves
// travel through deliveries_, under our own lock, not inside Qt's event.
class GesturePipeline::MainThreadPost : public QObject {
    Q_OBJECT
  public:
    explicit MainThreadPost(GesturePipeline& pipeline) : pipeline_(pipeline) {}
    Q_INVOKABLE void deliverNext() { pipeline_.deliverNextOnMainThread(); }

  private:
    GesturePipeline& pipeline_;
};

GesturePipeline& GesturePipeline::shared()
{
    static GesturePipeline* instance = new GesturePipeline; // never destroyed: readers may outlive main
    return *instance;
}

GesturePipeline::GesturePipeline(ClickGuard& clickGuard, Clock clock)
    : clickGuard_(clickGuard), clock_(clock ? std::move(clock) : Clock(systemUptime)),
      liveness_(std::make_shared<Liveness>())
{
    liveness_->pipeline = this;
    events_.reserve(16);
}

GesturePipeline::~GesturePipeline()
{
    {
        std::lock_guard guard(liveness_->lock); // a frame being handed over finishes first
        liveness_->pipeline = nullptr;
    }
    queue_.sync([] {}); // the queue's worker must be done with everything before the rest goes
    delete mainThreadPost_;
}

void GesturePipeline::submit(EngineInput input)
{
    queue_.async([this, input = std::move(input)] { process(input); });
}

void GesturePipeline::updateConfig(const GestureConfig& config)
{
    queue_.async([this, config] {
        engine_.setConfig(config);
        refreshSnapshot(nullptr);
    });
}

void GesturePipeline::setEnabled(bool enabled)
{
    queue_.async([this, enabled] {
        if (enabled == isEnabled_) return;
        isEnabled_ = enabled;
        if (!enabled) {
            deliver(engine_.reset());
            clickGuard_.reset();
        }
        refreshSnapshot(nullptr);
    });
}

void GesturePipeline::startRecording()
{
    queue_.async([this] { recording_.emplace(); });
}

void GesturePipeline::stopRecording(std::function<void(std::vector<EngineInput>)> completion)
{
    queue_.async([this, completion = std::move(completion)] {
        std::vector<EngineInput> recorded = recording_ ? std::move(*recording_) : std::vector<EngineInput>{};
        recording_.reset();
        completion(std::move(recorded));
    });
}

void GesturePipeline::attachTouchInput(TouchFrameSource& touchInput)
{
    touchInput.setOnFrame([liveness = std::weak_ptr(liveness_)](TouchFrame frame) {
        const auto alive = liveness.lock();
        if (!alive) return;
        std::lock_guard guard(alive->lock);
        if (alive->pipeline) alive->pipeline->submitFrame(std::move(frame));
    });
    touchInput.start();
}

void GesturePipeline::addSink(Sink sink)
{
    std::lock_guard guard(lock_);
    sinks_.push_back(std::move(sink));
}

GesturePipeline::Snapshot GesturePipeline::snapshot() const
{
    std::lock_guard guard(lock_);
    return snapshot_;
}

void GesturePipeline::waitUntilProcessed()
{
    queue_.sync([] {});
}

void GesturePipeline::process(const EngineInput& input)
{
    if (recording_) recording_->push_back(input); // recorded whether or not the engine runs
    if (isEnabled_) {
        events_.clear();
        engine_.handle(input, events_);
        if (!events_.empty()) deliver(events_);
    }
    const auto* frame = input.as<TouchFrame>();
    refreshSnapshot(frame ? &frame->touches : nullptr);
}

void GesturePipeline::deliver(std::vector<GestureEvent> events)
{
    if (events.empty()) return;
    const auto& claim = engine_.claim();
    const std::optional<std::int32_t> claimedTouch = claim ? std::optional(claim->touchID) : std::nullopt;
    clickGuard_.observe(events, engine_.config(), clock_(), claimedTouch);

    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return; // no main thread to deliver to
    if (!mainThreadPost_) {
        mainThreadPost_ = new MainThreadPost(*this);
        mainThreadPost_->moveToThread(app->thread());
    }
    Delivery delivery;
    {
        std::lock_guard guard(lock_);
        delivery.sinks = sinks_;
    }
    delivery.events = std::move(events);
    delivery.claimedTouch = claimedTouch;
    {
        std::lock_guard guard(deliveriesLock_);
        deliveries_.push_back(std::move(delivery));
    }
    QMetaObject::invokeMethod(mainThreadPost_, "deliverNext", Qt::QueuedConnection);
}

void GesturePipeline::deliverNextOnMainThread()
{
    Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
    Delivery delivery;
    {
        std::lock_guard guard(deliveriesLock_);
        if (deliveries_.empty()) return;
        delivery = std::move(deliveries_.front());
        deliveries_.pop_front();
    }
    deliveringClaim_ = delivery.claimedTouch;
    for (const Sink& sink : delivery.sinks)
        sink(delivery.events);
}

void GesturePipeline::refreshSnapshot(const std::vector<TouchSample>* touches)
{
    std::lock_guard guard(lock_);
    if (touches) snapshot_.touches = *touches;
    snapshot_.phase = engine_.phase();
    snapshot_.claimedZones = engine_.claimedZones();
    snapshot_.config = engine_.config();
    snapshot_.isEnabled = isEnabled_;
}

} // namespace rimglider

#include "GesturePipeline.moc"
