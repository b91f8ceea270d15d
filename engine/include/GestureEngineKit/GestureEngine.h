// The gesture state machine: engine inputs in, gesture events out.
//
// The engine has no clock and no threads; its only notion of time is the time carried by
// each input, so live input and trace replay produce identical events for identical inputs.
// It must be fed from one thread at a time.
#pragma once

#include "GestureEngineKit/GestureConfig.h"
#include "GestureEngineKit/TouchTypes.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace GestureEngineKit {

class GestureEngine {
  public:
    class Phase {
      public:
        enum class Kind : std::uint8_t {
            idle,      // the next single finger may be claimed
            pending,   // one finger is claimed; its direction is not yet known
            slider,    // a vertical slide runs in sliderZone()
            finishing, // a swipe fired; waiting for the finger to lift
            ignored,   // the current touch is rejected until no finger touches
        };

        static constexpr Phase idle() { return Phase(Kind::idle); }
        static constexpr Phase pending() { return Phase(Kind::pending); }
        static constexpr Phase slider(Zone zone) { return Phase(Kind::slider, zone); }
        static constexpr Phase finishing() { return Phase(Kind::finishing); }
        static constexpr Phase ignored() { return Phase(Kind::ignored); }

        [[nodiscard]] constexpr Kind kind() const { return kind_; }
        // The side zone of a running slide; meaningless in other phases.
        [[nodiscard]] constexpr Zone sliderZone() const { return zone_; }

        friend constexpr bool operator==(Phase a, Phase b)
        {
            return a.kind_ == b.kind_ && (a.kind_ != Kind::slider || a.zone_ == b.zone_);
        }

      private:
        constexpr explicit Phase(Kind kind, Zone zone = Zone::left) : kind_(kind), zone_(zone) {}
        Kind kind_;
        Zone zone_;
    };

    // The finger tracked as a gesture candidate or gesture.
    struct Claim {
        std::int32_t touchID = 0;
        ZoneSet zones;
        double startTime = 0;
        double startX = 0;
        double startY = 0;
        double lastY = 0;         // y at which slider travel was last accounted
        double accumulatedMM = 0; // signed slider travel not yet turned into steps
        double maxDistanceMM = 0; // farthest straight-line distance from the start while pending
        bool clicked = false;     // the pad was pressed while pending

        friend bool operator==(const Claim&, const Claim&) = default;
    };

    // The most steps one input may produce. Only a degenerate step distance (a tiny fraction
    // of a millimetre) comes near it; it keeps such a configuration from flooding the caller.
    static constexpr int maxStepsPerInput = 1000;

    explicit GestureEngine(GestureConfig config = {}) : config_(config) {}

    // Feeds one input and returns the events it produced, in order (often none).
    std::vector<GestureEvent> handle(const EngineInput& input);
    // The same, appending to `events`; allocation-free when no event is produced.
    void handle(const EngineInput& input, std::vector<GestureEvent>& events);

    // Ends any claim: fingers still resting are ignored until all lift.
    std::vector<GestureEvent> reset();

    [[nodiscard]] const GestureConfig& config() const { return config_; }
    // Takes effect with the next input; resets nothing.
    void setConfig(const GestureConfig& config) { config_ = config; }

    [[nodiscard]] Phase phase() const { return phase_; }
    [[nodiscard]] const std::optional<Claim>& claim() const { return claim_; }
    [[nodiscard]] std::optional<ZoneSet> claimedZones() const;
    [[nodiscard]] ModifierState modifiers() const { return modifiers_; }
    [[nodiscard]] double lastKeyDown() const { return lastKeyDown_; }
    [[nodiscard]] std::optional<double> lastCornerTapEnd() const { return lastCornerTapEnd_; }

  private:
    using Events = std::vector<GestureEvent>;

    enum class Fingers : std::uint8_t { none, one, several };

    void handleFrame(const TouchFrame& frame, Events& events);
    void handleMouseDown(Events& events);

    // One handler per phase, each covering no finger, one finger and several fingers.
    void idleFrame(Fingers fingers, const TouchSample* sample, double time, Events& events);
    void pendingFrame(Fingers fingers, const TouchSample* sample, double time, Events& events);
    void sliderFrame(Fingers fingers, const TouchSample* sample, Events& events);
    void finishingFrame(Fingers fingers, const TouchSample* sample, Events& events);
    void ignoredFrame(Fingers fingers);

    void attemptClaim(const TouchSample& sample, double time, Events& events);
    void candidateStep(const TouchSample& sample, double time, Events& events);
    void sliderStep(const TouchSample& sample, Events& events);
    void evaluateLift(double time, Events& events);

    void endClaim(Phase next);
    void cancel(CancelReason reason, Events& events);

    GestureConfig config_;
    Phase phase_ = Phase::idle();
    std::optional<Claim> claim_;
    ModifierState modifiers_;
    double lastKeyDown_ = -std::numeric_limits<double>::infinity();
    std::optional<double> lastCornerTapEnd_;
};

} // namespace GestureEngineKit
