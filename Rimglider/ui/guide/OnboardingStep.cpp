#include "OnboardingStep.h"

namespace rimglider {

QString onboardingStepName(OnboardingStep step)
{
    switch (step) {
    case OnboardingStep::welcome:
        return QStringLiteral("welcome");
    case OnboardingStep::permission:
        return QStringLiteral("permission");
    case OnboardingStep::volume:
        return QStringLiteral("volume");
    case OnboardingStep::brightness:
        return QStringLiteral("brightness");
    case OnboardingStep::extras:
        return QStringLiteral("extras");
    case OnboardingStep::done:
        return QStringLiteral("done");
    }
    return {};
}

std::optional<OnboardingStep> onboardingStepNamed(const QString& name)
{
    for (const auto step : allOnboardingSteps) {
        if (onboardingStepName(step) == name) return step;
    }
    return std::nullopt;
}

} // namespace rimglider
