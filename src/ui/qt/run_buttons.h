#pragma once

#include <QWidget>
#include <string>

class QPushButton;

namespace kov {
struct Station;
}

namespace kov::qt {

// START (Command1), TEST (TestIt), One Sync (DoSync) and Add'l Align (AddlAlign). Each click goes
// to the core; a click that arrives while work runs (through the work's yields) is a stop request,
// which is how STOP stops.
class RunButtons : public QWidget {
    Q_OBJECT
  public:
    explicit RunButtons(Station& st, QWidget* parent = nullptr);

    // The START button's caption: "STOP" while work is in progress.
    void setStartCaption(const std::string& caption);
    std::string startCaption() const;

  private:
    Station& st_;
    QPushButton* command1_ = nullptr;
};

}  // namespace kov::qt
