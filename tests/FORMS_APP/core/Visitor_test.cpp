// The record itself: its first state, the field rules of every save, and the statement texts.
#include "VisitorFixture.h"

#include <functional>

namespace {

const QString TooShortName = QStringLiteral("Name must be atleast 3 character in length\r\n");
const QString TooLongName = QStringLiteral("Name must be lesser than 100 character in length\r\n");
const QString ContactTooShort =
    QStringLiteral("Contact No. cannot be lesser than 5 character.\r\n");
const QString ContactInvalid =
    QStringLiteral("Contact No. is invalid! Please type in only numbers.\r\n");
const QString ContactTooLong =
    QStringLiteral("Contact No. must be lesser than 50 character in length\r\n");
const QString EmailTooLong =
    QStringLiteral("Email Address must be lesser than 100 character in length\r\n");
const QString EmailInvalid = QStringLiteral("Invalid email id\r\n");
const QString TypeEmpty = QStringLiteral("Visitor Type cannot be empty\r\n");
const QString TypeTooLong =
    QStringLiteral("Visitor Type must be lesser than 50 characters in length\r\n");
const QString DepartmentTooLong =
    QStringLiteral("Department must be lesser than 50 characters in length\r\n");
const QString CompanyTooLong =
    QStringLiteral("Company Name must be lesser than 50 characters in length\r\n");
const QString PurposeEmpty = QStringLiteral("Purpose cannot be empty\r\n");
const QString PurposeTooLong =
    QStringLiteral("Purpose cannot be greater than 50 characters in length\r\n");
const QString ToMeetTooShort =
    QStringLiteral("Person to meet cannot be lesser than 3 character in length\r\n");
const QString RemarksTooLong =
    QStringLiteral("Remarks must be lesser than 250 character in length\r\n");

QString NulLine(const char* field) {
    return QString::fromLatin1(field) +
           QStringLiteral(" contains a NUL character; please type it again\r\n");
}

// Pasted text: a NUL character in the middle.
QString WithNul(const char* before, const char* after) {
    return QString::fromLatin1(before) + QChar(u'\0') + QString::fromLatin1(after);
}

QString Repeated(char c, int count) {
    return QString(count, QLatin1Char(c));
}

struct ValidationCase {
    const char* name;
    std::function<void(Visitor&)> change;
    QString expected; // "" when the record passes
};

void PrintTo(const ValidationCase& c, std::ostream* os) {
    *os << c.name;
}

class VisitorValidation : public VisitorFixture,
                          public ::testing::WithParamInterface<ValidationCase> {};

TEST_P(VisitorValidation, GivesExactlyTheFailingRulesLines) {
    Visitor visitor = ValidVisitor();
    GetParam().change(visitor);
    const bool expectPass = GetParam().expected.isEmpty();

    EXPECT_EQ(visitor.InsertVisitorRecord(), expectPass);
    EXPECT_EQ(visitor.ErrorMessage().toStdString(), GetParam().expected.toStdString());
    EXPECT_EQ(PassNumbers().size(), expectPass ? 1 : 0);
}

// clang-format off
const ValidationCase ValidationCases[] = {
    {"valid", [](Visitor&) {}, {}},
    {"two_letter_name_and_empty_purpose",
     [](Visitor& v) { v.SetVisitorName(QStringLiteral("Al")); v.SetPurpose({}); },
     TooShortName + PurposeEmpty},
    {"name_of_100_passes", [](Visitor& v) { v.SetVisitorName(Repeated('n', 100)); }, {}},
    {"name_of_101", [](Visitor& v) { v.SetVisitorName(Repeated('n', 101)); }, TooLongName},
    {"contact_empty", [](Visitor& v) { v.SetContactNo({}); }, {}},
    {"contact_four_digits", [](Visitor& v) { v.SetContactNo(QStringLiteral("1234")); },
     ContactTooShort},
    {"contact_with_plus_blanks_hyphens",
     [](Visitor& v) { v.SetContactNo(QStringLiteral("+49 30-1234 567")); }, {}},
    {"contact_12_5_is_too_short", [](Visitor& v) { v.SetContactNo(QStringLiteral("12.5")); },
     ContactTooShort},
    {"contact_decimal_number_passes",
     [](Visitor& v) { v.SetContactNo(QStringLiteral("12345.5")); }, {}},
    {"contact_thousands_separators_pass",
     [](Visitor& v) { v.SetContactNo(QStringLiteral("1,234,567")); }, {}},
    {"contact_digits_then_letter", [](Visitor& v) { v.SetContactNo(QStringLiteral("12345a")); },
     ContactInvalid},
    {"contact_letter_in_long_text_gives_no_length_line",
     [](Visitor& v) { v.SetContactNo(Repeated('1', 60) + u'x'); }, ContactInvalid},
    {"contact_of_50_passes", [](Visitor& v) { v.SetContactNo(Repeated('1', 50)); }, {}},
    {"contact_of_51_digits", [](Visitor& v) { v.SetContactNo(Repeated('1', 51)); },
     ContactTooLong},
    {"contact_of_51_phone_characters",
     [](Visitor& v) { v.SetContactNo(QStringLiteral("+49 ") + Repeated('5', 47)); },
     ContactTooLong},
    {"email_empty_passes", [](Visitor& v) { v.SetEmail({}); }, {}},
    {"email_valid_passes", [](Visitor& v) { v.SetEmail(QStringLiteral("ann.lee@example.com")); },
     {}},
    {"email_malformed", [](Visitor& v) { v.SetEmail(QStringLiteral("ann@example")); },
     EmailInvalid},
    {"email_101_malformed", [](Visitor& v) { v.SetEmail(Repeated('e', 101)); },
     EmailTooLong + EmailInvalid},
    {"type_empty", [](Visitor& v) { v.SetVisitorType({}); }, TypeEmpty},
    {"type_of_51", [](Visitor& v) { v.SetVisitorType(Repeated('t', 51)); }, TypeTooLong},
    {"department_of_51", [](Visitor& v) { v.SetDepartment(Repeated('d', 51)); },
     DepartmentTooLong},
    {"company_of_51", [](Visitor& v) { v.SetCompany(Repeated('c', 51)); }, CompanyTooLong},
    {"purpose_of_51", [](Visitor& v) { v.SetPurpose(Repeated('p', 51)); }, PurposeTooLong},
    {"to_meet_of_2", [](Visitor& v) { v.SetToMeet(QStringLiteral("Bo")); }, ToMeetTooShort},
    {"to_meet_of_300_passes", [](Visitor& v) { v.SetToMeet(Repeated('m', 300)); }, {}},
    {"remarks_of_250_passes", [](Visitor& v) { v.SetRemarks(Repeated('r', 250)); }, {}},
    {"remarks_of_251", [](Visitor& v) { v.SetRemarks(Repeated('r', 251)); }, RemarksTooLong},
    {"address_never_checked", [](Visitor& v) { v.SetAddress(Repeated('a', 400)); }, {}},
    {"nul_in_name", [](Visitor& v) { v.SetVisitorName(WithNul("Ann", " Lee")); }, NulLine("Name")},
    {"nul_in_address_is_its_only_rule",
     [](Visitor& v) { v.SetAddress(WithNul("1 Main", " St")); }, NulLine("Address")},
    {"nul_in_contact", [](Visitor& v) { v.SetContactNo(WithNul("12345", "6")); },
     ContactInvalid + NulLine("Contact No.")},
    {"nul_in_email", [](Visitor& v) { v.SetEmail(WithNul("ann", "@example.com")); },
     EmailInvalid + NulLine("Email Address")},
    {"nul_in_several_fields_in_column_order",
     [](Visitor& v) {
         v.SetRemarks(WithNul("", "x"));
         v.SetCompany(WithNul("Acme", ""));
         v.SetToMeet(WithNul("Bob", " Smith"));
         v.SetVisitorType(WithNul("Gen", "eral"));
         v.SetPurpose(WithNul("Off", "icial"));
         v.SetDepartment(WithNul("Sa", "les"));
     },
     NulLine("Visitor Type") + NulLine("Company Name") + NulLine("Purpose") +
         NulLine("Person to meet") + NulLine("Department") + NulLine("Remarks")},
    {"every_rule_in_table_order",
     [](Visitor& v) {
         v.SetVisitorName(Repeated('n', 101));
         v.SetContactNo(QStringLiteral("12"));
         v.SetEmail(Repeated('e', 101));
         v.SetVisitorType({});
         v.SetDepartment(Repeated('d', 51));
         v.SetCompany(Repeated('c', 51));
         v.SetPurpose({});
         v.SetToMeet({});
         v.SetRemarks(Repeated('r', 251));
     },
     TooLongName + ContactTooShort + EmailTooLong + EmailInvalid + TypeEmpty + DepartmentTooLong +
         CompanyTooLong + PurposeEmpty + ToMeetTooShort + RemarksTooLong},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Rules, VisitorValidation, ::testing::ValuesIn(ValidationCases),
                         [](const auto& info) { return std::string(info.param.name); });

using VisitorRecord = VisitorFixture;

TEST_F(VisitorRecord, StartsEmptyWithZeroDates) {
    const Visitor visitor;
    EXPECT_EQ(Visitor::ZeroDate(), QDateTime(QDate(1899, 12, 30), QTime(0, 0)));
    EXPECT_EQ(visitor.CheckedIn(), Visitor::ZeroDate());
    EXPECT_EQ(visitor.CheckedOut(), Visitor::ZeroDate());
    EXPECT_TRUE(visitor.PassNo().isEmpty());
    EXPECT_TRUE(visitor.ImageFile().isEmpty());
    EXPECT_TRUE(visitor.ErrorMessage().isEmpty());
    EXPECT_FALSE(visitor.IsVisitorCheckedOut());
}

TEST_F(VisitorRecord, NameRuleStartsTheMessageAfresh) {
    // A failed save followed by another on the same record: the name line replaces what was
    // there, the other rules add to it.
    Visitor visitor = ValidVisitor(QStringLiteral("Al"));
    EXPECT_FALSE(visitor.InsertVisitorRecord());
    visitor.SetToMeet(QStringLiteral("B"));
    EXPECT_FALSE(visitor.InsertVisitorRecord());
    EXPECT_EQ(visitor.ErrorMessage(), TooShortName + ToMeetTooShort);
}

Visitor QuotedVisitor() {
    Visitor visitor;
    visitor.SetPassNo(QStringLiteral("0007"));
    visitor.SetVisitorName(QStringLiteral("Ann O'Lee"));
    visitor.SetContactNo(QStringLiteral("+49 30-1234 567"));
    visitor.SetEmail(QStringLiteral("ann@example.com"));
    visitor.SetVisitorType(QStringLiteral("General"));
    visitor.SetCompany(QStringLiteral("O'Neil & Sons"));
    visitor.SetAddress(QStringLiteral("1 Main St"));
    visitor.SetPurpose(QStringLiteral("Official"));
    visitor.SetToMeet(QStringLiteral("Bob"));
    visitor.SetDepartment(QStringLiteral("Sales"));
    visitor.SetRemarks(QStringLiteral("it's 'fine'"));
    return visitor;
}

TEST_F(VisitorRecord, InsertTextDoublesQuotesAndKeepsTheDoubledMembers) {
    Visitor visitor = QuotedVisitor();
    EXPECT_EQ(visitor.GetInsertQuery().toStdString(),
              "INSERT INTO [VisitorRegister]([PassNo],[Name],[Mobile],[Email],[VisitorType],"
              "[Company],[Address],[Purpose],[ToMeet],[Department],[Remarks])values('0007', "
              "'Ann O''Lee', '+49 30-1234 567' , 'ann@example.com', 'General', 'O''Neil & Sons', "
              "'1 Main St', 'Official', 'Bob', 'Sales', 'it''s ''fine''')");
    EXPECT_EQ(visitor.Company(), QStringLiteral("O''Neil & Sons"));
    EXPECT_EQ(visitor.VisitorName(), QStringLiteral("Ann O''Lee"));
    EXPECT_EQ(visitor.Remarks(), QStringLiteral("it''s ''fine''"));
    EXPECT_EQ(visitor.ContactNo(), QStringLiteral("+49 30-1234 567"));
    EXPECT_EQ(visitor.PassNo(), QStringLiteral("0007"));
}

TEST_F(VisitorRecord, UpdateTextDoublesQuotesAndSetsTenColumns) {
    Visitor visitor = QuotedVisitor();
    EXPECT_EQ(visitor.GetUpdateQuery().toStdString(),
              "UPDATE [VisitorRegister] SET   [Name] = 'Ann O''Lee', [Mobile] = '+49 30-1234 567', "
              "[Email] = 'ann@example.com', [VisitorType] = 'General', [Company] = 'O''Neil & "
              "Sons', [Address] = '1 Main St', [Purpose] = 'Official', [ToMeet] = 'Bob', "
              "[Department] = 'Sales', [Remarks] = 'it''s ''fine''' WHERE [PassNo]= '0007'");
    EXPECT_EQ(visitor.Company(), QStringLiteral("O''Neil & Sons"));
}

TEST_F(VisitorRecord, PassNumberWithAQuoteStaysInsideItsLiteral) {
    Visitor visitor = ValidVisitor();
    visitor.SetPassNo(QStringLiteral("1' OR '1'='1"));
    EXPECT_TRUE(visitor.GetUpdateQuery().endsWith(QStringLiteral("WHERE [PassNo]= '1'' OR "
                                                                 "''1''=''1'")));
    EXPECT_EQ(visitor.PassNo(), QStringLiteral("1' OR '1'='1"));
}

TEST_F(VisitorRecord, MinimalRecordStoresEmptyTextsNotNull) {
    Visitor visitor = ValidVisitor();
    ASSERT_TRUE(visitor.InsertVisitorRecord());
    const std::optional<RecordSet> row = Row(visitor.PassNo());
    ASSERT_TRUE(row && !row->AtEnd());
    for (const char* column : {"Mobile", "Email", "Company", "Address", "Department", "Remarks"}) {
        const QVariant value = row->Field(QString::fromLatin1(column));
        EXPECT_FALSE(value.isNull()) << column;
        EXPECT_EQ(value.toString(), QString()) << column;
    }
    EXPECT_TRUE(row->Field(QStringLiteral("CheckedOut")).isNull());
    EXPECT_FALSE(row->Field(QStringLiteral("CheckedIn")).toString().isEmpty());
}

} // namespace
