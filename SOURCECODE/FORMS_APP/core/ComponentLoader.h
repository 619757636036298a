#pragma once

#include <tessvik/CryptDataInterface.h>

#include <QString>

#include <memory>

// Creates the crypto component's objects by class identifier from the plugin in the program
// folder's "components" folder whose metadata carries that identifier.
class ComponentLoader final {
public:
    ComponentLoader() = delete;

    // A new CryptData; raises CoreError when the component is not installed.
    static std::unique_ptr<_CryptData> CreateCryptData();

    // The plugin file whose metadata "CLSID" is clsid, or "" when none is installed.
    static QString FindPlugin(const QString& clsid);

    static QString ComponentsFolder();
};
