#pragma once

// How long a test waits for a window to be exposed or activated. A display server on a loaded
// machine can take seconds (Qt Test's own default is 5); a window that is shown does not make
// the test wait this long.
inline constexpr int WindowWaitMs = 60000;
