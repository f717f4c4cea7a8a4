#pragma once

#include "scenario/ScenarioFile.h"

namespace scenario {

// Checks what single values cannot show: unique and known ids (windows, applications,
// displays, the ones steps create included), the order of the steps and the end of the
// run. Throws ValidationError with the key path of the first problem; the scenario
// reader catches it.
void checkReferences(const Scenario& scenario);

}  // namespace scenario
