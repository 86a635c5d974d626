// What the construction sheet window's module offers the program: the window, reached through
// this interface alone, so that the sheet's drawing, printing, tuning and modelling are loaded
// with the module and not at start-up.
#pragma once

#include <QtPlugin>

class QString;
class QWidget;

namespace zandrel {

class ConstructionSheetWindowModule {
  public:
    virtual ~ConstructionSheetWindowModule() = default;

    // Opens the one construction sheet window for `frequencyText` and brings it to the front.
    virtual QWidget& ShowConstructionSheetWindow(const QString& frequencyText) = 0;
};

}  // namespace zandrel

#define ZANDREL2_SHEET_WINDOW_MODULE_IID "org.example.zandrel2.ConstructionSheetWindowModule/1"
Q_DECLARE_INTERFACE(zandrel::ConstructionSheetWindowModule, ZANDREL2_SHEET_WINDOW_MODULE_IID)
