#include "web_link_window.h"

#include "forms.h"
#include "runtime_error.h"
#include "ui_web_link_window.h"
#include "web_page.h"

// Resources of a static library have to be registered by hand.
static void RegisterWebLinkWindowResources() { Q_INIT_RESOURCE(web_link_window); }

namespace zandrel {

WebLinkWindow::WebLinkWindow(QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::WebLinkWindow>()) {
    RegisterWebLinkWindowResources();
    ui_->setupUi(this);
    FinishLoading(*this);
    connect(ui_->webPageLink, &ClickableLabel::clicked, this,
            ReportingErrors(this, &WebLinkWindow::OpenWebPage, [](const RuntimeError&) {
                return tr("No web browser could be opened for the page %1. You can type the "
                          "address into a browser yourself.")
                    .arg(QStringLiteral(ZANDREL2_WEB_ADDRESS));
            }));
}

WebLinkWindow::~WebLinkWindow() = default;

void WebLinkWindow::OpenWebPage() { OpenInBrowser(QString::fromLatin1(WebPageAddress)); }

DefaultInstance<WebLinkWindow>& WebLinkWindowInstance() {
    static DefaultInstance<WebLinkWindow> instance;
    return instance;
}

}  // namespace zandrel
