// Screen metrics behind GetDeviceCaps.
#pragma once

// Dots per inch as GetDeviceCaps reports them: the display's figure rounded,
// or 96 when it is unknown or outside 48..480, which no real display has.
int SaneDpi(bool known, float reported);
