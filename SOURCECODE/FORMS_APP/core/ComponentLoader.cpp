#include "ComponentLoader.h"

#include "AppEnvironment.h"
#include "CoreError.h"

#include <QDir>
#include <QJsonObject>
#include <QPluginLoader>

namespace {

QString NotInstalled(const QString& clsid, const QString& reason) {
    return QStringLiteral("Cannot create the component ") + clsid +
           QStringLiteral(": it is not installed or not registered (") + reason + u')';
}

} // namespace

QString ComponentLoader::ComponentsFolder() {
    return AppEnvironment::ProgramFolder() + QStringLiteral("/components");
}

QString ComponentLoader::FindPlugin(const QString& clsid) {
    const QDir folder(ComponentsFolder());
    const QStringList files = folder.entryList(QDir::Files, QDir::Name);
    for (const QString& name : files) {
        const QString path = folder.filePath(name);
        if (!QLibrary::isLibrary(path)) {
            continue;
        }
        // Reading the metadata does not load the library.
        const QJsonObject meta = QPluginLoader(path).metaData().value(u"MetaData").toObject();
        if (meta.value(u"CLSID").toString().compare(clsid, Qt::CaseInsensitive) == 0) {
            return path;
        }
    }
    return {};
}

std::unique_ptr<_CryptData> ComponentLoader::CreateCryptData() {
    const QString clsid = QStringLiteral(TESSVIK_CRYPTDATA_CLSID);
    const QString path = FindPlugin(clsid);
    if (path.isEmpty()) {
        throw CoreError(NotInstalled(clsid, QStringLiteral("no plugin in ") + ComponentsFolder()));
    }
    // The library stays loaded: the objects it makes live in its code.
    QPluginLoader loader(path);
    auto* factory = qobject_cast<CryptDataClassFactory*>(loader.instance());
    if (factory == nullptr) {
        throw CoreError(NotInstalled(clsid, loader.errorString()));
    }
    std::unique_ptr<_CryptData> object = factory->CreateInstance();
    if (!object) {
        throw CoreError(NotInstalled(clsid, QStringLiteral("the factory made no object")));
    }
    return object;
}
