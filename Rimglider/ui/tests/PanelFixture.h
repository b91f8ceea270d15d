// The panel's observed objects, private to one test: the window services (settings on a
// temporary store, permissions whose answer the test sets, updates without a feed), volume and
// brightness controllers that are not started (no sound server, no backlight: the unavailable
// states), and a touch-input status the test chooses.
#pragma once

#include "BrightnessController.h"
#include "MenuView.h"
#include "TouchInput.h"
#include "VolumeController.h"
#include "WindowTestServices.h"

#include <chrono>
#include <memory>

namespace rimglider::test {

struct PanelFixture : WindowTestServices {
    PanelFixture() { grant(); }

    // The panel on these objects, its actions recorded in `calls`.
    std::unique_ptr<MenuView> makeView()
    {
        const auto record = [this](const char* window) { return [this, window] { calls << window; }; };
        MenuView::Actions actions{.settingsWindow = record("settings"),
                                  .welcomeGuide = record("guide"),
                                  .debugWindow = {}, // none in this build
                                  .about = record("about"),
                                  .quit = record("quit")};
        return std::make_unique<MenuView>(MenuView::Sources{settings, volume, brightness, permissions, updates,
                                                            [this] { return touch; }, [this] { return hasFeed; }},
                                          std::move(actions));
    }

    // No sound server, and no retry within a test.
    VolumeController volume{[](int, bool) {},
                            {.server = QStringLiteral("unix:/nonexistent/native"),
                             .firstRetry = std::chrono::hours(1),
                             .longestRetry = std::chrono::hours(1)}};
    BrightnessController brightness{[](int, bool) {}};
    TouchInput::Status touch = TouchInput::Status::running(1);
    bool hasFeed = false;
    QStringList calls; // the windows and actions the panel asked for
};

} // namespace rimglider::test
