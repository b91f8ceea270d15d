// The one owner of the gesture engine. Inputs arrive from the touchpad reader and the key and
// button reader on their own threads; the pipeline feeds them to the engine in arrival order
// on its serial queue, shows the resulting events to the click guard and then hands them to
// its subscribers on the Qt main thread. It keeps a snapshot of the engine for the user
// interface and can record every input for a trace.
#pragma once

#include "ClickGuard.h"
#include "SerialQueue.h"
#include "TouchFrameSource.h"

#include "GestureEngineKit/GestureEngine.h"

#include <QObject>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace rimglider {

class GesturePipeline {
  public:
    static inline const std::string queueLabel = "com.kelpo.rimglider.gestures";

    struct Snapshot {
        std::vector<GestureEngineKit::TouchSample> touches; // of the most recent frame
        GestureEngineKit::GestureEngine::Phase phase = GestureEngineKit::GestureEngine::Phase::idle();
        std::optional<GestureEngineKit::ZoneSet> claimedZones;
        GestureEngineKit::GestureConfig config;
        bool isEnabled = true;

        friend bool operator==(const Snapshot&, const Snapshot&) = default;
    };

    // Called on the main thread with the events one input produced.
    using Sink = std::function<void(const std::vector<GestureEngineKit::GestureEvent>&)>;
    using Clock = std::function<double()>;

    static GesturePipeline& shared();

    // Events reach subscribers through the Qt main thread's event loop, so a QCoreApplication
    // must exist before the first event is delivered.
    explicit GesturePipeline(ClickGuard& clickGuard = ClickGuard::shared(), Clock clock = {});
    ~GesturePipeline();
    GesturePipeline(const GesturePipeline&) = delete;
    GesturePipeline& operator=(const GesturePipeline&) = delete;

    // From any thread; each only enqueues and returns at once.
    void submit(GestureEngineKit::EngineInput input);
    // The touchpad reader's entry point, on its own thread.
    void submitFrame(GestureEngineKit::TouchFrame frame)
    {
        submit(GestureEngineKit::EngineInput::frame(std::move(frame)));
    }
    void updateConfig(const GestureEngineKit::GestureConfig& config);
    void setEnabled(bool enabled);
    void startRecording();
    // `completion` runs on the pipeline's queue with what was recorded (empty when not recording).
    void stopRecording(std::function<void(std::vector<GestureEngineKit::EngineInput>)> completion);

    // Installs a frame handler on the touch input that submits each frame here (for as long
    // as this pipeline exists), replacing any earlier handler, then starts the touch input.
    // Main thread.
    void attachTouchInput(TouchFrameSource& touchInput);

    void addSink(Sink sink);
    // Within a sink: the contact the engine held once the events being delivered were made
    // (the one a `claimed` among them took), by its touch id. Main thread.
    [[nodiscard]] std::optional<std::int32_t> claimedTouchOfDelivery() const { return deliveringClaim_; }
    [[nodiscard]] Snapshot snapshot() const;

    // Blocks until everything enqueued before has been processed (events may still be on
    // their way to the main thread).
    void waitUntilProcessed();
    [[nodiscard]] const std::string& label() const { return queue_.label(); }

  private:
    struct Delivery {
        std::vector<Sink> sinks;
        std::vector<GestureEngineKit::GestureEvent> events;
        std::optional<std::int32_t> claimedTouch;
    };
    class MainThreadPost;

    void process(const GestureEngineKit::EngineInput& input);
    void deliver(std::vector<GestureEngineKit::GestureEvent> events);
    void deliverNextOnMainThread();
    void refreshSnapshot(const std::vector<GestureEngineKit::TouchSample>* touches);

    // The touch input's handler holds this, not the pipeline: it reaches the pipeline only
    // while `pipeline` is set, and the destructor clears it under `lock`.
    struct Liveness {
        std::mutex lock;
        GesturePipeline* pipeline = nullptr;
    };

    ClickGuard& clickGuard_;
    Clock clock_;
    std::shared_ptr<Liveness> liveness_;

    // Touched only on queue_.
    GestureEngineKit::GestureEngine engine_;
    bool isEnabled_ = true;
    std::optional<std::vector<GestureEngineKit::EngineInput>> recording_;
    std::vector<GestureEngineKit::GestureEvent> events_; // reused: no allocation on silent inputs

    mutable std::mutex lock_; // snapshot_ and sinks_
    Snapshot snapshot_;
    std::vector<Sink> sinks_;

    std::mutex deliveriesLock_; // hands deliveries from the queue to the main thread
    std::deque<Delivery> deliveries_;
    QObject* mainThreadPost_ = nullptr;
    std::optional<std::int32_t> deliveringClaim_; // main thread

    SerialQueue queue_{queueLabel}; // last: its worker stops before the state above goes
};

} // namespace rimglider
