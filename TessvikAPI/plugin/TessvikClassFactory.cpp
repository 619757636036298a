#include "TessvikClassFactory.h"

#include "CryptData.h"

std::unique_ptr<_CryptData> TessvikClassFactory::CreateInstance() const {
    return std::make_unique<CryptData>();
}
