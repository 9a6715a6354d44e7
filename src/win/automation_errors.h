#pragma once

#include <windows.h>
// windows.h first: the automation headers rely on its definitions.
#include <oaidl.h>

#include <cstdint>
#include <string>

#include "station/automation_error.h"

namespace kov::win {

// The error number the operator sees for a failure code: the program's own number for codes
// raised through the automation runtime's control facility (0x800A....) and for the runtime's
// well-known failures (an unknown member is 438, a type mismatch 13, ...); the code itself,
// as a signed number, for every other failure.
std::int32_t ErrorNumber(HRESULT hr);

// The system's text for a failure code, without the trailing line break; empty when the
// system has none.
std::string SystemText(HRESULT hr);

// A failure code as an AutomationError. The description is the well-known text of its number
// (438 "Object doesn't support this property or method"), else the system's text for the code,
// else "Automation error".
AutomationError ErrorFromHresult(HRESULT hr);

// What a failed Invoke reports. With DISP_E_EXCEPTION the exception record speaks: its own code
// (wCode, else scode) and its description, or the text for that code when it gave none.
AutomationError ErrorFromInvoke(HRESULT hr, EXCEPINFO& info);

}  // namespace kov::win
