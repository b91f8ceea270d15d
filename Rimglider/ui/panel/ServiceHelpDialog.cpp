#include "ServiceHelpDialog.h"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace rimglider {

namespace {

QLabel* paragraph(const QString& text)
{
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

// Commands never wrap: a line broken mid-word could not be pasted into a terminal.
QWidget* commandBlock(const QString& commands, const QString& name)
{
    auto* block = new QWidget;
    block->setObjectName(name);
    auto* row = new QHBoxLayout(block);
    row->setContentsMargins(0, 0, 0, 0);
    auto* text = new QPlainTextEdit(commands);
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    const QFontMetrics metrics(text->font());
    const int lines = int(commands.count(u'\n')) + 1;
    const int frame = 2 * (text->frameWidth() + int(text->document()->documentMargin())) + 2;
    text->setFixedHeight(lines * metrics.lineSpacing() + frame + text->horizontalScrollBar()->sizeHint().height());
    int widest = 0;
    for (const QString& line : commands.split(u'\n'))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    text->setMinimumWidth(std::min(widest + frame, 640));
    row->addWidget(text, 1);
    auto* copy = new QPushButton(QObject::tr("Copy"));
    copy->setAccessibleDescription(QObject::tr("Copies the commands"));
    QObject::connect(copy, &QPushButton::clicked, copy,
                     [commands] { QGuiApplication::clipboard()->setText(commands); });
    row->addWidget(copy, 0, Qt::AlignTop);
    return block;
}

} // namespace

ServiceHelpDialog::ServiceHelpDialog(const Permissions::ServiceHelp& help, QWidget* parent)
    : QDialog(parent), problem_(paragraph(QString()))
{
    setWindowTitle(tr("Input Service"));
    auto* column = new QVBoxLayout(this);
    QFont strong = problem_->font();
    strong.setBold(true);
    problem_->setFont(strong);
    problem_->setObjectName(QStringLiteral("problem"));
    problem_->hide();
    column->addWidget(problem_);
    column->addWidget(paragraph(help.intro));
    column->addWidget(commandBlock(help.installCommands, QStringLiteral("installCommands")));
    column->addWidget(paragraph(help.afterInstall));
    column->addWidget(paragraph(tr("To remove it:")));
    column->addWidget(commandBlock(help.removeCommands, QStringLiteral("removeCommands")));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    column->addWidget(buttons);
}

void ServiceHelpDialog::setProblem(const QString& problem)
{
    problem_->setText(problem);
    problem_->setVisible(!problem.isEmpty());
    adjustSize();
}

} // namespace rimglider
