#pragma once

// The virtual-display shim: the only code that asks the desktop for virtual displays.

// Whether the desktop offers virtual displays at all. Any thread.
bool VDAvailable();
