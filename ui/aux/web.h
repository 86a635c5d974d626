// The web link window: the address of the project's page, opened in the browser on a click.
#pragma once

#include <QWidget>
#include <memory>

#include "default_instance.h"

namespace Ui {
class web;
}

namespace zandrel {

// The command that opens the project's page; the label shows the address without the "/".
inline constexpr const char* WebPageCommand = "start.exe " ZANDREL2_WEB_ADDRESS "/";

class web : public QWidget {
    Q_OBJECT

  public:
    explicit web(QWidget* parent = nullptr);
    ~web() override;

    void lblWebPage_Click();

  private:
    std::unique_ptr<Ui::web> ui_;
};

// The web link window's program-wide reference.
DefaultInstance<web>& webInstance();

}  // namespace zandrel
