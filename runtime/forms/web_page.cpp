#include "web_page.h"

#include <QDesktopServices>
#include <QUrl>

#include "forms_error.h"

namespace zandrel {

void OpenInBrowser(const QString& address) {
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative() || !QDesktopServices::openUrl(url)) {
        throw FormsError(FormsErrorKind::FileNotFound,
                         "no web browser could be opened for " + address.toStdString());
    }
}

}  // namespace zandrel
