// Follows the sound server's default output (a PulseAudio sink, also served by PipeWire's pulse
// server) and exposes its volume, mute state, name and whether its volume can be changed. A step
// never sets the volume itself: it posts the sound-up or sound-down key, so the desktop applies
// its own step and shows its own level; the level read beforehand says whether the step hit the
// end of the range.
//
// Main thread only. libpulse runs on the Qt event loop (its GLib loop, or our own adapter when Qt
// does not run on GLib) and never blocks it: every read is a request whose answer arrives as an
// event, and the server's change events keep the state current, so a step reads no more than the
// state held here.
#pragma once

#include "GestureEngineKit/TouchTypes.h"
#include "SystemKeys.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <pulse/def.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct pa_context;
struct pa_operation;
struct pa_server_info;
struct pa_sink_info;
struct pa_mainloop_api;
struct pa_glib_mainloop;

namespace rimglider {

class PulseQtMainloop;

class VolumeController : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isMuted READ isMuted NOTIFY isMutedChanged)
    Q_PROPERTY(QString deviceName READ deviceName NOTIFY deviceNameChanged)
    Q_PROPERTY(bool isAdjustable READ isAdjustable NOTIFY isAdjustableChanged)
    Q_PROPERTY(quint32 device READ device NOTIFY deviceChanged)

  public:
    using KeyPoster = std::function<void(int code, bool fine)>;
    static constexpr int soundUpKey = 0;
    static constexpr int soundDownKey = 1;
    // The finest change a sink's volume can make (one step of pa_volume_t), of full scale.
    static constexpr float levelUnit = 1.0f / 65536.0f;

    // Which loop libpulse runs on. `automatic` takes GLib's when Qt's dispatcher is GLib's and
    // our Qt adapter otherwise.
    enum class Loop { automatic, glib, qt };

    struct Options {
        QString server;                                // empty: libpulse's default
        std::chrono::milliseconds firstRetry{1000};    // after losing the server
        std::chrono::milliseconds longestRetry{10000}; // backing off up to this
        Loop loop = Loop::automatic;
    };

    // The one instance, posting through postSystemKey.
    static VolumeController& shared();

    explicit VolumeController(KeyPoster postKey, QObject* parent = nullptr);
    VolumeController(KeyPoster postKey, Options options, QObject* parent = nullptr);
    ~VolumeController() override;
    VolumeController(const VolumeController&) = delete;
    VolumeController& operator=(const VolumeController&) = delete;

    // Connects to the server and follows its default sink from then on. Once only.
    void start();
    // Re-reads the default sink and everything derived from it (answers arrive later).
    void refreshDevice();
    // Re-reads volume and mute of the current sink (answers arrive later).
    void readValues();

    // One step for the dispatcher: posts the sound key with `fine` unless the output cannot be
    // adjusted, and says whether the level already stood at its end.
    StepResult step(GestureEngineKit::SliderDirection direction, bool fine);

    // One step made here instead of by the desktop, `amount` of the full scale (0…1): from the
    // level the last step set while the server has not yet reported it, else from the level
    // reported, so a fast slide loses no step. Up while muted also unmutes, as the key would.
    StepResult adjust(GestureEngineKit::SliderDirection direction, float amount);
    // The level the last adjust() asked for while the server has not reported it yet.
    [[nodiscard]] std::optional<float> target() const { return target_; }
    // Turns the current sink's mute on or off; false when there is no sink.
    bool setMuted(bool muted);

    // Sets every channel of the current sink to `level` (0…1), for the self-test. False when
    // there is no adjustable sink; otherwise `done`, if given, later receives the server's answer.
    bool setLevel(float level, std::function<void(bool ok)> done = {});

    [[nodiscard]] std::optional<float> volume() const { return volume_; }
    [[nodiscard]] bool isMuted() const { return isMuted_; }
    [[nodiscard]] QString deviceName() const { return deviceName_; }
    [[nodiscard]] bool isAdjustable() const { return isAdjustable_; }
    // The default sink's index + 1; 0 when there is none.
    [[nodiscard]] std::uint32_t device() const { return device_; }

    // Connection state, for diagnostics and tests.
    [[nodiscard]] bool isConnected() const;
    [[nodiscard]] bool isRetryPending() const { return retryTimer_.isActive(); }
    [[nodiscard]] std::chrono::milliseconds nextRetryDelay() const { return retryDelay_; }
    [[nodiscard]] Loop loopInUse() const { return loopInUse_; }

    // Called once after every update that changed at least one property.
    std::function<void()> onChange;

  signals:
    void volumeChanged();
    void isMutedChanged();
    void deviceNameChanged();
    void isAdjustableChanged();
    void deviceChanged();

  private:
    struct Reading {
        std::uint32_t device = 0;
        QString name;
        bool adjustable = false;
        std::optional<float> level; // pa_cvolume_max / PA_VOLUME_NORM, unclamped
        bool muted = false;
    };

    struct OperationDeleter {
        void operator()(pa_operation* operation) const;
    };
    using Operation = std::unique_ptr<pa_operation, OperationDeleter>;

    // A volume change in flight; failed by hand when the connection drops, as libpulse then
    // forgets it without calling back.
    struct PendingSet {
        VolumeController* self;
        std::function<void(bool ok)> done;
    };

    void connectToServer();
    void dropContext();
    void scheduleRetry();
    void onContextState();
    void onSubscription(unsigned eventType, std::uint32_t index);
    void onServerInfo(const pa_server_info* info);
    void onSinkInfo(const pa_sink_info* info, int eol);
    void onSinkValues(const pa_sink_info* info, int eol);
    void showNoDevice();
    void apply(const Reading& reading);
    void finishSet(PendingSet* pending, bool ok);

    static void contextStateThunk(pa_context* context, void* self);
    static void subscribeThunk(pa_context* context, pa_subscription_event_type eventType, std::uint32_t index,
                               void* self);
    static void serverInfoThunk(pa_context* context, const pa_server_info* info, void* self);
    static void sinkInfoThunk(pa_context* context, const pa_sink_info* info, int eol, void* self);
    static void sinkValuesThunk(pa_context* context, const pa_sink_info* info, int eol, void* self);
    static void setDoneThunk(pa_context* context, int success, void* pending);

    KeyPoster postKey_;
    Options options_;
    Loop loopInUse_ = Loop::automatic;

    std::optional<float> volume_;
    bool isMuted_ = false;
    QString deviceName_;
    bool isAdjustable_ = false;
    std::uint32_t device_ = 0;
    std::optional<float> level_; // the unclamped level behind volume_, what a step compares
    std::uint8_t channels_ = 0;  // of the current sink, for setLevel
    // What adjust() asked for, kept until a reading requested after its last set arrives.
    std::optional<float> target_;
    int setsInFlight_ = 0;

    pa_glib_mainloop* glibLoop_ = nullptr;
    std::unique_ptr<PulseQtMainloop> qtLoop_;
    pa_mainloop_api* api_ = nullptr;
    pa_context* context_ = nullptr;
    bool started_ = false;

    // The sink whose change events are followed (PA_INVALID_INDEX: none). Cleared before the
    // default sink is looked up again, so a late event of the old sink is not taken for the new.
    std::uint32_t watchedSink_;
    Operation serverOp_;
    Operation sinkOp_;
    Operation valuesOp_;
    bool sinkSeen_ = false; // the pending sink lookup has delivered its sink
    std::vector<std::unique_ptr<PendingSet>> pendingSets_;

    QTimer retryTimer_;
    std::chrono::milliseconds retryDelay_;
};

} // namespace rimglider
