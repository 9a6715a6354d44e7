#pragma once

#include <QButtonGroup>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <string>

#include "model/observable.h"
#include "model/settings_table.h"

// Small builders shared by the window's frames: every control carries the name the procedures
// and the tests know it by, and every setting control follows its field both ways.
namespace kov::qt {

inline QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

template <class W>
W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

inline QRadioButton* Option(const char* name, const char* caption) {
    return Named(new QRadioButton(QString::fromLatin1(caption)), name);
}

// A control's caption as the settings table gives it (an option pair's second button included).
inline const char* Caption(const char* control) {
    const SettingField* f = FindSetting(control);
    if (f == nullptr) {
        return "";
    }
    return f->otherControl != nullptr && std::string(control) == f->otherControl ? f->otherCaption
                                                                                 : f->caption;
}

// An option button of the settings table, named and captioned by it.
inline QRadioButton* SettingOption(const char* control) {
    return Option(control, Caption(control));
}

// Two option buttons that exclude each other and nothing else.
inline void GroupPair(QObject* owner, QRadioButton* a, QRadioButton* b) {
    auto* group = new QButtonGroup(owner);
    group->addButton(a);
    group->addButton(b);
}

// A text box follows its field: an edit goes straight into the settings; a rewrite by the core
// comes back. `context` ends the edit connection with the control's owner.
inline void BindText(QLineEdit* edit, Observable<std::string>& field, QObject* context) {
    edit->setText(Q(field()));
    QObject::connect(edit, &QLineEdit::textEdited, context,
                     [&field](const QString& t) { field.set(t.toStdString()); });
    field.observe([edit](const std::string& value) {
        const QString t = Q(value);
        if (edit->text() != t) {
            edit->setText(t);
        }
    });
}

inline QLineEdit* BoundTextBox(const char* name, Observable<std::string>& field, QObject* context) {
    auto* edit = Named(new QLineEdit, name);
    edit->setMaximumWidth(90);
    BindText(edit, field, context);
    return edit;
}

// An option pair bound to its field: true while the first button is selected.
inline void BindPair(QRadioButton* first, QRadioButton* second, Observable<bool>& field,
                     QObject* context) {
    (field() ? first : second)->setChecked(true);
    QObject::connect(first, &QRadioButton::toggled, context, [&field](bool on) {
        if (on) {
            field.set(true);
        }
    });
    QObject::connect(second, &QRadioButton::toggled, context, [&field](bool on) {
        if (on) {
            field.set(false);
        }
    });
    field.observe([first, second](bool value) { (value ? first : second)->setChecked(true); });
}

// The horizon heights of the Map Points pattern, in the order of their grid.
inline constexpr const char* kHorizonHeights[] = {"tEast", "tWest", "tNorth", "tSouth"};

// The text box of a text setting of the settings table, bound to its field.
inline QLineEdit* SettingTextBox(const char* control, RunSettings& s, QObject* context) {
    return BoundTextBox(control, s.*(FindSetting(control)->text), context);
}

// One row of a settings grid: the label, the control and, when given, the unit after it.
inline void AddRow(QGridLayout* grid, const char* caption, QWidget* control,
                   const char* unit = nullptr) {
    const int row = grid->rowCount();
    auto* label = new QLabel(QString::fromLatin1(caption));
    label->setBuddy(control);
    grid->addWidget(label, row, 0);
    grid->addWidget(control, row, 1);
    if (unit != nullptr) {
        grid->addWidget(new QLabel(QString::fromLatin1(unit)), row, 2);
    }
}

// The row of a text setting of the settings table: its caption, its text box and the unit.
inline void AddSettingRow(QGridLayout* grid, const char* control, RunSettings& s, QObject* context,
                          const char* unit = nullptr) {
    AddRow(grid, Caption(control), SettingTextBox(control, s, context), unit);
}

}  // namespace kov::qt
