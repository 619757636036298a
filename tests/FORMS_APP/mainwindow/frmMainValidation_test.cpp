#include "frmMainDetailsFixture.h"

#include <vector>

namespace {

struct Field {
    const char* control;
    QString text;
};

struct ValidationCase {
    const char* what;
    std::vector<Field> typed; // over a visitor the page accepts
    const char* message;      // nullptr: the page accepts it
    const char* focus;        // where the focus is afterwards
};

QString Times(int count, char c = 'x') {
    return QString(count, QChar::fromLatin1(c));
}

const std::vector<ValidationCase>& Cases() {
    static const std::vector<ValidationCase> cases = {
        {"valid visitor", {}, nullptr, "txtRemarks"},
        {"empty contact and e-mail",
         {{"txtMobileNo", QString()}, {"txtEmail", QString()}},
         nullptr,
         "txtRemarks"},
        {"contact of digits, spaces, hyphens and a plus",
         {{"txtMobileNo", QStringLiteral("+49 151-234 567")}},
         nullptr,
         "txtRemarks"},
        {"contact of exactly five digits",
         {{"txtMobileNo", QStringLiteral("12345")}},
         nullptr,
         "txtRemarks"},
        {"name of three characters with spaces",
         {{"txtName", QStringLiteral(" Al")}},
         nullptr,
         "txtRemarks"},
        {"contact of 50 characters", {{"txtMobileNo", Times(50, '1')}}, nullptr, "txtRemarks"},
        {"short name",
         {{"txtName", QStringLiteral("Al")}},
         "Name must be atleast 3 character in length",
         "txtName"},
        {"long name",
         {{"txtName", Times(101)}},
         "Name must be lesser than 100 character in length",
         "txtName"},
        {"contact of four digits",
         {{"txtMobileNo", QStringLiteral("1234")}},
         "Contact No. cannot be lesser than 5 character.",
         "txtMobileNo"},
        {"contact with a letter",
         {{"txtMobileNo", QStringLiteral("12345a")}},
         "Contact No. is invalid! Please type in only numbers.",
         "txtMobileNo"},
        {"contact of 51 characters",
         {{"txtMobileNo", Times(51, '1')}},
         "Contact No. must be lesser than 50 character in length",
         "txtMobileNo"},
        {"long e-mail",
         {{"txtEmail", Times(95) + QStringLiteral("@a.com")}},
         "Email Address must be lesser than 100 character in length",
         "txtEmail"},
        {"bad e-mail", {{"txtEmail", QStringLiteral("ann@")}}, "Invalid email id", "txtEmail"},
        {"empty visitor type",
         {{"ddVisitorType", QString()}},
         "Visitor Type cannot be empty",
         "ddVisitorType"},
        {"long visitor type",
         {{"ddVisitorType", Times(51)}},
         "Visitor Type must be lesser than 50 characters in length",
         "ddVisitorType"},
        {"long department",
         {{"ddDepartment", Times(51)}},
         "Department must be lesser than 50 characters in length",
         "ddDepartment"},
        {"long company",
         {{"ddCompany", Times(51)}},
         "Company Name must be lesser than 50 characters in length",
         "ddCompany"},
        {"empty purpose", {{"ddPurpose", QString()}}, "Purpose cannot be empty", "ddPurpose"},
        {"long purpose leaves the focus where it was",
         {{"ddPurpose", Times(51)}},
         "Purpose cannot be greater than 50 characters in length",
         "txtRemarks"},
        {"short person to meet",
         {{"txtToMeet", QStringLiteral("Bo")}},
         "Person to meet cannot be lesser than 3 character in length",
         "txtToMeet"},
        // The box itself takes no more than 250 characters, however they arrive.
        {"remarks of 250 characters", {{"txtRemarks", Times(251)}}, nullptr, "txtRemarks"},
        {"several failing fields: the first only",
         {{"txtToMeet", QString()}, {"ddPurpose", QString()}, {"txtEmail", QStringLiteral("x")}},
         "Invalid email id",
         "txtEmail"},
    };
    return cases;
}

class frmMainValidationTest : public frmMainDetailsTest {
protected:
    void Type(const Field& field) const {
        QWidget* control = Child(QString::fromLatin1(field.control));
        if (auto* edit = qobject_cast<QLineEdit*>(control)) {
            // Past the box's own limit, as pasted text or a program would set it.
            edit->setMaxLength(32767);
            edit->setText(field.text);
        } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
            combo->setEditText(field.text);
        } else if (auto* memo = qobject_cast<LimitedTextEdit*>(control)) {
            memo->setPlainText(field.text);
        }
    }
};

} // namespace

// One message for the first failing rule, the focus where the rule says, nothing stored.
TEST_F(frmMainValidationTest, FirstFailingRuleIsShownAndMovesTheFocus) {
    frmMain& main = OpenWindow();
    for (const ValidationCase& entry : Cases()) {
        SCOPED_TRACE(entry.what);
        MsgBox::ClearRecorded();
        TypeValidVisitor();
        for (const Field& field : entry.typed) {
            Type(field);
        }
        Memo("txtRemarks")->setFocus();
        const bool valid = frmMainDetailsAccess::ValidateVisitorDetails(main);
        EXPECT_EQ(valid, entry.message == nullptr);
        if (entry.message != nullptr) {
            ASSERT_EQ(MsgBox::Recorded().size(), 1u);
            EXPECT_EQ(MsgBox::Recorded()[0].text, QString::fromLatin1(entry.message));
            EXPECT_EQ(MsgBox::Recorded()[0].title, QStringLiteral("Quorvane Lite"));
            EXPECT_EQ(MsgBox::Recorded()[0].icon, MsgBox::Icon::Information);
            EXPECT_EQ(MsgBox::Recorded()[0].buttons, MsgBox::Buttons::OK);
        } else {
            EXPECT_TRUE(MsgBox::Recorded().empty());
        }
        ASSERT_NE(main.focusWidget(), nullptr);
        EXPECT_EQ(main.focusWidget(), Child(QString::fromLatin1(entry.focus)))
            << main.focusWidget()->objectName().toStdString();
    }
}

// A refused page stores nothing and prints nothing.
TEST_F(frmMainValidationTest, RefusedPageStoresNothing) {
    OpenWindow();
    TypeValidVisitor();
    Edit("txtToMeet")->setText(QStringLiteral("Bo"));
    ClosePassWindows();
    Click("btnCheckIn");
    EXPECT_EQ(Messages(), QStringList{QStringLiteral(
                              "Person to meet cannot be lesser than 3 character in length")});
    EXPECT_FALSE(VisitStored(QStringLiteral("0001")));
    EXPECT_EQ(passWindowsShown, 0);
    EXPECT_EQ(Edit("txtToMeet")->text(), QStringLiteral("Bo"));
}
