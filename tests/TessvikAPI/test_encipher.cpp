// The tessvik-encipher command prints what GetCryptedText gives with code A.

#include "CryptData.h"
#include "CryptInternalServer.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace {
struct CommandRun {
    int exitCode;
    QString out;
};

CommandRun encipherCommand(const QStringList& arguments, const QByteArray& input = {}) {
    QProcess process;
    process.start(QStringLiteral(TESSVIK_ENCIPHER_FILE), arguments);
    EXPECT_TRUE(process.waitForStarted(-1));
    process.write(input);
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(-1));
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput())};
}

QString expected(const QString& text) {
    return CryptData().GetCryptedText(text, CryptInternalServer().GetPrivateKey()) +
           QLatin1Char('\n');
}
} // namespace

TEST(TessvikEncipher, EnciphersItsArgumentOrStandardInput) {
    const QString value = QStringLiteral("https://www.quorvane.example/");
    const CommandRun fromArgument = encipherCommand({value});
    EXPECT_EQ(fromArgument.exitCode, 0);
    EXPECT_EQ(fromArgument.out, expected(value));

    const CommandRun fromInput = encipherCommand({}, value.toUtf8() + "\n");
    EXPECT_EQ(fromInput.exitCode, 0);
    EXPECT_EQ(fromInput.out, expected(value));

    const CommandRun empty = encipherCommand({QString()});
    EXPECT_EQ(empty.exitCode, 0);
    EXPECT_EQ(empty.out, QStringLiteral("\n"));
}

TEST(TessvikEncipher, RefusesMoreThanOneText) {
    const CommandRun run = encipherCommand({QStringLiteral("a"), QStringLiteral("b")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.out.isEmpty());
}
