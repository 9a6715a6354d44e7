#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/observable.h"

namespace kov {

// One mapping point: the altitude and azimuth as angle texts, read as degrees only when the
// point is used.
struct MappingPoint {
    std::string alt;
    std::string az;
    bool operator==(const MappingPoint&) const = default;
};

enum class PointListChange {
    Rows,       // rows were added, removed or replaced
    Selection,  // the selected rows or the focused row
    Bold,       // the current point of a run
    Scroll,     // a row is to be brought into view
};

// Separators of a captured point's angle texts: degrees with the masculine ordinal sign U+00BA
// (the byte 0xBA in a point file) and a blank, minutes with an apostrophe and a blank, seconds
// with a double quote.
inline constexpr const char* kPointDegreeSeparator = "\xC2\xBA ";
inline constexpr const char* kPointMinuteSeparator = "' ";
inline constexpr const char* kPointSecondSeparator = "\"";

// What automation raises for a list item that is not there.
inline constexpr std::int32_t kErrIndexOutOfBounds = 35600;

// The point list `LV` as a model: rows in order (duplicates allowed), which are selected, which
// is bold, and which is to be kept in view. The window follows it through its observers. Every
// change of the rows writes their count into the point count field.
class PointList {
  public:
    using Observer = std::function<void(PointListChange)>;

    explicit PointList(Observable<std::string>& pointCount) : count_(pointCount) {}
    PointList(const PointList&) = delete;
    PointList& operator=(const PointList&) = delete;

    std::size_t size() const { return rows_.size(); }
    bool empty() const { return rows_.empty(); }
    // A row that is not there raises AutomationError(kErrIndexOutOfBounds).
    const MappingPoint& at(std::size_t row) const;
    std::vector<MappingPoint> points() const;

    void add(MappingPoint point);
    void replace(std::vector<MappingPoint> points);
    // Removes every selected row, last to first; the count is written even when none was.
    void removeSelected();

    bool isSelected(std::size_t row) const { return row < rows_.size() && rows_[row].selected; }
    void setSelected(const std::vector<std::size_t>& rows);
    // The row a click or double-click last fell on.
    void setFocus(std::size_t row);
    // The selected row the operator means: the focused one when selected, else the first.
    std::optional<std::size_t> selectedItem() const;

    bool isBold(std::size_t row) const { return row < rows_.size() && rows_[row].bold; }
    // Only this row bold; raises for a row that is not there.
    void makeOnlyBold(std::size_t row);

    // Asks the window to bring this row into view; raises for a row that is not there.
    void scrollTo(std::size_t row);
    std::optional<std::size_t> scrollRow() const { return scrollRow_; }

    void observe(Observer observer) { observers_.push_back(std::move(observer)); }

  private:
    struct Row {
        MappingPoint point;
        bool selected = false;
        bool bold = false;
    };

    void check(std::size_t row) const;
    void rowsChanged();
    void tell(PointListChange change);

    Observable<std::string>& count_;
    std::vector<Row> rows_;
    std::optional<std::size_t> focus_;
    std::optional<std::size_t> scrollRow_;
    std::vector<Observer> observers_;
};

}  // namespace kov
