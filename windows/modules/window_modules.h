// The windows that live in modules of their own, loaded the first time they are opened: the
// model window and the construction sheet window.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace zandrel {

class ConstructionSheetWindowModule;
class ModelWindowModule;

// The folders a window's module is looked for in, in this order: where the package installs it
// beside the program (<prefix>/lib/<architecture>/zandrel2 for <prefix>/bin, which the build
// tree mirrors for zandrel2), then, only for a test or tool linked with
// zandrel2::build_tree_modules, the build tree's.
QStringList WindowModuleFolders();

// The model window's module file in the first of `folders` that holds it; empty if none does.
QString ModelWindowModuleFile(const QStringList& folders = WindowModuleFolders());

// The model window's module from the first of `folders` that holds it, loaded on first use and
// kept loaded. Raises FormsError(ModuleNotLoaded) when no folder holds it or it cannot be loaded.
ModelWindowModule& LoadModelWindowModule(const QStringList& folders = WindowModuleFolders());

// Shows the one model window, modelling at `frequencyText`, and brings it to the front; loads
// its module the first time.
QWidget& ShowModelWindow(const QString& frequencyText);

// The construction sheet window's module file in the first of `folders` that holds it; empty if
// none does.
QString ConstructionSheetWindowModuleFile(const QStringList& folders = WindowModuleFolders());

// The construction sheet window's module, found, loaded and raising as the model window's is.
ConstructionSheetWindowModule& LoadConstructionSheetWindowModule(
    const QStringList& folders = WindowModuleFolders());

}  // namespace zandrel
