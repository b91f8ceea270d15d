// A desktop as far as posted system keys go. The compositor merges the modifiers of every
// keyboard, so a key arrives with whatever the user holds plus the virtual keyboard's own Shift
// of a fine key; GNOME 43's static media-key bindings then match that set exactly. A key no
// binding takes goes to the focused window instead.
#pragma once

#include "GestureEngineKit/TouchTypes.h"

#include <initializer_list>
#include <string>
#include <vector>

namespace rimglider::test {

class StandInDesktop {
  public:
    using Mods = GestureEngineKit::ModifierState;

    // What the desktop does with system key `code` (the codes of postSystemKey) posted with
    // `fine` while `held` is down: "volume up", "volume up precise", "volume up quiet", "mute",
    // "play", ...; empty when no binding takes it.
    static std::string actionFor(int code, bool fine, Mods held)
    {
        // Fn never leaves the keyboard: the desktop sees only the others.
        const Mods on = (fine ? held | Mods::shift : held) - Mods::function;
        const auto among = [on](std::initializer_list<Mods> sets) {
            for (Mods set : sets)
                if (on == set) return true;
            return false;
        };
        const Mods ctrl = Mods::control, shift = Mods::shift, alt = Mods::option;
        const auto volume = [&](const std::string& name) -> std::string {
            if (among({{}, ctrl})) return name;
            if (among({shift, ctrl | shift})) return name + " precise";
            if (among({alt, alt | ctrl})) return name + " quiet";
            return {};
        };
        switch (code) {
        case 0:
            return volume("volume up");
        case 1:
            return volume("volume down");
        case 2:
            return on.isEmpty() ? "brightness up" : "";
        case 3:
            return on.isEmpty() ? "brightness down" : "";
        case 7:
            return on.isEmpty() ? "mute" : on == alt ? "mute quiet" : "";
        case 16:
        case 17:
        case 18: {
            static const char* const names[] = {"play", "next", "previous"};
            return among({{}, ctrl}) ? names[code - 16] : "";
        }
        default:
            return {};
        }
    }

    // Takes a posted key: what the desktop did with it, or the key itself in `leaked`.
    std::string post(int code, bool fine, Mods held)
    {
        std::string action = actionFor(code, fine, held);
        (action.empty() ? leaked : applied).push_back(action.empty() ? std::to_string(code) : action);
        return action;
    }

    std::vector<std::string> applied;
    std::vector<std::string> leaked;
};

} // namespace rimglider::test
