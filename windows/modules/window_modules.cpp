#include "window_modules.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>

#include "forms_error.h"
#include "model_window_module.h"

namespace zandrel {

QStringList WindowModuleFolders() {
    const QDir program(QCoreApplication::applicationDirPath());
    return {QDir::cleanPath(program.filePath(QStringLiteral(ZANDREL2_MODULES_FROM_PROGRAM))),
            QStringLiteral(ZANDREL2_BUILD_MODULES)};
}

QString ModelWindowModuleFile(const QStringList& folders) {
    for (const QString& folder : folders) {
        const QString file = QDir(folder).filePath(QStringLiteral(ZANDREL2_MODEL_WINDOW_MODULE));
        if (QFileInfo(file).isFile()) {
            return file;
        }
    }
    return {};
}

ModelWindowModule& LoadModelWindowModule(const QStringList& folders) {
    const QString file = ModelWindowModuleFile(folders);
    if (file.isEmpty()) {
        throw FormsError(FormsErrorKind::ModuleNotLoaded,
                         "the model window's module " ZANDREL2_MODEL_WINDOW_MODULE
                         " is in none of " +
                             folders.join(QStringLiteral(", ")).toStdString());
    }
    // The library stays loaded when the loader goes: the window may outlive every caller.
    QPluginLoader loader(file);
    auto* module = qobject_cast<ModelWindowModule*>(loader.instance());
    if (module == nullptr) {
        const QString reason = loader.isLoaded()
                                   ? QStringLiteral("it is not the model window's module")
                                   : loader.errorString();
        throw FormsError(FormsErrorKind::ModuleNotLoaded,
                         "the model window's module " + file.toStdString() +
                             " could not be loaded: " + reason.toStdString());
    }
    return *module;
}

QWidget& ShowModelWindow(const QString& frequencyText) {
    return LoadModelWindowModule().ShowModelWindow(frequencyText);
}

}  // namespace zandrel
