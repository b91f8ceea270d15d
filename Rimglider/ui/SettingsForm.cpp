#include "SettingsForm.h"

#include "ToggleSwitch.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

namespace rimglider::form {

QGridLayout* addSection(QVBoxLayout* page, const QString& title)
{
    auto* group = new QGroupBox(title);
    auto* grid = new QGridLayout(group);
    grid->setColumnStretch(0, 1);
    grid->setContentsMargins(12, 8, 12, 8);
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(7);
    page->addWidget(group);
    return grid;
}

void addRow(QGridLayout* section, QWidget* label, QWidget* control)
{
    const int row = section->rowCount() == 1 && section->itemAtPosition(0, 0) == nullptr ? 0 : section->rowCount();
    if (control == nullptr) {
        section->addWidget(label, row, 0, 1, 2);
        return;
    }
    section->addWidget(label, row, 0, Qt::AlignVCenter);
    section->addWidget(control, row, 1, Qt::AlignRight | Qt::AlignVCenter);
}

QWidget* rowLabel(const QString& title, const QString& subtitle)
{
    auto* widget = new QWidget;
    auto* column = new QVBoxLayout(widget);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(1);
    auto* titleLabel = new QLabel(title);
    titleLabel->setObjectName(QStringLiteral("title"));
    column->addWidget(titleLabel);
    if (!subtitle.isEmpty()) {
        auto* subtitleLabel = secondaryLabel(subtitle);
        subtitleLabel->setObjectName(QStringLiteral("subtitle"));
        column->addWidget(subtitleLabel);
    }
    return widget;
}

QLabel* secondaryLabel(const QString& text)
{
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.9);
    label->setFont(font);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

QAbstractButton* addToggle(QGridLayout* section, const QString& title, const QString& subtitle)
{
    auto* toggle = new ToggleSwitch(ToggleSwitch::Size::small);
    toggle->setAccessibleName(title);
    toggle->setAccessibleDescription(subtitle);
    auto* label = rowLabel(title, subtitle);
    label->findChild<QLabel*>(QStringLiteral("title"))->setBuddy(toggle);
    addRow(section, label, toggle);
    return toggle;
}

QComboBox* addPicker(QGridLayout* section, const QString& title, const QStringList& choices, const QString& subtitle)
{
    auto* picker = new QComboBox;
    picker->addItems(choices);
    picker->setAccessibleName(title);
    picker->setAccessibleDescription(subtitle);
    auto* label = rowLabel(title, subtitle);
    label->findChild<QLabel*>(QStringLiteral("title"))->setBuddy(picker);
    addRow(section, label, picker);
    return picker;
}

} // namespace rimglider::form
