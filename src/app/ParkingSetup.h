#pragma once

namespace app {

// Puts the real window parking behind the interface the panels, capture and foundation
// call, and takes the virtual displays the desktop already shows as parking's own. Once
// at launch, before anything parks.
void installParking();

}  // namespace app
