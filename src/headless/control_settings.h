#pragma once

#include <string>

namespace kov {
struct RunSettings;
}

namespace kov::headless {

// Sets one run setting by the name of the window's control that holds it, as the operator would
// through that control: a text box takes any text; an option button takes true or false (false
// selects the other button of its pair); BinMode takes one of its entries ("2x2"); bAutoDark
// takes 0, 1, true or false. An unknown name or a value the control cannot hold throws
// UsageError naming the problem.
void SetControl(RunSettings& settings, const std::string& name, const std::string& value);

}  // namespace kov::headless
