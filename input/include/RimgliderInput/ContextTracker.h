// Keyboard and button events as the gesture engine's context: key presses (typing guard),
// the set of held modifiers (fine steps, required modifier) and button presses (clicks).
#pragma once

#include "RimgliderInput/EvdevDevice.h"

#include "GestureEngineKit/TouchTypes.h"

#include <bitset>
#include <optional>

namespace rimglider {

struct ContextEvent {
    enum class Kind : std::uint8_t {
        keyDown,          // a non-modifier key went down
        modifiersChanged, // a modifier key went down or up; `modifiers` is the whole held set
        buttonDown,       // a mouse button went down; `button` is its number (0 left, 1 right, ...)
        buttonUp,
    };
    Kind kind;
    double time;
    GestureEngineKit::ModifierState modifiers;
    int button = 0;

    // What the engine is told; a button release tells it nothing.
    [[nodiscard]] std::optional<GestureEngineKit::EngineInput> engineInput() const;

    friend bool operator==(const ContextEvent&, const ContextEvent&) = default;
};

class ContextTracker {
  public:
    // The context event an EV_KEY event stands for, if any. Autorepeat is not a new press.
    std::optional<ContextEvent> handle(const InputEvent& event);

    [[nodiscard]] GestureEngineKit::ModifierState modifiers() const;

    // Shift, Ctrl, Alt/AltGr, Super and Fn, left and right keys alike.
    static std::optional<GestureEngineKit::ModifierState> modifierOf(std::uint16_t keyCode);
    // Keyboard keys, as opposed to buttons (mouse, touchpad tools, joystick).
    static bool isKeyboardKey(std::uint16_t code);

  private:
    std::bitset<KEY_CNT> heldModifierKeys_;
};

} // namespace rimglider
