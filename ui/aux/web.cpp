#include "web.h"

#include "forms.h"
#include "runtime_error.h"
#include "shell.h"
#include "ui_web.h"

static void RegisterAuxWindowResources() { Q_INIT_RESOURCE(aux_windows); }

namespace zandrel {

web::web(QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::web>()) {
    RegisterAuxWindowResources();
    ui_->setupUi(this);
    FinishLoading(*this);
    BindClick(
        *this, "lblWebPage", [this] { lblWebPage_Click(); },
        [](const RuntimeError&) {
            return tr("No web browser could be opened for the page %1. You can type the "
                      "address into a browser yourself.")
                .arg(QStringLiteral(ZANDREL2_WEB_ADDRESS));
        });
}

web::~web() = default;

void web::lblWebPage_Click() {
    const double taskNumber = Shell(QString::fromLatin1(WebPageCommand), ShellWindow::Hidden);
    static_cast<void>(taskNumber);
}

DefaultInstance<web>& webInstance() {
    static DefaultInstance<web> instance;
    return instance;
}

}  // namespace zandrel
