// The model window's module: the entry through which the program opens the window.
#include <QObject>

#include "model_window.h"
#include "model_window_module.h"

namespace zandrel {

class ModelWindowPlugin : public QObject, public ModelWindowModule {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ZANDREL2_MODEL_WINDOW_MODULE_IID)
    Q_INTERFACES(zandrel::ModelWindowModule)

  public:
    QWidget& ShowModelWindow(const QString& frequencyText) override {
        DefaultInstance<ModelWindow>& instance = ModelWindowInstance();
        instance.Show();
        instance.Get().Model(frequencyText);
        return instance.Get();
    }
};

}  // namespace zandrel

#include "model_window_plugin.moc"
