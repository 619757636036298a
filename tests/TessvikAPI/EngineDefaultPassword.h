#pragma once

#include "CryptAPI.h"
#include "TessvikOracle.h"

#include <gtest/gtest.h>

// The default password's bytes, as an engine that fell back to it holds them.
inline oracle::Bytes EngineDefaultPassword() {
    CryptAPI engine;
    engine.setInputData(engine.StringToByteArray(QStringLiteral("x")));
    EXPECT_TRUE(engine.Encrypt(1, 1));
    ByteArray password = engine.Password();
    password.pop_back();
    return password;
}
