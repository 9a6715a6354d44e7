#include "win/real_programs.h"

#include "win/com_types.h"
#include "win/win_desktop.h"
#include "win/win_object_factory.h"

namespace kov::win {

namespace {

class RealPrograms : public Programs {
  public:
    ObjectFactory& factory() override { return factory_; }
    Desktop& desktop() override { return desktop_; }

  private:
    ComApartment apartment_;  // first in, last out: the objects are released inside it
    WinObjectFactory factory_;
    WinDesktop desktop_;
};

}  // namespace

std::unique_ptr<Programs> MakeRealPrograms() {
    return std::make_unique<RealPrograms>();
}

}  // namespace kov::win
