// Writing a program's output where its user asked: a regular file is replaced whole or not at
// all, and a FIFO or a device is written to as it is, never replaced by a file.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace zandrel {

// What writing into a FIFO does when nobody reads it yet.
enum class ReaderWait {
    Refuse,  // refuse it at once, "nobody is reading it": a window never blocks on a FIFO
    Wait,    // wait for a reader until InterruptReaderWaits() is called: a command's output
};

// Writes `bytes` to `path`. Where there is no file yet, or a regular file (or a link to one),
// the bytes go to a temporary file in the same folder that replaces the file only once it is
// complete and on disk, with the permissions the old file had (less setuid and setgid when
// another user or group owned it); a failure leaves the old file and nothing else. A link that
// leads nowhere is written through, as the shell's `>` does: the file it names is made and the
// link kept. A FIFO or a device is opened and written to directly; a FIFO that nobody reads is
// refused or waited for as `wait` says; `waiting` is called once as the wait begins, to tell
// the user. Raises FileError NotWritable, naming `path`, for a folder, a socket, or a file that
// cannot be written, and FileError ReaderWaitInterrupted when the wait for a reader was
// interrupted.
void WriteOutputFile(const std::string& path, std::string_view bytes,
                     ReaderWait wait = ReaderWait::Refuse,
                     const std::function<void()>& waiting = {});

// Checks, before any work that makes the bytes, that WriteOutputFile could write `path`: its
// folder exists and can be written, and it is no folder or socket, nor a file that cannot be
// written. Raises FileError NotWritable as WriteOutputFile does.
void CheckOutputPath(const std::string& path);

// Ends every wait for a FIFO's reader, under way or to come, with ReaderWaitInterrupted. Safe to
// call from a signal handler: a program's handler of SIGINT and SIGTERM calls it.
void InterruptReaderWaits() noexcept;

// Writes all of `bytes` to the open `descriptor` (standard output, say), called `name` in an
// error. A reader that goes away is reported as an error, never as a signal that ends the
// program. Raises FileError NotWritable.
void WriteToDescriptor(int descriptor, std::string_view bytes, const std::string& name);

}  // namespace zandrel
