#include "window_modules.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>

#include "forms_error.h"
#include "model_window_module.h"
#include "sheet_window_module.h"

// The build tree's module folder: defined only in the tests and tools that link
// zandrel2::build_tree_modules, null elsewhere.
extern "C" [[gnu::weak]] const char* const zandrel2_build_tree_module_folder;

namespace zandrel {

namespace {

// The file named `fileName` in the first of `folders` that holds it; empty if none does.
QString FirstModuleFile(const QStringList& folders, const QString& fileName) {
    for (const QString& folder : folders) {
        const QString file = QDir(folder).filePath(fileName);
        if (QFileInfo(file).isFile()) {
            return file;
        }
    }
    return {};
}

// The module `fileName` from the first of `folders` that holds it, as the interface `Module`;
// `window` names the window in what is raised when it cannot be had.
template <typename Module>
Module& LoadWindowModule(const QStringList& folders, const QString& fileName,
                         const std::string& window) {
    const QString file = FirstModuleFile(folders, fileName);
    if (file.isEmpty()) {
        throw FormsError(FormsErrorKind::ModuleNotLoaded,
                         "the " + window + "'s module " + fileName.toStdString() +
                             " is in none of " + folders.join(QStringLiteral(", ")).toStdString());
    }
    // The library stays loaded when the loader goes: the window may outlive every caller.
    QPluginLoader loader(file);
    auto* module = qobject_cast<Module*>(loader.instance());
    if (module == nullptr) {
        const QString reason = loader.isLoaded()
                                   ? QString::fromStdString("it is not the " + window + "'s module")
                                   : loader.errorString();
        throw FormsError(FormsErrorKind::ModuleNotLoaded,
                         "the " + window + "'s module " + file.toStdString() +
                             " could not be loaded: " + reason.toStdString());
    }
    return *module;
}

}  // namespace

QStringList WindowModuleFolders() {
    const QDir program(QCoreApplication::applicationDirPath());
    QStringList folders{
        QDir::cleanPath(program.filePath(QStringLiteral(ZANDREL2_MODULES_FROM_PROGRAM)))};
    if (&zandrel2_build_tree_module_folder != nullptr) {
        folders.append(QString::fromUtf8(zandrel2_build_tree_module_folder));
    }
    return folders;
}

QString ModelWindowModuleFile(const QStringList& folders) {
    return FirstModuleFile(folders, QStringLiteral(ZANDREL2_MODEL_WINDOW_MODULE));
}

ModelWindowModule& LoadModelWindowModule(const QStringList& folders) {
    return LoadWindowModule<ModelWindowModule>(
        folders, QStringLiteral(ZANDREL2_MODEL_WINDOW_MODULE), "model window");
}

QWidget& ShowModelWindow(const QString& frequencyText) {
    return LoadModelWindowModule().ShowModelWindow(frequencyText);
}

QString ConstructionSheetWindowModuleFile(const QStringList& folders) {
    return FirstModuleFile(folders, QStringLiteral(ZANDREL2_SHEET_WINDOW_MODULE));
}

ConstructionSheetWindowModule& LoadConstructionSheetWindowModule(const QStringList& folders) {
    return LoadWindowModule<ConstructionSheetWindowModule>(
        folders, QStringLiteral(ZANDREL2_SHEET_WINDOW_MODULE), "construction sheet window");
}

}  // namespace zandrel
