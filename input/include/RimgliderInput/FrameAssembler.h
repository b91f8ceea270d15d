// Turns a touchpad's kernel input events into touch frames: one frame per SYN_REPORT.
//
// Pure and incremental, so the live device reader and the recording importer share it:
// feed every event of the touchpad to push(); between events, keepAlive() fills the gaps a
// resting finger leaves (many pads go quiet under a still finger, and the engine needs frames
// to notice a timeout).
#pragma once

#include "RimgliderInput/EvdevDevice.h"

#include "GestureEngineKit/TouchTypes.h"

#include <optional>
#include <stdexcept>
#include <vector>

namespace rimglider {

class FrameAssembler {
  public:
    // A gap longer than this, with a contact down, is filled with repeated frames.
    static constexpr double keepAliveInterval = 1.0 / 30.0;
    // Gaps are filled for at most this long after the last report: every engine timeout has
    // fired by then, and a stalled or corrupt stream cannot turn into a flood of frames.
    static constexpr double maxKeepAliveSpan = 60.0;

    // Thrown when a device cannot give touch frames.
    class UnsupportedDevice : public std::runtime_error {
      public:
        using std::runtime_error::runtime_error;
    };

    // Multitouch protocol B (slots), or a single-touch pad (ABS_X/ABS_Y with BTN_TOUCH).
    explicit FrameAssembler(const DeviceDescription& device);

    // One event in; the frame it completes out (at SYN_REPORT), stamped with the report's time.
    std::optional<GestureEngineKit::TouchFrame> push(const InputEvent& event);

    // The frame that repeats the contacts of the last one, when a contact is down and more
    // than keepAliveInterval has passed since the last frame by `now`. Call it until it
    // returns nothing: each frame is the previous one's time plus keepAliveInterval.
    std::optional<GestureEngineKit::TouchFrame> keepAlive(double now);

    // When keepAlive() will next have a frame to give, if a contact is down.
    [[nodiscard]] std::optional<double> nextKeepAlive() const;

    [[nodiscard]] bool isMultitouch() const { return multitouch_; }

  private:
    struct Contact {
        std::int32_t trackingId = -1; // -1: the slot is empty
        std::int32_t x = 0;
        std::int32_t y = 0;
        std::int32_t touchMajor = 0;
        std::int32_t touchMinor = 0;
        std::int32_t distance = 0;
        std::int32_t toolType = 0;
        bool announced = false; // a frame has shown it touching
    };

    // How a raw axis value becomes a sample field.
    struct Axis {
        double minimum = 0;
        double range = 1;
        [[nodiscard]] double normalised(std::int32_t value) const { return (value - minimum) / range; }
    };

    void pushMultitouch(const InputEvent& event);
    void pushSingleTouch(const InputEvent& event);
    GestureEngineKit::TouchFrame buildFrame(const std::vector<Contact>& contacts, double time) const;
    GestureEngineKit::TouchFrame commitFrame(double time);

    bool multitouch_;
    Axis xAxis_, yAxis_;
    double majorScale_ = 0; // per raw unit: 1 / resolution, 1 without resolution, 0 without the axis
    double minorScale_ = 0;
    std::vector<Contact> contacts_;  // as the events so far describe them
    std::vector<Contact> committed_; // as of the last SYN_REPORT that made a frame
    int slot_ = 0;                   // -1 while an out-of-range slot is selected
    int committedSlot_ = 0;
    bool dropping_ = false; // after SYN_DROPPED, until the next SYN_REPORT
    std::optional<double> lastFrameTime_;
    double lastReportTime_ = 0; // of the last frame made by a SYN_REPORT
    bool contactDown_ = false;  // the last frame had a touching contact
};

} // namespace rimglider
