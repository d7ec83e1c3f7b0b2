// What must hear of a jump of the platform clock.
//
// A virtual clock moves in steps, and a message queue whose timer became due
// by such a step must signal its descriptor although no kernel timer fired.
// The clock calls this after every step (and when a clock is installed),
// never while holding a lock of its own.
#pragma once

namespace platform {

// Lets every message queue re-check its timers against the clock in force.
void notifyClockMoved();

}  // namespace platform
