#pragma once

#include "scenario/ScenarioFile.h"

namespace scenario {

// Checks what single values cannot show: unique and known ids (windows, applications,
// displays, the ones steps create included), the order of the steps and the end of the
// run. Throws ValidationError with the key path of the first problem; the scenario
// reader catches it.
void checkReferences(const Scenario& scenario);

// Refuses two steps that write the same file, or one whose folder the other writes as a
// file.
void checkOutputFiles(const Scenario& scenario);

}  // namespace scenario
