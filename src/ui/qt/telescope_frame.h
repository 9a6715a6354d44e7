#pragma once

#include <QGroupBox>

#include "model/station.h"

class QBoxLayout;

namespace kov::qt {

// `Frame3` "Telescope": the TheSky version, the ASCOM driver name `ScopeName`, and "Choose"
// (`Command4`) and "Connect" (`Command3`).
class TelescopeFrame : public QGroupBox {
    Q_OBJECT
  public:
    explicit TelescopeFrame(Station& st, QWidget* parent = nullptr);

    // The row of Choose and Connect.
    QBoxLayout* commands() const { return commands_; }

  private:
    QBoxLayout* commands_ = nullptr;
};

}  // namespace kov::qt
