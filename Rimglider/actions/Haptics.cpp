#include "Haptics.h"

#include "Actuator.h"
#include "AppSettings.h"
#include "TuningSettings.h"

namespace rimglider {

Haptics& Haptics::shared()
{
    static Haptics* instance =
        new Haptics(AppSettings::shared(), TuningSettings::shared(), Actuator::shared()); // never destroyed
    return *instance;
}

Haptics::Haptics(const AppSettings& settings, const TuningSettings& tuning, Actuator& actuator,
                 Performer systemPerformer)
    : settings_(settings), tuning_(tuning), actuator_(actuator), systemPerformer_(std::move(systemPerformer))
{}

void Haptics::play(HapticPattern pattern)
{
    if (settings_.hapticStrength() == AppSettings::HapticStrength::off) return;
    if (const std::int32_t actuation = tuning_.values().actuatorID; actuation != 0) {
        actuator_.ensureOpen();
        if (actuator_.isOpen() && actuator_.actuate(actuation) == 0) return;
    }
    if (systemPerformer_) systemPerformer_(pattern);
}

} // namespace rimglider
