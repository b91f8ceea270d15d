// The welcome guide's steps, in order. Their names are the values "--onboarding-step" accepts.
#pragma once

#include <QString>

#include <array>
#include <optional>

namespace rimglider {

enum class OnboardingStep { welcome, permission, volume, brightness, extras, done };

inline constexpr std::array allOnboardingSteps{OnboardingStep::welcome, OnboardingStep::permission,
                                               OnboardingStep::volume,  OnboardingStep::brightness,
                                               OnboardingStep::extras,  OnboardingStep::done};

QString onboardingStepName(OnboardingStep step);

// The step whose name is exactly `name`; none for any other text.
std::optional<OnboardingStep> onboardingStepNamed(const QString& name);

} // namespace rimglider
