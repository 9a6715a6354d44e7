#include "ui/qt/point_list_view.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "commands/add_point.h"
#include "commands/delete_points.h"
#include "commands/load_save.h"
#include "commands/slew_to_point.h"
#include "ui/qt/controls.h"
#include "ui/qt/slot_guard.h"

namespace kov::qt {

PointListView::PointListView(Station& st, QWidget* parent) : QWidget(parent), st_(st) {
    setObjectName(QStringLiteral("PointListView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    list_ = new QTreeWidget;
    list_->setObjectName(QStringLiteral("LV"));
    list_->setColumnCount(2);
    list_->setHeaderLabels({QStringLiteral("Alt"), QStringLiteral("Az")});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->header()->setStretchLastSection(true);
    layout->addWidget(list_, 1);

    fileDisplay_ = new QLabel;
    fileDisplay_->setObjectName(QStringLiteral("FileDisplay"));
    fileDisplay_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(fileDisplay_);

    commands_ = new QHBoxLayout;
    const auto button = [this](const char* name, const char* caption, auto command) {
        auto* b = new QPushButton(QString::fromLatin1(caption));
        b->setObjectName(QString::fromLatin1(name));
        connect(b, &QPushButton::clicked, this, [this, command] { GuardSlot(st_, command); });
        commands_->addWidget(b);
    };
    button("AddPoint", "Add Point", [this] { AddPoint(st_); });
    button("Delete", "Delete", [this] { DeletePoints(st_); });
    button("LoadPts", "Load...", [this] { LoadPts(st_); });
    button("SavePoints", "Save...", [this] { SavePoints(st_); });
    layout->addLayout(commands_);
    layout->addWidget(buildHorizonHeights());

    connect(list_, &QTreeWidget::itemSelectionChanged, this, &PointListView::selectionEdited);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int) {
        GuardSlot(st_, [this, item] {
            st_.points.setFocus(static_cast<std::size_t>(list_->indexOfTopLevelItem(item)));
            SlewToSelectedPoint(st_);
        });
    });
    // The model outlives this widget; a change after the widget is gone reaches no one.
    st_.points.observe([view = QPointer<PointListView>(this)](PointListChange change) {
        if (view) {
            view->follow(change);
        }
    });
    showRows();
}

// Before, these fields had a frame that no pattern ever showed; they belong to the Map Points
// pattern, so they sit under its list. The window binds them to the settings by their names.
QWidget* PointListView::buildHorizonHeights() {
    auto* box = new QGroupBox(QStringLiteral("Height above the Horizon:"));
    box->setObjectName(QStringLiteral("HorizonHeights"));
    auto* grid = new QGridLayout(box);
    int at = 0;
    for (const char* name : kHorizonHeights) {
        auto* edit = new QLineEdit;
        edit->setObjectName(QString::fromLatin1(name));
        edit->setMaximumWidth(60);
        const int row = at / 2;
        const int column = (at % 2) * 3;
        grid->addWidget(new QLabel(QString::fromLatin1(Caption(name))), row, column);
        grid->addWidget(edit, row, column + 1);
        grid->addWidget(new QLabel(QStringLiteral("degrees")), row, column + 2);
        ++at;
    }
    return box;
}

void PointListView::follow(PointListChange change) {
    switch (change) {
        case PointListChange::Rows:
            showRows();
            break;
        case PointListChange::Selection:
            if (!showing_) {
                showSelection();
            }
            break;
        case PointListChange::Bold:
            showBold();
            list_->repaint();
            break;
        case PointListChange::Scroll:
            if (const auto row = st_.points.scrollRow()) {
                list_->scrollToItem(list_->topLevelItem(static_cast<int>(*row)));
            }
            break;
    }
}

void PointListView::showRows() {
    showing_ = true;
    list_->clear();
    QList<QTreeWidgetItem*> items;
    for (const MappingPoint& p : st_.points.points()) {
        items.append(new QTreeWidgetItem(QStringList{Q(p.alt), Q(p.az)}));
    }
    list_->addTopLevelItems(items);
    showing_ = false;
    showSelection();
    showBold();
}

void PointListView::showSelection() {
    showing_ = true;
    for (int row = 0; row < list_->topLevelItemCount(); ++row) {
        list_->topLevelItem(row)->setSelected(st_.points.isSelected(static_cast<std::size_t>(row)));
    }
    showing_ = false;
}

void PointListView::showBold() {
    for (int row = 0; row < list_->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = list_->topLevelItem(row);
        QFont font = item->font(0);
        font.setBold(st_.points.isBold(static_cast<std::size_t>(row)));
        item->setFont(0, font);
        item->setFont(1, font);
    }
}

void PointListView::selectionEdited() {
    if (showing_) {
        return;
    }
    std::vector<std::size_t> rows;
    for (int row = 0; row < list_->topLevelItemCount(); ++row) {
        if (list_->topLevelItem(row)->isSelected()) {
            rows.push_back(static_cast<std::size_t>(row));
        }
    }
    showing_ = true;
    st_.points.setSelected(rows);
    showing_ = false;
}

}  // namespace kov::qt
