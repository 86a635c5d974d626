#include "runtime_error.h"

namespace zandrel {

RuntimeError::RuntimeError(const void* kinds, int kind, int number, std::string message,
                           std::string detail)
    : kinds_(kinds),
      kind_(kind),
      number_(number),
      message_(std::move(message)),
      detail_(std::move(detail)) {}

}  // namespace zandrel
