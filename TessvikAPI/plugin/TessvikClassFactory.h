#pragma once

#include <tessvik/CryptDataInterface.h>

#include <QObject>

#include <memory>

// The component's root object: the class factory of CryptData.
class TessvikClassFactory final : public QObject, public CryptDataClassFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID TESSVIK_CRYPTDATA_IID FILE "tessvik.json")
    Q_INTERFACES(CryptDataClassFactory)

public:
    TessvikClassFactory() = default;
    ~TessvikClassFactory() override = default;
    Q_DISABLE_COPY_MOVE(TessvikClassFactory)

    // A new CryptData for every request, so no call shares state with another.
    std::unique_ptr<_CryptData> CreateInstance() const override;
};
