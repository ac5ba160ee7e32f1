#pragma once
// Reading the settings windows back as a user sees them: the rows of a form section, widgets by
// name, keys pressed on a widget, the message boxes that are open.

#include <QApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QMessageBox>
#include <QWidget>

#include <string>
#include <vector>

#include "App/Settings/FilterRows.h"
#include "App/Settings/SettingsForm.h"

namespace settings_test {

template <class Widget = QWidget>
Widget* named(const QWidget& parent, const char* name) {
    return parent.findChild<Widget*>(QString::fromLatin1(name));
}

// The texts of a section's list rows, top to bottom.
inline std::vector<std::string> rowTexts(const QWidget& page, const char* section) {
    std::vector<std::string> texts;
    const auto* form = named<FormSection>(page, section);
    if (!form) return texts;
    for (int i = 0; i < form->rows()->count(); ++i) {
        const QWidget* row = form->rows()->itemAt(i)->widget();
        if (const auto* text = row ? row->findChild<ElidedLabel*>(QStringLiteral("rowText")) : nullptr)
            texts.push_back(text->text().toStdString());
    }
    return texts;
}

// The "Remove" button of the row showing `text`.
inline QAbstractButton* removeButton(const QWidget& page, const char* section, const std::string& text) {
    const auto* form = named<FormSection>(page, section);
    for (int i = 0; form && i < form->rows()->count(); ++i) {
        const QWidget* row = form->rows()->itemAt(i)->widget();
        const auto* label = row ? row->findChild<ElidedLabel*>(QStringLiteral("rowText")) : nullptr;
        if (label && label->text().toStdString() == text) return row->findChild<QAbstractButton*>();
    }
    return nullptr;
}

inline void press(QWidget* widget, Qt::Key key) {
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier), up(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &down);
    QApplication::sendEvent(widget, &up);
}

inline std::vector<QMessageBox*> openMessageBoxes() {
    std::vector<QMessageBox*> boxes;
    for (QWidget* widget : QApplication::allWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) boxes.push_back(box);
    return boxes;
}

inline void closeMessageBoxes() {
    for (QMessageBox* box : openMessageBoxes()) box->done(0);
    QApplication::processEvents();
}

}  // namespace settings_test
