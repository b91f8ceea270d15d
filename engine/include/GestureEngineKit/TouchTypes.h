// Plain value types of the gesture library: what the touchpad delivers, the keyboard and
// mouse context, the engine's one input type and the events it emits.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace GestureEngineKit {

// Times are seconds of one monotonic clock shared by every input source. Positions are
// normalised: x from 0 (left edge) to 1 (right edge), y from 0 (edge nearest the user) to 1.

// One finger contact within a frame.
struct TouchSample {
    std::int32_t id = 0;    // stable while the finger stays on the surface
    std::int32_t state = 0; // contact phase code: 3 begins touching, 4 keeps touching
    float x = 0;
    float y = 0;
    float majorAxis = 0;
    float minorAxis = 0;
    float absoluteX = 0;
    float absoluteY = 0;

    static constexpr std::int32_t stateTouchBegan = 3;
    static constexpr std::int32_t stateTouching = 4;

    // Hovering, lifting, lingering and out-of-range contacts are not fingers on the surface.
    [[nodiscard]] bool isTouching() const { return state == stateTouchBegan || state == stateTouching; }

    friend bool operator==(const TouchSample&, const TouchSample&) = default;
};

struct TouchFrame {
    double time = 0;
    std::vector<TouchSample> touches; // in the order the device delivered them

    friend bool operator==(const TouchFrame&, const TouchFrame&) = default;
};

// A set of held modifier keys, one bit each.
class ModifierState {
  public:
    constexpr ModifierState() = default;
    constexpr explicit ModifierState(std::uint8_t rawValue) : raw_(rawValue) {}
    constexpr ModifierState(std::initializer_list<ModifierState> members)
    {
        for (ModifierState m : members)
            raw_ |= m.raw_;
    }

    static const ModifierState shift;
    static const ModifierState control;
    static const ModifierState option;
    static const ModifierState command;
    static const ModifierState function;

    [[nodiscard]] constexpr std::uint8_t rawValue() const { return raw_; }
    [[nodiscard]] constexpr bool isEmpty() const { return raw_ == 0; }
    [[nodiscard]] constexpr bool contains(ModifierState other) const { return (raw_ & other.raw_) == other.raw_; }
    [[nodiscard]] constexpr bool isSubset(ModifierState of) const { return of.contains(*this); }

    constexpr ModifierState operator|(ModifierState o) const { return ModifierState(std::uint8_t(raw_ | o.raw_)); }
    constexpr ModifierState operator&(ModifierState o) const { return ModifierState(std::uint8_t(raw_ & o.raw_)); }
    constexpr ModifierState operator-(ModifierState o) const { return ModifierState(std::uint8_t(raw_ & ~o.raw_)); }
    constexpr ModifierState& operator|=(ModifierState o) { return *this = *this | o; }
    constexpr ModifierState& operator-=(ModifierState o) { return *this = *this - o; }

    friend constexpr bool operator==(ModifierState, ModifierState) = default;

  private:
    std::uint8_t raw_ = 0;
};

inline constexpr ModifierState ModifierState::shift(std::uint8_t(1));
inline constexpr ModifierState ModifierState::control(std::uint8_t(2));
inline constexpr ModifierState ModifierState::option(std::uint8_t(4));
inline constexpr ModifierState ModifierState::command(std::uint8_t(8));
inline constexpr ModifierState ModifierState::function(std::uint8_t(16));

enum class Zone : std::uint8_t { left, right, bottom, topRightCorner };
inline constexpr std::array<Zone, 4> allZones{Zone::left, Zone::right, Zone::bottom, Zone::topRightCorner};

// A set of zones. Iteration and text always follow the order of allZones.
class ZoneSet {
  public:
    constexpr ZoneSet() = default;
    constexpr ZoneSet(std::initializer_list<Zone> zones)
    {
        for (Zone z : zones)
            insert(z);
    }
    static constexpr ZoneSet all() { return {Zone::left, Zone::right, Zone::bottom, Zone::topRightCorner}; }

    constexpr void insert(Zone z) { bits_ = std::uint8_t(bits_ | bit(z)); }
    constexpr void erase(Zone z) { bits_ = std::uint8_t(bits_ & ~bit(z)); }
    [[nodiscard]] constexpr bool contains(Zone z) const { return (bits_ & bit(z)) != 0; }
    [[nodiscard]] constexpr bool isEmpty() const { return bits_ == 0; }
    [[nodiscard]] std::vector<Zone> members() const;

    constexpr ZoneSet operator|(ZoneSet o) const { return fromBits(std::uint8_t(bits_ | o.bits_)); }
    constexpr ZoneSet operator&(ZoneSet o) const { return fromBits(std::uint8_t(bits_ & o.bits_)); }
    constexpr ZoneSet operator-(ZoneSet o) const { return fromBits(std::uint8_t(bits_ & ~o.bits_)); }

    friend constexpr bool operator==(ZoneSet, ZoneSet) = default;

  private:
    static constexpr std::uint8_t bit(Zone z) { return std::uint8_t(1u << unsigned(z)); }
    static constexpr ZoneSet fromBits(std::uint8_t bits)
    {
        ZoneSet s;
        s.bits_ = bits;
        return s;
    }
    std::uint8_t bits_ = 0;
};

enum class SliderDirection : std::uint8_t { up, down };   // up: towards larger y
enum class SwipeDirection : std::uint8_t { left, right }; // right: towards larger x

enum class CancelReason : std::uint8_t {
    wrongDirection,
    extraFinger,
    fingerChanged,
    timeout,
    physicalClick,
    noGesture,
    reset,
};

// What the engine emits. Equal when case and payload are equal.
struct GestureEvent {
    // How a claim ended: completed, or cancelled for a reason.
    class Outcome {
      public:
        static constexpr Outcome completed() { return Outcome(std::nullopt); }
        static constexpr Outcome cancelled(CancelReason reason) { return Outcome(reason); }
        [[nodiscard]] constexpr bool isCompleted() const { return !reason_; }
        [[nodiscard]] constexpr std::optional<CancelReason> cancelReason() const { return reason_; }
        friend constexpr bool operator==(Outcome, Outcome) = default;

      private:
        constexpr explicit Outcome(std::optional<CancelReason> reason) : reason_(reason) {}
        std::optional<CancelReason> reason_;
    };

    struct Claimed {
        ZoneSet zones;
        friend bool operator==(const Claimed&, const Claimed&) = default;
    };
    struct Released {
        Outcome outcome;
        friend bool operator==(const Released&, const Released&) = default;
    };
    struct SliderBegan {
        Zone zone;
        friend bool operator==(const SliderBegan&, const SliderBegan&) = default;
    };
    struct SliderStep {
        Zone zone;
        SliderDirection direction;
        bool fine;
        friend bool operator==(const SliderStep&, const SliderStep&) = default;
    };
    struct Swipe {
        Zone zone;
        SwipeDirection direction;
        friend bool operator==(const Swipe&, const Swipe&) = default;
    };
    struct Tap {
        Zone zone;
        friend bool operator==(const Tap&, const Tap&) = default;
    };
    struct DoubleTap {
        Zone zone;
        friend bool operator==(const DoubleTap&, const DoubleTap&) = default;
    };

    // The alternatives are listed in case order; Kind follows the same order.
    using Payload = std::variant<Claimed, Released, SliderBegan, SliderStep, Swipe, Tap, DoubleTap>;
    enum class Kind : std::uint8_t { claimed, released, sliderBegan, sliderStep, swipe, tap, doubleTap };

    Payload payload;

    static GestureEvent claimed(ZoneSet zones) { return {Claimed{zones}}; }
    static GestureEvent released(Outcome outcome) { return {Released{outcome}}; }
    static GestureEvent sliderBegan(Zone zone) { return {SliderBegan{zone}}; }
    static GestureEvent sliderStep(Zone zone, SliderDirection direction, bool fine)
    {
        return {SliderStep{zone, direction, fine}};
    }
    static GestureEvent swipe(Zone zone, SwipeDirection direction) { return {Swipe{zone, direction}}; }
    static GestureEvent tap(Zone zone) { return {Tap{zone}}; }
    static GestureEvent doubleTap(Zone zone) { return {DoubleTap{zone}}; }

    [[nodiscard]] Kind kind() const { return Kind(payload.index()); }
    // Everything but claimed and released: what judging and summaries count.
    [[nodiscard]] bool isAction() const { return kind() != Kind::claimed && kind() != Kind::released; }
    template <class T>
    [[nodiscard]] const T* as() const
    {
        return std::get_if<T>(&payload);
    }

    friend bool operator==(const GestureEvent&, const GestureEvent&) = default;
};

// The engine's single input type.
struct EngineInput {
    struct KeyDown {
        double time;
        friend bool operator==(const KeyDown&, const KeyDown&) = default;
    };
    struct MouseDown {
        double time;
        friend bool operator==(const MouseDown&, const MouseDown&) = default;
    };
    struct Modifiers {
        ModifierState state;
        double time;
        friend bool operator==(const Modifiers&, const Modifiers&) = default;
    };

    using Payload = std::variant<TouchFrame, KeyDown, MouseDown, Modifiers>;
    enum class Kind : std::uint8_t { frame, keyDown, mouseDown, modifiers };

    Payload payload;

    static EngineInput frame(TouchFrame f) { return {std::move(f)}; }
    static EngineInput keyDown(double time) { return {KeyDown{time}}; }
    static EngineInput mouseDown(double time) { return {MouseDown{time}}; }
    static EngineInput modifiers(ModifierState state, double time) { return {Modifiers{state, time}}; }

    [[nodiscard]] Kind kind() const { return Kind(payload.index()); }
    [[nodiscard]] double time() const;
    template <class T>
    [[nodiscard]] const T* as() const
    {
        return std::get_if<T>(&payload);
    }

    friend bool operator==(const EngineInput&, const EngineInput&) = default;
};

// Names as they appear in JSON and in event texts.
std::string_view name(Zone);
std::string_view name(SliderDirection);
std::string_view name(SwipeDirection);
std::string_view name(CancelReason);
std::string_view name(GestureEvent::Kind);
std::optional<Zone> zoneNamed(std::string_view);
std::optional<SliderDirection> sliderDirectionNamed(std::string_view);
std::optional<SwipeDirection> swipeDirectionNamed(std::string_view);
std::optional<CancelReason> cancelReasonNamed(std::string_view);

// Textual forms: "sliderStep(right, up, fine: false)", "released(cancelled(timeout))",
// "claimed([right, topRightCorner])"; a list is "[a, b]".
std::string describe(ZoneSet);
std::string describe(GestureEvent::Outcome);
std::string describe(const GestureEvent&);
std::string describe(const std::vector<GestureEvent>&);

} // namespace GestureEngineKit
