// The component as the program meets it: a plugin in a components/ folder, found by the CLSID in
// its metadata, whose class factory makes CryptData objects that answer GetCryptedText.

#include "CryptInternalServer.h"

#include <tessvik/CryptDataInterface.h>

#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QPluginLoader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {
class InstalledComponent : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_programFolder.isValid());
        QDir folder(m_programFolder.path());
        ASSERT_TRUE(folder.mkpath(QStringLiteral("components")));
        m_components = folder.filePath(QStringLiteral("components"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(TESSVIK_PLUGIN_FILE),
                                m_components + QStringLiteral("/libtessvik.so")));
        // Something that is not a plugin lies beside it and must be passed over.
        QFile stray(m_components + QStringLiteral("/notes.txt"));
        ASSERT_TRUE(stray.open(QIODevice::WriteOnly));
        stray.write("not a plugin");
    }

    // The loader of the component whose metadata holds the CLSID, as the program looks for it.
    std::unique_ptr<QPluginLoader> findByClsid(const QString& clsid) const {
        const QDir folder(m_components);
        for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
            auto loader = std::make_unique<QPluginLoader>(folder.filePath(name));
            const QJsonObject meta = loader->metaData();
            if (meta.value(QStringLiteral("IID")).toString() ==
                    QLatin1String(TESSVIK_CRYPTDATA_IID) &&
                meta.value(QStringLiteral("MetaData"))
                        .toObject()
                        .value(QLatin1String(TESSVIK_METADATA_CLSID_KEY))
                        .toString() == clsid) {
                return loader;
            }
        }
        return nullptr;
    }

    QTemporaryDir m_programFolder;
    QString m_components;
};
} // namespace

TEST_F(InstalledComponent, MetadataCarriesTheIdentity) {
    const auto loader = findByClsid(QLatin1String(TESSVIK_CRYPTDATA_CLSID));
    ASSERT_TRUE(loader);
    const QJsonObject meta = loader->metaData().value(QStringLiteral("MetaData")).toObject();
    EXPECT_EQ(meta.value(QLatin1String(TESSVIK_METADATA_PROGID_KEY)).toString(),
              QStringLiteral("TessvikAPI.CryptData"));
    EXPECT_EQ(meta.value(QLatin1String(TESSVIK_METADATA_TYPELIB_KEY)).toString(),
              QStringLiteral("TessvikAPI"));
    EXPECT_EQ(meta.value(QLatin1String(TESSVIK_METADATA_VERSION_KEY)).toString(),
              QStringLiteral("1.0"));
    EXPECT_EQ(meta.value(QLatin1String(TESSVIK_METADATA_LIBID_KEY)).toString(),
              QStringLiteral("{ABAAF83D-AC38-49F0-ADF7-6231447B2B4A}"));
    EXPECT_FALSE(findByClsid(QStringLiteral("{00000000-0000-0000-0000-000000000000}")));
}

TEST_F(InstalledComponent, ClassFactoryMakesCryptDataThatAnswers) {
    const auto loader = findByClsid(QLatin1String(TESSVIK_CRYPTDATA_CLSID));
    ASSERT_TRUE(loader);
    auto* factory = qobject_cast<CryptDataClassFactory*>(loader->instance());
    ASSERT_NE(factory, nullptr) << qPrintable(loader->errorString());

    const CryptInternalServer server;
    const QString codeA = server.GetPrivateKey();
    const QString codeB = server.GetPublicKey();
    {
        const std::unique_ptr<_CryptData> first = factory->CreateInstance();
        const std::unique_ptr<_CryptData> second = factory->CreateInstance();
        ASSERT_TRUE(first && second);
        EXPECT_NE(first.get(), second.get());

        const QString value = QStringLiteral("Reception Desk 1  ");
        const QString cipher = first->GetCryptedText(value, codeA);
        EXPECT_EQ(cipher.size(), 2 * 16);
        EXPECT_EQ(second->GetCryptedText(cipher, codeB), QStringLiteral("Reception Desk 1"));
        EXPECT_EQ(second->GetCryptedText(cipher, QVariant(codeB.toLower())),
                  QStringLiteral("ERROR: INVALID PASSWORD!"));
        EXPECT_EQ(first->GetCryptedText(cipher, QVariant()),
                  QStringLiteral("ERROR: INVALID PASSWORD!"));
        EXPECT_EQ(first->GetHashData(QStringLiteral("abc")).size(), 32);
    }
}
