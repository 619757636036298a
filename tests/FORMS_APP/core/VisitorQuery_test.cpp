// Reading visits: load, check-out state, the search, the checked-in list, drop-down values and
// the quick pick.
#include "VisitorFixture.h"

namespace {

const QString Stamp = QStringLiteral("yyyy-MM-dd HH:mm:ss");

using VisitorLoad = VisitorFixture;

TEST_F(VisitorLoad, MissingPassNumberChangesNoMember) {
    AddRow(QStringLiteral("0001"), QStringLiteral("Stored"));
    Visitor visitor = ValidVisitor(QStringLiteral("Kept Name"));
    visitor.SetPassNo(QStringLiteral("0002"));
    EXPECT_FALSE(visitor.LoadVisitor());
    EXPECT_EQ(visitor.VisitorName(), QStringLiteral("Kept Name"));
    EXPECT_EQ(visitor.Purpose(), QStringLiteral("Official"));
    EXPECT_EQ(visitor.CheckedIn(), Visitor::ZeroDate());
}

TEST_F(VisitorLoad, ReadsEveryColumnAndAVisitorStillInIsNotCheckedOut) {
    Execute(QStringLiteral("INSERT INTO [VisitorRegister] VALUES('0007', 'Ann', '55555', "
                           "'a@b.cd', 'Vendor', 'Acme', 'Street 1', 'Personal', 'Bob', 'Sales', "
                           "'late', '2024-03-05 09:15:30', NULL)"));
    Visitor visitor;
    visitor.SetPassNo(QStringLiteral("0007"));
    visitor.SetImageFile(QStringLiteral("kept.jpg"));
    ASSERT_TRUE(visitor.LoadVisitor());

    const QStringList read = {visitor.VisitorName(), visitor.ContactNo(), visitor.Email(),
                              visitor.VisitorType(), visitor.Company(),   visitor.Address(),
                              visitor.Purpose(),     visitor.ToMeet(),    visitor.Department(),
                              visitor.Remarks()};
    EXPECT_EQ(read, (QStringList{"Ann", "55555", "a@b.cd", "Vendor", "Acme", "Street 1", "Personal",
                                 "Bob", "Sales", "late"}));
    EXPECT_EQ(visitor.CheckedIn(), QDateTime(QDate(2024, 3, 5), QTime(9, 15, 30)));
    EXPECT_EQ(visitor.CheckedOut(), Visitor::ZeroDate());
    EXPECT_EQ(visitor.PassNo(), QStringLiteral("0007"));
    EXPECT_EQ(visitor.ImageFile(), QStringLiteral("kept.jpg"));
    EXPECT_FALSE(visitor.IsVisitorCheckedOut());
}

TEST_F(VisitorLoad, NullTextsLeaveMembersAsTheyWere) {
    Execute(QStringLiteral("INSERT INTO [VisitorRegister]([PassNo],[Name],[Company]) "
                           "VALUES('0003', NULL, NULL)"));
    Visitor visitor;
    visitor.SetPassNo(QStringLiteral("0003"));
    visitor.SetCompany(QStringLiteral("Before"));
    ASSERT_TRUE(visitor.LoadVisitor());
    EXPECT_EQ(visitor.Company(), QStringLiteral("Before"));
    EXPECT_EQ(visitor.VisitorName(), QString());
}

using VisitorCheckOut = VisitorFixture;

TEST_F(VisitorCheckOut, SetsTheDatabaseTimeAndASecondCheckOutMovesIt) {
    Visitor inserted = ValidVisitor();
    ASSERT_TRUE(inserted.InsertVisitorRecord());
    const QString passNo = inserted.PassNo();
    const QDateTime before = QDateTime::currentDateTime().addSecs(-2);

    Visitor first;
    first.SetPassNo(passNo);
    ASSERT_TRUE(first.CheckOutVisitor());
    Visitor loaded;
    loaded.SetPassNo(passNo);
    ASSERT_TRUE(loaded.LoadVisitor());
    EXPECT_GE(loaded.CheckedOut(), before);
    EXPECT_GE(loaded.CheckedOut(), loaded.CheckedIn());

    // Back-date both times, then check out again: the later call wins.
    Execute(QStringLiteral("UPDATE [VisitorRegister] SET [CheckedIn]='2001-01-01 08:00:00', "
                           "[CheckedOut]='2001-01-01 09:00:00'"));
    Visitor second;
    second.SetPassNo(passNo);
    ASSERT_TRUE(second.CheckOutVisitor());
    Visitor reloaded;
    reloaded.SetPassNo(passNo);
    ASSERT_TRUE(reloaded.LoadVisitor());
    EXPECT_GE(reloaded.CheckedOut(), before);
    EXPECT_TRUE(reloaded.IsVisitorCheckedOut());
}

TEST_F(VisitorCheckOut, IsCheckedOutOnlyWhenOutIsLaterThanIn) {
    struct Case {
        QDateTime in, out;
        bool checkedOut;
    };
    const QDateTime t(QDate(2024, 3, 5), QTime(9, 0));
    const Case cases[] = {{t, Visitor::ZeroDate(), false},
                          {t, t, false},
                          {t, t.addSecs(1), true},
                          {t, t.addSecs(-60), false}};
    for (const Case& c : cases) {
        Visitor visitor;
        visitor.SetCheckedIn(c.in);
        visitor.SetCheckedOut(c.out);
        EXPECT_EQ(visitor.IsVisitorCheckedOut(), c.checkedOut) << c.out.toString().toStdString();
    }
}

TEST_F(VisitorCheckOut, CheckedInListHoldsOnlyOpenVisits) {
    for (const char* passNo : {"0001", "0002", "0003"}) {
        AddRow(QString::fromLatin1(passNo), QStringLiteral("Someone"));
    }
    Visitor out;
    out.SetPassNo(QStringLiteral("0002"));
    ASSERT_TRUE(out.CheckOutVisitor());

    const std::optional<RecordSet> list = Visitor().GetCheckedInVisitorList();
    ASSERT_TRUE(list);
    EXPECT_EQ(list->FieldCount(), 13);
    EXPECT_EQ(Column(list, 0), (QStringList{"0001", "0003"}));
}

// The search, with rows whose check-in times sit around day boundaries. As day-first text
// "06-12-2023" sorts after "05-03-2024", which is what the date bounds must not follow.
class VisitorSearch : public VisitorFixture {
protected:
    void SetUp() override {
        VisitorFixture::SetUp();
        const char* rows[][3] = {
            {"0001", "Pat O'Neil", "2023-12-06 10:00:00"},
            {"0002", "Ann Lee", "2024-03-04 23:59:59"},
            {"0003", "Neil Young", "2024-03-05 00:00:00"},
            {"0004", "Ann Lee", "2024-03-05 18:30:00"},
            {"0005", "Bo Neill", "2024-03-06 23:59:59"},
            {"0006", "Cy Twombly", "2024-03-07 00:00:00"},
            {"0010", "Dee Dee", "2025-01-10 12:00:00"},
        };
        for (const auto& row : rows) {
            AddRow(QString::fromLatin1(row[0]), QString::fromUtf8(row[1]),
                   QString::fromLatin1(row[2]));
        }
        Execute(QStringLiteral("UPDATE [VisitorRegister] SET [Company]='O''Brien & Co', "
                               "[Email]='pat@example.com' WHERE [PassNo]='0001'"));
    }

    static QStringList Found(Visitor& query) { return Column(query.GetVisitorList(), 0); }
};

TEST_F(VisitorSearch, NoFilterReturnsEveryVisitInTableColumns) {
    Visitor query;
    const std::optional<RecordSet> rows = query.GetVisitorList();
    ASSERT_TRUE(rows);
    EXPECT_EQ(rows->RecordCount(), 7);
    EXPECT_EQ(rows->FieldNames().first(), QStringLiteral("PassNo"));
    EXPECT_EQ(rows->FieldNames().last(), QStringLiteral("CheckedOut"));
}

TEST_F(VisitorSearch, TextFiltersMatchTheirPatternsIncludingQuotes) {
    struct Case {
        void (Visitor::*set)(const QString&);
        const char* pattern;
        QStringList found;
    };
    const Case cases[] = {
        {&Visitor::SetVisitorName, "%Neil%", {"0001", "0003", "0005"}},
        {&Visitor::SetVisitorName, "%O'Neil%", {"0001"}},
        {&Visitor::SetVisitorName, "%ann lee%", {"0002", "0004"}},
        {&Visitor::SetCompany, "%O'Brien%", {"0001"}},
        {&Visitor::SetEmail, "%example%", {"0001"}},
        {&Visitor::SetPassNo, "%0'%", {}},
        {&Visitor::SetPassNo, "0004", {"0004"}},
        {&Visitor::SetVisitorName, "%'; DROP TABLE [VisitorRegister]; --%", {}},
    };
    for (const Case& c : cases) {
        Visitor query;
        (query.*c.set)(QString::fromUtf8(c.pattern));
        const std::optional<RecordSet> rows = query.GetVisitorList();
        ASSERT_TRUE(rows) << c.pattern;
        EXPECT_EQ(Column(rows, 0), c.found) << c.pattern;
    }
    EXPECT_EQ(PassNumbers().size(), 7);
}

TEST_F(VisitorSearch, DateBoundsCoverWholeDays) {
    struct Case {
        const char* from;
        const char* to;
        QStringList found;
    };
    const Case cases[] = {
        {"05-03-2024", "06-03-2024", {"0003", "0004", "0005"}},
        {"5-3-2024", "6-3-2024", {"0003", "0004", "0005"}},
        {"05-03-2024", "05-03-2024", {"0003", "0004"}},
        {"07-03-2024", "", {"0006", "0010"}},
        {"", "04-03-2024", {"0001", "0002"}},
        {"01-12-2023", "31-12-2023", {"0001"}},
        {"06-03-2024", "05-03-2024", {}},
    };
    for (const Case& c : cases) {
        Visitor query;
        query.SetSearchDateFrom(QString::fromLatin1(c.from));
        query.SetSearchDateTo(QString::fromLatin1(c.to));
        EXPECT_EQ(Found(query), c.found) << c.from << " to " << c.to;
    }
}

TEST_F(VisitorSearch, FiltersCombine) {
    Visitor query;
    query.SetVisitorName(QStringLiteral("%Ann%"));
    query.SetSearchDateFrom(QStringLiteral("05-03-2024"));
    EXPECT_EQ(Found(query), QStringList{QStringLiteral("0004")});
}

TEST_F(VisitorSearch, UnreadableDateGivesNothing) {
    // A signed year or another script's digits would otherwise reach the bounds as a date.
    const QString texts[] = {QStringLiteral("31-02-2024"), QStringLiteral("29-11--2020"),
                             QStringLiteral("01-01-0099"), QStringLiteral("\u0660\u0665-03-2024")};
    for (const QString& text : texts) {
        for (const bool from : {true, false}) {
            Visitor query;
            (from ? query.SetSearchDateFrom(text) : query.SetSearchDateTo(text));
            EXPECT_FALSE(query.GetVisitorList()) << text.toStdString() << (from ? " from" : " to");
        }
    }
}

using VisitorDropDown = VisitorFixture;

TEST_F(VisitorDropDown, DistinctNonEmptyValuesWithOptionalExclusions) {
    Execute(QStringLiteral("INSERT INTO [VisitorRegister]([PassNo],[VisitorType],[Company]) VALUES"
                           "('0001','General','O''Neil'),('0002','Vendor','Acme'),"
                           "('0003','Contractor',''),('0004','General',NULL),"
                           "('0005','',NULL),('0006',NULL,'Acme')"));
    struct Case {
        const char* column;
        const char* filter;
        QStringList values;
    };
    const Case cases[] = {
        {"VisitorType", "", {"Contractor", "General", "Vendor"}},
        {"VisitorType", "('General', 'Vendor', 'Others')", {"Contractor"}},
        {"Company", "", {"Acme", "O'Neil"}},
        {"Company", "('O''Neil')", {"Acme"}},
        {"Company", "()", {"Acme", "O'Neil"}},
    };
    for (const Case& c : cases) {
        Visitor visitor;
        const std::optional<RecordSet> rows =
            visitor.GetDDValues(QString::fromLatin1(c.column), QString::fromLatin1(c.filter));
        ASSERT_TRUE(rows) << c.column << " " << c.filter;
        EXPECT_EQ(Column(rows, 0), c.values) << c.column << " " << c.filter;
    }
    EXPECT_EQ(Column(Visitor().GetDDValues(QStringLiteral("VisitorType")), 0),
              (QStringList{"Contractor", "General", "Vendor"}));
}

TEST_F(VisitorDropDown, RefusesWhatIsNoColumnOrNoValueList) {
    Visitor visitor;
    EXPECT_FALSE(visitor.GetDDValues(QStringLiteral("Name] FROM [Settings] --")));
    EXPECT_FALSE(visitor.GetDDValues(QStringLiteral("Company"), QStringLiteral("('a') OR 1=1")));
    EXPECT_FALSE(visitor.GetDDValues(QStringLiteral("Company"), QStringLiteral("('O'Neil')")));
    EXPECT_FALSE(visitor.FillSimpleSearch(QStringLiteral("Name"), QStringLiteral("PWD"),
                                          QStringLiteral("%"), QStringLiteral("%")));
}

TEST_F(VisitorDropDown, QuickPickListsDistinctMatchingPairs) {
    Execute(QStringLiteral("INSERT INTO [VisitorRegister]([PassNo],[Name],[Company],[ToMeet],"
                           "[Department]) VALUES"
                           "('0001','Pat O''Neil','Acme','Bob','Sales'),"
                           "('0002','Pat O''Neil','Acme','Bob','Sales'),"
                           "('0003','Pat O''Neil','Other','Eve','HR'),"
                           "('0004','Ann Lee','Acme','Bob','Sales')"));
    struct Case {
        const char* column1;
        const char* column2;
        const char* filter1;
        const char* filter2;
        QStringList firsts;
    };
    const Case cases[] = {
        {"Name", "Company", "%O'Neil%", "%", {"Pat O'Neil", "Pat O'Neil"}},
        {"Name", "Company", "%neil%", "%acme%", {"Pat O'Neil"}},
        {"Name", "Company", "%", "%", {"Ann Lee", "Pat O'Neil", "Pat O'Neil"}},
        {"ToMeet", "Department", "%", "%", {"Bob", "Eve"}},
        {"ToMeet", "Department", "%b%", "%'%", {}},
    };
    for (const Case& c : cases) {
        const std::optional<RecordSet> rows = Visitor().FillSimpleSearch(
            QString::fromLatin1(c.column1), QString::fromLatin1(c.column2),
            QString::fromUtf8(c.filter1), QString::fromUtf8(c.filter2));
        ASSERT_TRUE(rows) << c.filter1 << " " << c.filter2;
        EXPECT_EQ(rows->FieldCount(), 2);
        EXPECT_EQ(Column(rows, 0), c.firsts) << c.filter1 << " " << c.filter2;
    }
}

} // namespace
