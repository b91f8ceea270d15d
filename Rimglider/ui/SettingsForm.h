// Building blocks shared by the settings tabs: grouped sections of rows, each a label (a title
// over a smaller secondary subtitle) that takes the free width and a control on the trailing
// side, so the controls of every section line up.
#pragma once

#include <QString>
#include <QStringList>

class QAbstractButton;
class QComboBox;
class QGridLayout;
class QLabel;
class QVBoxLayout;
class QWidget;

namespace rimglider::form {

// A titled (or untitled, for an empty title) group added to `page`, with its row grid.
QGridLayout* addSection(QVBoxLayout* page, const QString& title);

// A row: `label` on the leading side, `control` (if any) on the trailing side.
void addRow(QGridLayout* section, QWidget* label, QWidget* control = nullptr);

// The two-line label of a row: title, then subtitle in the secondary style (none when empty).
QWidget* rowLabel(const QString& title, const QString& subtitle = {});

// Text in the secondary style, wrapping.
QLabel* secondaryLabel(const QString& text);

// A row with a switch on the trailing side; the title names it for assistive technology.
QAbstractButton* addToggle(QGridLayout* section, const QString& title, const QString& subtitle = {});

// A row with a drop-down of `choices`.
QComboBox* addPicker(QGridLayout* section, const QString& title, const QStringList& choices,
                     const QString& subtitle = {});

} // namespace rimglider::form
