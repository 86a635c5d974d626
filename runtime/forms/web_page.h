// Opening a web page in the user's browser.
#pragma once

#include <QString>

namespace zandrel {

// Opens the absolute web address `address` with the desktop's URL opener. Raises FileNotFound
// when the address is not an absolute one or nothing could open it.
void OpenInBrowser(const QString& address);

}  // namespace zandrel
