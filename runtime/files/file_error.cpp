#include "file_error.h"

#include <utility>

namespace zandrel {

template class LayerError<FileErrorKind>;

FileError::FileError(FileErrorKind kind, std::string detail, std::string reason)
    : LayerError(kind, std::move(detail)), reason_(std::move(reason)) {}

}  // namespace zandrel
