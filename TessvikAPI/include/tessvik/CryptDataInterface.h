#pragma once

#include <QString>
#include <QVariant>
#include <QtPlugin>

#include <memory>

#define TESSVIK_CRYPTDATA_CLSID "{58D71376-A355-4A4E-93D6-F1969CAA17A7}"
#define TESSVIK_CRYPTDATA_IID "{2F13DD86-11D1-41DA-B3B6-256FB144FA38}"
#define TESSVIK_CRYPTDATA_PROGID "TessvikAPI.CryptData"
#define TESSVIK_TYPELIB_NAME "TessvikAPI"
#define TESSVIK_TYPELIB_VERSION "1.0"
#define TESSVIK_TYPELIB_LIBID "{ABAAF83D-AC38-49F0-ADF7-6231447B2B4A}"

// The plugin's metadata (QPluginLoader::metaData()["MetaData"]) holds the identity under these
// keys; a loader finds the component by the CLSID there.
#define TESSVIK_METADATA_CLSID_KEY "CLSID"
#define TESSVIK_METADATA_PROGID_KEY "ProgID"
#define TESSVIK_METADATA_TYPELIB_KEY "TypeLibrary"
#define TESSVIK_METADATA_VERSION_KEY "Version"
#define TESSVIK_METADATA_LIBID_KEY "LIBID"

// The default interface of CryptData, as callers of the component see it.
class _CryptData {
public:
    virtual ~_CryptData() = default;
    virtual QString GetCryptedText(const QString& InputText, const QVariant& CryptTypePassword) = 0;
    virtual QString GetHashData(const QString& InputText) = 0;
};

// The plugin's root object: makes a new CryptData for every request, so no call shares state.
class CryptDataClassFactory {
public:
    virtual ~CryptDataClassFactory() = default;
    virtual std::unique_ptr<_CryptData> CreateInstance() const = 0;
};

Q_DECLARE_INTERFACE(CryptDataClassFactory, TESSVIK_CRYPTDATA_IID)
