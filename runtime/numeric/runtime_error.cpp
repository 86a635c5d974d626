#include "runtime_error.h"

#include <utility>

namespace zandrel {

RuntimeError::RuntimeError(int number, std::string message, std::string detail)
    : number_(number), message_(std::move(message)), detail_(std::move(detail)) {}

}  // namespace zandrel
