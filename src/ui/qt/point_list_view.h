#pragma once

#include <QWidget>

#include "model/station.h"

class QBoxLayout;
class QLabel;
class QTreeWidget;

namespace kov::qt {

// The list frame's contents: the point list `LV` (two columns, "Alt" and "Az", several rows
// selectable), its commands "Add Point", "Delete", "Load..." and "Save...", the double-click
// slew, the current point file in `FileDisplay`, and the horizon heights `tEast`..`tSouth` that
// the Map Points pattern uses. The list shows the station's point list and follows its changes.
class PointListView : public QWidget {
    Q_OBJECT
  public:
    explicit PointListView(Station& st, QWidget* parent = nullptr);

    QTreeWidget* list() const { return list_; }
    QLabel* fileDisplay() const { return fileDisplay_; }
    // The row of the list's command buttons.
    QBoxLayout* commands() const { return commands_; }

  private:
    QWidget* buildHorizonHeights();
    void follow(PointListChange change);
    void showRows();
    void showSelection();
    void showBold();
    void selectionEdited();

    Station& st_;
    QTreeWidget* list_ = nullptr;
    QLabel* fileDisplay_ = nullptr;
    QBoxLayout* commands_ = nullptr;
    bool showing_ = false;  // the view is being set from the model: no echo back
};

}  // namespace kov::qt
