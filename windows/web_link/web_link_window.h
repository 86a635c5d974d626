// The web link window: the address of the project's page, opened in the browser on a click.
#pragma once

#include <QWidget>
#include <memory>

#include "default_instance.h"

namespace Ui {
class WebLinkWindow;
}

namespace zandrel {

// The page the link opens; the label shows the address without the "/".
inline constexpr const char* WebPageAddress = ZANDREL2_WEB_ADDRESS "/";

class WebLinkWindow : public QWidget {
    Q_OBJECT

  public:
    explicit WebLinkWindow(QWidget* parent = nullptr);
    ~WebLinkWindow() override;

    void OpenWebPage();

  private:
    std::unique_ptr<Ui::WebLinkWindow> ui_;
};

// The web link window's program-wide reference.
DefaultInstance<WebLinkWindow>& WebLinkWindowInstance();

}  // namespace zandrel
