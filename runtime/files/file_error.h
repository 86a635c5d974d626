// The run-time error that writing a file raises.
#pragma once

#include <string>

#include "runtime_error.h"

namespace zandrel {

enum class FileErrorKind {
    NotWritable,  // the file could not be written where it was asked for
};

class FileError : public RuntimeError {
  public:
    // `detail` names the file and says what went wrong; `reason` is what went wrong alone.
    FileError(FileErrorKind kind, std::string detail, std::string reason);

    FileErrorKind Kind() const noexcept { return kind_; }
    // What went wrong, without the file's name: "No such file or directory".
    const std::string& Reason() const noexcept { return reason_; }

  private:
    FileErrorKind kind_;
    std::string reason_;
};

}  // namespace zandrel
