#include "App/Panel/Rows/RowProgress.h"

#include <QHBoxLayout>

#include "App/Panel/Controls/ActivitySpinner.h"
#include "App/Panel/Controls/PanelStyle.h"
#include "App/Panel/Rows/GhostCancelButton.h"
#include "Controls/TextView.h"

RowProgress::RowProgress(QWidget* parent)
    : QWidget(parent),
      note_(new TextView(QString(), PanelStyle::monoFont(10), Tint::of(ThemeColor::secondary))),
      spinner_(new ActivitySpinner),
      cancel_(new GhostCancelButton({})) {
    note_->setObjectName(QStringLiteral("note"));
    note_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    cancel_->setObjectName(QStringLiteral("cancelRestart"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(5);
    row->addWidget(note_);
    row->addWidget(spinner_);
    row->addWidget(cancel_);
}

void RowProgress::setNote(const QString& note, const std::optional<RestartEntry::ID>& restart) {
    note_->setText(note);
    if (restart) cancel_->setEntryID(*restart);
    cancel_->setVisible(restart.has_value());
}
