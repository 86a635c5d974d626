#include "info1.h"

#include "forms.h"
#include "ui_INFO1.h"

namespace zandrel {

INFO1::INFO1(QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::INFO1>()) {
    ui_->setupUi(this);
    FinishLoading(*this);
    ui_->Text1->setFocus();
}

INFO1::~INFO1() = default;

DefaultInstance<INFO1>& INFO1Instance() {
    static DefaultInstance<INFO1> instance;
    return instance;
}

}  // namespace zandrel
