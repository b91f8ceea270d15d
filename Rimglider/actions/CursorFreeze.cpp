#include "CursorFreeze.h"

#include "AppSettings.h"

namespace rimglider {

CursorFreeze& CursorFreeze::shared()
{
    static CursorFreeze* instance = new CursorFreeze(); // never destroyed
    return *instance;
}

CursorFreeze::CursorFreeze(TaskScheduler scheduler) : scheduler_(std::move(scheduler)) {}

bool CursorFreeze::shouldFreeze(Tuning::FreezeFrom from, const AppSettings& settings, const Tuning& tuning)
{
    return settings.freezeCursor() && tuning.freezeFrom == from;
}

void CursorFreeze::freeze()
{
    if (isFrozen_) return;
    isFrozen_ = true;
    const std::int64_t frozenAs = ++generation_;
    if (onFrozenChange) onFrozenChange(true);
    // The freeze object lives for the whole process (tests keep theirs past their timers).
    scheduler_(safetyRelease, [this, frozenAs] {
        if (generation_ == frozenAs && isFrozen_) release();
    });
}

void CursorFreeze::release()
{
    if (!isFrozen_) return;
    isFrozen_ = false;
    ++generation_;
    if (onFrozenChange) onFrozenChange(false);
}

} // namespace rimglider
