// A library planted in the folder a program is started from: when it is loaded, it leaves a file
// named "planted-library-ran" in the working folder, so that a test can tell.
#include <fcntl.h>
#include <unistd.h>

namespace {

[[gnu::constructor]] void LeaveMark() {
    const int mark = open("planted-library-ran", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (mark >= 0) {
        close(mark);
    }
}

}  // namespace
