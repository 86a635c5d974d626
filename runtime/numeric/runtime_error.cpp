#include "runtime_error.h"

#include <utility>

namespace zandrel {

RuntimeError::RuntimeError(int number, std::string message, std::string detail)
    : number_(number), message_(std::move(message)), detail_(std::move(detail)) {}

RuntimeError::RuntimeError(const ErrorTableEntry& kind, std::string detail)
    : RuntimeError(kind.Number, kind.Message, std::move(detail)) {}

}  // namespace zandrel
