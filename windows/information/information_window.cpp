#include "information_window.h"

#include "forms.h"
#include "ui_information_window.h"

namespace zandrel {

InformationWindow::InformationWindow(QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::InformationWindow>()) {
    ui_->setupUi(this);
    FinishLoading(*this);
    ui_->notesBox->setFocus();
}

InformationWindow::~InformationWindow() = default;

DefaultInstance<InformationWindow>& InformationWindowInstance() {
    static DefaultInstance<InformationWindow> instance;
    return instance;
}

}  // namespace zandrel
