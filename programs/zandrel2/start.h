// Start-up of the windowed program: the application's identity, the runtime defaults and the
// main window.
#pragma once

class QApplication;

namespace zandrel {

// Names the application "zandrel2" version "1.00", gives every window the program icon, and
// shows the main window through its default instance.
void Start(QApplication& application);

}  // namespace zandrel
