#include "file_error.h"

#include <array>
#include <utility>

namespace zandrel {

namespace {

// Indexed by FileErrorKind.
constexpr std::array<ErrorTableEntry, 1> FileErrors{{
    {75, "Path/File access error"},
}};

}  // namespace

FileError::FileError(FileErrorKind kind, std::string detail, std::string reason)
    : RuntimeError(EntryOf(FileErrors, kind), std::move(detail)),
      kind_(kind),
      reason_(std::move(reason)) {}

}  // namespace zandrel
