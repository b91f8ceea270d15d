#include "OrdinaryUse.h"

#include "GestureEngineKit/GestureScript.h"

#include <cstdint>

namespace bench {

using namespace GestureEngineKit;

namespace {

// A small fixed-seed generator: the same stream on every run.
class Dice {
  public:
    float unit() // in [0, 1)
    {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return float(state_ >> 40) / float(1u << 24);
    }
    float between(float lo, float hi) { return lo + (hi - lo) * unit(); }

  private:
    std::uint64_t state_ = 0x5eed;
};

} // namespace

Trace ordinaryUse(std::size_t inputs)
{
    GestureScript hand(1000.0);
    Dice dice;
    std::int32_t id = 1;
    while (hand.inputs().size() < inputs) {
        const float choice = dice.unit();
        if (choice < 0.55f) { // pointer movement
            hand.down(id, dice.between(0.2f, 0.8f), dice.between(0.2f, 0.8f));
            for (int leg = 0; leg < 4; ++leg)
                hand.glide(dice.between(0.2f, 0.8f), dice.between(-0.1f, 0.1f), dice.between(-0.1f, 0.1f));
            hand.upAll();
        } else if (choice < 0.75f) { // two-finger scroll
            const float x = dice.between(0.3f, 0.6f), y = dice.between(0.3f, 0.5f);
            hand.down(id, x, y).down(id + 1, x + 0.1f, y).glide(dice.between(0.3f, 1.0f), 0, dice.between(-0.3f, 0.3f));
            hand.upAll();
            ++id;
        } else if (choice < 0.85f) { // tap, then typing
            hand.down(id, dice.between(0.2f, 0.8f), dice.between(0.2f, 0.8f)).hold(0.05).upAll();
            for (int k = 0; k < 5; ++k)
                hand.wait(0.15).keyDown();
        } else if (choice < 0.93f) { // a slide along an edge
            const bool right = dice.unit() < 0.5f;
            const float dy = dice.unit() < 0.5f ? 0.3f : -0.3f;
            hand.down(id, right ? 0.95f : 0.04f, 0.5f - dy / 2).glide(dice.between(0.3f, 0.8f), 0, dy).upAll();
        } else if (choice < 0.97f) { // corner double tap
            hand.down(id, 0.95f, 0.95f).hold(0.06).upAll().wait(0.12).down(id + 1, 0.95f, 0.95f).hold(0.06).upAll();
            ++id;
        } else { // bottom swipe
            hand.down(id, 0.3f, 0.03f).glide(0.25, dice.unit() < 0.5f ? 0.3f : -0.2f, 0).upAll();
        }
        ++id;
        hand.wait(dice.between(0.05f, 0.6f));
    }
    return Trace{TraceHeader(TraceLabel::normalWork, {}, "benchmark", "", true, ""), hand.take()};
}

} // namespace bench
