// The engine's one exception type: a broken invariant or corrupt embedded
// data, never a fault of the user's input. The C interface catches it, resets
// the session and returns its neutral result.
#pragma once

#include <stdexcept>

namespace qvl_core {

class InternalError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace qvl_core
