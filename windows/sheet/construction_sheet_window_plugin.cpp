// The construction sheet window's module: the entry through which the program opens the window.
#include <QObject>

#include "construction_sheet_window.h"
#include "sheet_window_module.h"

namespace zandrel {

class ConstructionSheetWindowPlugin : public QObject, public ConstructionSheetWindowModule {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ZANDREL2_SHEET_WINDOW_MODULE_IID)
    Q_INTERFACES(zandrel::ConstructionSheetWindowModule)

  public:
    QWidget& ShowConstructionSheetWindow(const QString& frequencyText) override {
        zandrel::ShowConstructionSheetWindow(frequencyText);
        return ConstructionSheetWindowInstance().Get();
    }
};

}  // namespace zandrel

#include "construction_sheet_window_plugin.moc"
