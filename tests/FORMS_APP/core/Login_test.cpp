#include "QtPrinters.h"
#include "TempProgramFolder.h"

#include "core/Login.h"
#include "core/Settings.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

class LoginTest : public ::testing::Test {
protected:
    TempProgramFolder folder;

    void SetUp() override { ASSERT_TRUE(folder.IsValid()); }

    static void Store(const QString& password, const QString& hint) {
        ASSERT_TRUE(Settings().SaveSettings(QStringLiteral("Co"), password, hint, QString(),
                                            QString(), QStringLiteral("quorvane.sys.qvd")));
    }
};

TEST_F(LoginTest, EmptyStoredPassword) {
    Login login;
    login.Initialize();
    EXPECT_TRUE(login.Authenticate(QString()));
    EXPECT_FALSE(login.Authenticate(QStringLiteral(" ")));
    EXPECT_FALSE(login.Authenticate(QStringLiteral("secret")));
    EXPECT_EQ(login.GetPasswordHint(), QStringLiteral("No Password hint has been set!"));
}

TEST_F(LoginTest, PasswordIsComparedExactly) {
    Store(QStringLiteral("secret"), QStringLiteral("the usual"));
    Login login;
    login.Initialize();
    struct Case {
        const char* typed;
        bool accepted;
    };
    for (const Case& c : {Case{"secret", true}, Case{"SECRET", false}, Case{"Secret", false},
                          Case{"secret ", false}, Case{"", false}, Case{"secre", false}}) {
        EXPECT_EQ(login.Authenticate(QString::fromLatin1(c.typed)), c.accepted) << c.typed;
    }
    EXPECT_EQ(login.GetPasswordHint(), QStringLiteral("Your password hint:\r\n\r\nthe usual"));
}

TEST_F(LoginTest, ReadsThePasswordOnceInInitialize) {
    Login before;
    EXPECT_EQ(before.GetPasswordHint(), QString());
    EXPECT_TRUE(before.Authenticate(QString()));

    Store(QStringLiteral("first"), QString());
    Login login;
    login.Initialize();
    Store(QStringLiteral("second"), QStringLiteral("h"));
    EXPECT_TRUE(login.Authenticate(QStringLiteral("first")));
    EXPECT_FALSE(login.Authenticate(QStringLiteral("second")));
    EXPECT_EQ(login.GetPasswordHint(), QStringLiteral("No Password hint has been set!"));
}

TEST_F(LoginTest, UnreadableDatabaseGivesAnEmptyPassword) {
    Store(QStringLiteral("secret"), QStringLiteral("hint"));
    ASSERT_TRUE(QFile::remove(folder.DatabaseFile()));
    Login login;
    login.Initialize();
    EXPECT_TRUE(login.Authenticate(QString()));
    EXPECT_EQ(login.GetPasswordHint(), QStringLiteral("No Password hint has been set!"));
}

} // namespace
