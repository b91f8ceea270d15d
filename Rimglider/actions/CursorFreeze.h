// Holds the pointer still while a gesture owns the finger, with a safety release: a freeze
// that nobody releases ends by itself after ten seconds.
//
// onFrozenChange holds the pointer: in exclusive mode the claimed contact is hidden from the
// desktop (ContactHider). Observe-only (exclusiveMode=false, or a service that cannot grab the
// touchpad) the state, its generation and the safety timer are kept all the same.
#pragma once

#include "TaskScheduler.h"
#include "TuningSettings.h"

#include <chrono>
#include <cstdint>
#include <functional>

namespace rimglider {

class AppSettings;

class CursorFreeze {
  public:
    static constexpr std::chrono::milliseconds safetyRelease{10'000};

    static CursorFreeze& shared();

    explicit CursorFreeze(TaskScheduler scheduler = mainThreadScheduler());

    // The pointer is held from `from` on exactly when freezing is switched on and the tuning
    // picks that moment.
    static bool shouldFreeze(Tuning::FreezeFrom from, const AppSettings& settings, const Tuning& tuning);

    // Main thread only. freeze() while frozen does nothing (and starts no second timer);
    // release() while free does nothing. Every change advances the generation, so the safety
    // timer of an earlier freeze never ends a later one.
    void freeze();
    void release();

    [[nodiscard]] bool isFrozen() const { return isFrozen_; }
    [[nodiscard]] std::int64_t generation() const { return generation_; }

    std::function<void(bool frozen)> onFrozenChange;

  private:
    TaskScheduler scheduler_;
    bool isFrozen_ = false;
    std::int64_t generation_ = 0;
};

} // namespace rimglider
