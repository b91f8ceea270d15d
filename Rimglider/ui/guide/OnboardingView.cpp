#include "OnboardingView.h"

#include "DoneStep.h"
#include "ExtrasStep.h"
#include "GuideParts.h"
#include "LessonStep.h"
#include "OnboardingModel.h"
#include "PermissionStep.h"
#include "Permissions.h"
#include "WelcomeStep.h"

#include <QCloseEvent>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>

namespace rimglider {

namespace {

constexpr int dotSize = 7;
constexpr int dotGap = 8;

QPixmap dotsPixmap(int count, int current, const QPalette& palette, qreal ratio)
{
    const QSize size(count * dotSize + std::max(0, count - 1) * dotGap, dotSize);
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    QColor idle = palette.color(QPalette::PlaceholderText);
    idle.setAlphaF(0.35f);
    for (int i = 0; i < count; ++i) {
        painter.setBrush(i == current ? palette.color(QPalette::Highlight) : idle);
        painter.drawEllipse(QRectF(i * (dotSize + dotGap), 0, dotSize, dotSize));
    }
    return pixmap;
}

} // namespace

OnboardingView::OnboardingView(OnboardingModel& model, LoginItem& loginItem, QWidget* parent)
    : QWidget(parent), model_(model), loginItem_(loginItem), contentSlot_(new QVBoxLayout), dots_(new QLabel),
      back_(new QPushButton(tr("Back"))), skip_(new QPushButton(tr("Skip"))), primary_(new QPushButton)
{
    setFixedSize(fixedSize);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(28, 24, 28, 20);
    column->setSpacing(14);
    column->addLayout(contentSlot_, 1);
    column->addWidget(dots_, 0, Qt::AlignHCenter);

    auto* footer = new QHBoxLayout;
    footer->addWidget(back_);
    footer->addStretch();
    footer->addWidget(skip_);
    footer->addWidget(primary_);
    column->addLayout(footer);

    primary_->setDefault(true);
    primary_->setObjectName(QStringLiteral("primary"));
    stylePrimary();
    for (const auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        connect(shortcut, &QShortcut::activated, this, [this] {
            if (primary_->isVisible() && primary_->isEnabled()) primary_->click();
        });
    }
    connect(back_, &QPushButton::clicked, &model, &OnboardingModel::back);
    connect(skip_, &QPushButton::clicked, &model, [&model] {
        if (model.step() == OnboardingStep::permission)
            model.continueWithoutAccess();
        else
            model.next();
    });
    connect(primary_, &QPushButton::clicked, this, &OnboardingView::primaryClicked);

    connect(&model, &OnboardingModel::stepChanged, this, &OnboardingView::showStep);
    connect(&model, &OnboardingModel::progressChanged, this, &OnboardingView::refreshFooter);
    connect(&model, &OnboardingModel::availabilityChanged, this, &OnboardingView::refreshDots);
    connect(&model.permissions(), &Permissions::isAccessibilityGrantedChanged, this, &OnboardingView::refreshFooter);
    showStep();
}

void OnboardingView::showStep()
{
    using GestureEngineKit::EdgeAction;
    if (content_ != nullptr) {
        contentSlot_->removeWidget(content_);
        content_->deleteLater();
        content_->hide();
    }
    switch (model_.step()) {
    case OnboardingStep::welcome:
        content_ = new WelcomeStep(model_);
        break;
    case OnboardingStep::permission:
        content_ = new PermissionStep(model_.permissions());
        break;
    case OnboardingStep::volume:
        content_ = new LessonStep(model_, EdgeAction::volume);
        break;
    case OnboardingStep::brightness:
        content_ = new LessonStep(model_, EdgeAction::brightness);
        break;
    case OnboardingStep::extras:
        content_ = new ExtrasStep(model_);
        break;
    case OnboardingStep::done:
        content_ = new DoneStep(loginItem_);
        break;
    }
    content_->setObjectName(onboardingStepName(model_.step()));
    contentSlot_->addWidget(content_);
    refreshDots();
    refreshFooter();
}

void OnboardingView::refreshDots()
{
    const auto visible = model_.visibleSteps();
    dotCount_ = int(visible.size());
    const auto at = std::ranges::find(visible, model_.step());
    const int current = at == visible.end() ? -1 : int(at - visible.begin());
    dots_->setPixmap(dotsPixmap(dotCount_, current, palette(), devicePixelRatioF()));
    dots_->setAccessibleName(tr("Step %1 of %2").arg(current + 1).arg(dotCount_));
}

void OnboardingView::refreshFooter()
{
    const auto step = model_.step();
    const bool canContinue = model_.canContinue();
    const bool lesson = step == OnboardingStep::volume || step == OnboardingStep::brightness;
    back_->setVisible(step != OnboardingStep::welcome && step != OnboardingStep::done);
    const bool permission = step == OnboardingStep::permission;
    skip_->setVisible((lesson || permission) && !canContinue);
    skip_->setText(permission ? tr("Continue without access") : tr("Skip"));
    switch (step) {
    case OnboardingStep::welcome:
        primary_->setText(tr("Get Started"));
        break;
    case OnboardingStep::done:
        primary_->setText(tr("Start Using Rimglider"));
        break;
    case OnboardingStep::permission:
    case OnboardingStep::volume:
    case OnboardingStep::brightness:
    case OnboardingStep::extras:
        primary_->setText(tr("Continue"));
        break;
    }
    primary_->setEnabled(canContinue);
    primary_->setMinimumWidth(std::max(120, primary_->fontMetrics().horizontalAdvance(primary_->text()) + 40));
}

void OnboardingView::primaryClicked()
{
    if (model_.step() == OnboardingStep::done) {
        model_.markCompleted();
        if (isWindow()) close();
        return;
    }
    model_.next();
}

void OnboardingView::stylePrimary()
{
    primary_->setStyleSheet(guide::prominentStyle(palette()));
}

void OnboardingView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange) {
        stylePrimary();
        refreshDots();
    }
    QWidget::changeEvent(event);
}

void OnboardingView::closeEvent(QCloseEvent* event)
{
    model_.windowWillClose();
    QWidget::closeEvent(event);
}

} // namespace rimglider
