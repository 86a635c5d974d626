// The run-time error that writing a file raises.
#pragma once

#include <string>

#include "runtime_error.h"

namespace zandrel {

enum class FileErrorKind {
    NotWritable,            // the file could not be written where it was asked for
    ReaderWaitInterrupted,  // a signal ended the wait for a FIFO's reader
};

template <>
struct ErrorKindTable<FileErrorKind> {
    static constexpr std::array<ErrorKindEntry<FileErrorKind>, 2> Entries{{
        {FileErrorKind::NotWritable, 75, "Path/File access error"},
        {FileErrorKind::ReaderWaitInterrupted, 18, "User interrupt occurred"},
    }};
};

extern template class LayerError<FileErrorKind>;

// Also says what went wrong without the file's name, for whoever catches it to name the file
// its own way; a copy kept as a plain RuntimeError keeps the kind and the detail, not that.
class FileError : public LayerError<FileErrorKind> {
  public:
    // `detail` names the file and says what went wrong; `reason` is what went wrong alone.
    FileError(FileErrorKind kind, std::string detail, std::string reason);

    // What went wrong, without the file's name: "No such file or directory".
    const std::string& Reason() const noexcept { return reason_; }

  private:
    std::string reason_;
};

}  // namespace zandrel
