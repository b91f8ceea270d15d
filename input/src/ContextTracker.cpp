#include "RimgliderInput/ContextTracker.h"

namespace rimglider {

using GestureEngineKit::EngineInput;
using GestureEngineKit::ModifierState;

std::optional<EngineInput> ContextEvent::engineInput() const
{
    switch (kind) {
    case Kind::keyDown:
        return EngineInput::keyDown(time);
    case Kind::modifiersChanged:
        return EngineInput::modifiers(modifiers, time);
    case Kind::buttonDown:
        return EngineInput::mouseDown(time);
    case Kind::buttonUp:
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<ModifierState> ContextTracker::modifierOf(std::uint16_t keyCode)
{
    switch (keyCode) {
    case KEY_LEFTSHIFT:
    case KEY_RIGHTSHIFT:
        return ModifierState::shift;
    case KEY_LEFTCTRL:
    case KEY_RIGHTCTRL:
        return ModifierState::control;
    case KEY_LEFTALT:
    case KEY_RIGHTALT:
        return ModifierState::option; // AltGr is the right Alt key
    case KEY_LEFTMETA:
    case KEY_RIGHTMETA:
        return ModifierState::command;
    case KEY_FN:
        return ModifierState::function;
    default:
        return std::nullopt;
    }
}

bool ContextTracker::isKeyboardKey(std::uint16_t code)
{
    // Key codes sit around the button blocks (BTN_MISC..BTN_GEAR_UP, the D-pad, trigger-happy).
    return (code > KEY_RESERVED && code < BTN_MISC) || (code >= KEY_OK && code < BTN_DPAD_UP) ||
           (code > BTN_DPAD_RIGHT && code < BTN_TRIGGER_HAPPY);
}

ModifierState ContextTracker::modifiers() const
{
    ModifierState held;
    for (std::uint16_t code : {KEY_LEFTSHIFT, KEY_RIGHTSHIFT, KEY_LEFTCTRL, KEY_RIGHTCTRL, KEY_LEFTALT, KEY_RIGHTALT,
                               KEY_LEFTMETA, KEY_RIGHTMETA, KEY_FN})
        if (heldModifierKeys_.test(code)) held |= *modifierOf(code);
    return held;
}

std::optional<ContextEvent> ContextTracker::handle(const InputEvent& event)
{
    if (event.type != EV_KEY || event.code >= KEY_CNT) return std::nullopt;
    constexpr std::int32_t released = 0, pressed = 1; // 2 is autorepeat
    if (event.value != released && event.value != pressed) return std::nullopt;
    const bool down = event.value == pressed;

    if (modifierOf(event.code)) {
        heldModifierKeys_.set(event.code, down);
        return ContextEvent{ContextEvent::Kind::modifiersChanged, event.time, modifiers()};
    }
    if (event.code >= BTN_LEFT && event.code <= BTN_TASK)
        return ContextEvent{down ? ContextEvent::Kind::buttonDown : ContextEvent::Kind::buttonUp, event.time,
                            modifiers(), event.code - BTN_MOUSE};
    if (down && isKeyboardKey(event.code)) return ContextEvent{ContextEvent::Kind::keyDown, event.time, modifiers()};
    return std::nullopt;
}

} // namespace rimglider
