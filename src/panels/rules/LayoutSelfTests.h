#pragma once

// Launch self-tests: the tiling and the size rule on fixed screens, written to the
// diagnostics log from the same functions the panels use.
namespace panels {

void layoutSelfTest();
void sizeSelfTest();

}  // namespace panels
