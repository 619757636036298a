#include "QtPrinters.h"
#include "TempProgramFolder.h"

#include "core/CoreError.h"
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

// An unreadable password is no empty one: Initialize raises instead of letting "" in.
TEST_F(LoginTest, UnreadableDatabaseRaisesInsteadOfGivingAnEmptyPassword) {
    struct Case {
        const char* what;
        bool removeFile;
    };
    for (const Case& c : {Case{"database removed", true}, Case{"database overwritten", false}}) {
        SCOPED_TRACE(c.what);
        TempProgramFolder program;
        ASSERT_TRUE(program.IsValid());
        Store(QStringLiteral("secret"), QStringLiteral("hint"));
        if (c.removeFile) {
            ASSERT_TRUE(QFile::remove(program.DatabaseFile()));
        } else {
            program.WriteFile(QStringLiteral("Data/quorvane.sys.qvd"), "no database");
        }
        Login login;
        EXPECT_THROW(login.Initialize(), CoreError);
    }
}

} // namespace
