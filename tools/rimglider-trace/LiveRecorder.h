// Records a trace live through the input broker: the chosen touchpad's raw events become
// frames (with keep-alive frames) and its button presses clicks, exactly as an import of the
// same events does; the key stream gives key presses and modifier changes.
#pragma once

#include "RimgliderInput/BrokerProtocol.h"

#include "GestureEngineKit/Trace.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

namespace rimglider {

class LiveRecorder {
  public:
    // Why no recording could begin; one line, meant for the user.
    class Failure : public std::runtime_error {
      public:
        using std::runtime_error::runtime_error;
    };

    struct Options {
        std::string socketPath = broker::socketPath();
        // The machine's description is read below this folder: sys/class/dmi/id,
        // etc/os-release (or usr/lib/os-release), proc/sys/kernel/osrelease.
        std::string systemRoot = "/";
        std::optional<std::string> deviceName; // otherwise the first built-in touchpad, else the first
        std::optional<double> seconds;         // otherwise until stopped
        GestureEngineKit::TraceLabel label = GestureEngineKit::TraceLabel::normalWork;
        std::string note;
        GestureEngineKit::TraceDate recordedAt;
        std::chrono::milliseconds answerTimeout{2000};
        // Seconds on any steady scale; measures the recording's length.
        std::function<double()> clock;
    };

    struct Counts {
        double seconds = 0;
        std::size_t frames = 0, clicks = 0, keyPresses = 0, modifierChanges = 0;
    };

    struct Result {
        enum class End : std::uint8_t { timeUp, stopped, brokerGone, touchpadGone };
        GestureEngineKit::Trace trace;
        std::string touchpadName;
        End end = End::stopped;
        Counts counts;
    };

    explicit LiveRecorder(Options options);

    // Records until the time is up, `stop` becomes true, or the broker or the touchpad goes
    // away; what was recorded is returned in every case. `progress` is called about four
    // times a second. Throws Failure when recording cannot begin.
    Result record(const std::atomic<bool>& stop, const std::function<void(const Counts&)>& progress = {});

    // "product_name product_version" from DMI; empty when missing.
    static std::string hardwareModel(const std::string& systemRoot);
    // "PRETTY_NAME (Linux kernel-release)", as imports of `libinput record` files say it.
    static std::string osVersion(const std::string& systemRoot);

  private:
    Options options_;
};

} // namespace rimglider
