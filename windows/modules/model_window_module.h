// What the model window's module offers the program: the window, reached through this interface
// alone, so that Qt Charts and Qt OpenGL are loaded with the module and not at start-up.
#pragma once

#include <QtPlugin>

class QString;
class QWidget;

namespace zandrel {

class ModelWindowModule {
  public:
    virtual ~ModelWindowModule() = default;

    // Shows the one model window, modelling at `frequencyText`, and brings it to the front.
    virtual QWidget& ShowModelWindow(const QString& frequencyText) = 0;
};

}  // namespace zandrel

#define ZANDREL2_MODEL_WINDOW_MODULE_IID "org.example.zandrel2.ModelWindowModule/1"
Q_DECLARE_INTERFACE(zandrel::ModelWindowModule, ZANDREL2_MODEL_WINDOW_MODULE_IID)
