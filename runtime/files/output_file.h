// Writing a program's output where its user asked: a regular file is replaced whole or not at
// all, and a FIFO or a device is written to as it is, never replaced by a file.
#pragma once

#include <string>
#include <string_view>

namespace zandrel {

// Writes `bytes` to `path`. Where there is no file yet, or a regular file (or a link to one),
// the bytes go to a temporary file in the same folder that replaces the file only once it is
// complete and on disk, with the permissions the old file had; a failure leaves the old file
// and nothing else. A FIFO or a device is opened and written to directly (a FIFO waits for its
// reader). Raises FileError NotWritable, naming `path`, for a folder, a socket, or a file that
// cannot be written.
void WriteOutputFile(const std::string& path, std::string_view bytes);

// Writes all of `bytes` to the open `descriptor` (standard output, say), called `name` in an
// error. A reader that goes away is reported as an error, never as a signal that ends the
// program. Raises FileError NotWritable.
void WriteToDescriptor(int descriptor, std::string_view bytes, const std::string& name);

}  // namespace zandrel
