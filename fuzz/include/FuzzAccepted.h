// How a fuzz target tells the replay driver that its parser accepted an
// input: it calls noteAccepted() on the path a well-formed input takes
// (the parse answered success, the file opened, a value came out).
//
// Seeds whose file names begin with "valid" must be accepted: the replay
// driver fails a corpus without one, and a replay in which such a seed was
// not accepted. That is what shows that a target reaches its parser at all,
// rather than stopping early on every input. Under libFuzzer the count is
// kept and never read.
#pragma once

namespace zef::fuzz {

inline unsigned& acceptedInputs() {
  static unsigned count = 0;
  return count;
}

inline void noteAccepted() { ++acceptedInputs(); }

}  // namespace zef::fuzz
