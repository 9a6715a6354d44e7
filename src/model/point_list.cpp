#include "model/point_list.h"

#include <algorithm>

#include "station/automation_error.h"

namespace kov {

const MappingPoint& PointList::at(std::size_t row) const {
    check(row);
    return rows_[row].point;
}

std::vector<MappingPoint> PointList::points() const {
    std::vector<MappingPoint> all;
    all.reserve(rows_.size());
    for (const Row& r : rows_) {
        all.push_back(r.point);
    }
    return all;
}

void PointList::add(MappingPoint point) {
    rows_.push_back(Row{std::move(point)});
    rowsChanged();
}

void PointList::replace(std::vector<MappingPoint> points) {
    rows_.clear();
    for (MappingPoint& p : points) {
        rows_.push_back(Row{std::move(p)});
    }
    focus_.reset();
    scrollRow_.reset();
    rowsChanged();
}

void PointList::removeSelected() {
    for (std::size_t row = rows_.size(); row-- > 0;) {
        if (rows_[row].selected) {
            rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(row));
        }
    }
    focus_.reset();
    scrollRow_.reset();
    rowsChanged();
}

void PointList::setSelected(const std::vector<std::size_t>& rows) {
    bool changed = false;
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        const bool on = std::find(rows.begin(), rows.end(), row) != rows.end();
        changed = changed || rows_[row].selected != on;
        rows_[row].selected = on;
    }
    if (changed) {
        tell(PointListChange::Selection);
    }
}

void PointList::setFocus(std::size_t row) {
    check(row);
    focus_ = row;
}

std::optional<std::size_t> PointList::selectedItem() const {
    if (focus_ && isSelected(*focus_)) {
        return focus_;
    }
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        if (rows_[row].selected) {
            return row;
        }
    }
    return std::nullopt;
}

void PointList::makeOnlyBold(std::size_t row) {
    check(row);
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        rows_[r].bold = r == row;
    }
    tell(PointListChange::Bold);
}

void PointList::scrollTo(std::size_t row) {
    check(row);
    scrollRow_ = row;
    tell(PointListChange::Scroll);
}

void PointList::check(std::size_t row) const {
    if (row >= rows_.size()) {
        throw AutomationError(kErrIndexOutOfBounds, "Index out of bounds");
    }
}

void PointList::rowsChanged() {
    count_.set(std::to_string(rows_.size()));
    tell(PointListChange::Rows);
}

void PointList::tell(PointListChange change) {
    for (const Observer& observer : observers_) {
        observer(change);
    }
}

}  // namespace kov
