// Which of the touchpad's contacts the desktop must not see (exclusive mode): the input service
// hides a contact from the touchpad's clone when told, until it lifts or is shown again.
//
// A claimed contact hides while the pointer is frozen (freezeCursor, from the claim or from the
// gesture), and always when claimed in a tap zone (the top-right corner, the bottom edge with
// its tap on): the desktop would make a tap-to-click of that finger itself. A claim that ends in
// a gesture leaves its contact hidden until it lifts; a cancelled one (the finger moved inward
// to point, a second finger came) shows it again where it is now. A freeze that ends on its own
// (the safety release) shows a side-edge contact again too. Main thread.
#pragma once

#include "TaskScheduler.h"

#include "GestureEngineKit/GestureConfig.h"
#include "GestureEngineKit/TouchTypes.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace rimglider {

class ContactHider {
  public:
    using Hide = std::function<void(std::int32_t touchId, bool hide)>;

    ContactHider(Hide hide, TaskScheduler scheduler);

    // The events of one input, with the contact the engine claimed by then (see
    // GesturePipeline::claimedTouchOfDelivery).
    void handle(const std::vector<GestureEngineKit::GestureEvent>& events, std::optional<std::int32_t> claimedTouch,
                const GestureEngineKit::GestureConfig& config);
    // CursorFreeze's changes. A release is judged a turn of the event loop later, once the
    // events that caused it (a claim's end, which decides by itself) have been handled.
    void frozenChanged(bool frozen);

  private:
    struct Claim {
        std::int32_t touch = 0;
        bool tapZone = false;
        bool hidden = false;
        std::uint64_t serial = 0;
    };
    void hide(Claim& claim);

    Hide hide_;
    TaskScheduler scheduler_;
    std::optional<Claim> claim_;
    bool frozen_ = false;
    std::uint64_t serial_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true); // for the deferred judgement
};

} // namespace rimglider
