// The start-up of the predicates, the library's own: run again under another
// precision control it would change the bounds under every caller.
#pragma once

// Computes the splitter and the error bounds from the precision control in
// force. The library calls it once when it is loaded, before anything else;
// until then every predicate works with zero bounds. It cannot fail.
void predicates_init();
