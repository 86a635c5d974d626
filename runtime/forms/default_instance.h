// The one program-wide reference to a form: created on first use, loaded afresh after a close.
#pragma once

#include <QPointer>
#include <QWidget>

namespace zandrel {

template <typename Form>
class DefaultInstance {
  public:
    // The form, created and loaded from its layout if it is not loaded now.
    Form& Get() {
        if (form_.isNull()) {
            form_ = new Form();
            form_->setAttribute(Qt::WA_DeleteOnClose);
        }
        return *form_;
    }

    bool IsLoaded() const { return !form_.isNull(); }

    // Shows the form modeless and without an owner, and brings it to the front.
    void Show() {
        Form& form = Get();
        form.show();
        form.raise();
        form.activateWindow();
    }

  private:
    QPointer<Form> form_;
};

}  // namespace zandrel
