#include "frmMainFixture.h"

#include "mainwindow/BalloonTip.h"
#include "mainwindow/LimitedTextEdit.h"
#include "mainwindow/QVButton.h"
#include "mainwindow/ToolTip.h"
#include "mainwindow/VisitorListModel.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTextCursor>
#include <QTreeView>

#include <vector>

namespace {

struct FieldCase {
    const char* control;
    const char* label;
    const char* caption;
    int limit; // 0: none
    const char* tooltip;
};

// Details page, in tab order.
const FieldCase kDetailFields[] = {
    {"txtPassNo", "lblPassNo", "Pass No.", 0, "Visitor Pass No"},
    {"ddVisitorType", "lblVisitorType", "Visitor &Type", 0, "Choose or Enter Visitor Type"},
    {"txtName", "lblName", "&Name", 100,
     "Enter the Visitor Name (Press F2 to choose from the list)"},
    {"txtMobileNo", "lblMobileNo", "C&ontact No.", 50, "Enter the Contact No"},
    {"txtEmail", "lblEmail", "&Email ID", 100, "Enter the Email Id"},
    {"ddCompany", "lblCompany", "&Company", 0, "Enter the Company"},
    {"txtAddress", "lblAddress", "&Address", 250, "Enter the Visitor Address"},
    {"ddPurpose", "lblPurpose", "&Purpose", 0, "Enter the Purpose for visit"},
    {"ddDepartment", "lblDepartment", "&Department", 0, "Enter the Department"},
    {"txtToMeet", "lblToMeet", "To &Meet", 100,
     "Enter the person to meet (Press F2 to choose from the list)"},
    {"txtRemarks", "lblRemarks", "&Remarks", 250, "Type in the remarks"},
};

// Search page, in tab order.
const FieldCase kSearchFields[] = {
    {"txtSearchPassNo", "lblSearchPassNo", "&Pass No.", 5, ""},
    {"txtSearchName", "lblSearchName", "&Name", 50, ""},
    {"txtSearchEmail", "lblSearchEmail", "&Email", 50, ""},
    {"ddSearchVisitorType", "lblSearchVisitorType", "Visitor &Type", 0, ""},
    {"ddSearchCompany", "lblSearchCompany", "&Company", 0, ""},
    {"ddSearchPurpose", "lblSearchPurpose", "&Purpose", 0, ""},
    {"ddSearchDepartment", "lblSearchDepartment", "&Department", 0, ""},
    {"txtSearchToMeet", "lblSearchToMeet", "To &Meet", 0, ""},
    {"txtSearchDateFrom", "lblSearchDateFrom", "Date &From", 10, ""},
    {"txtSearchDateTo", "lblSearchDateTo", "Date T&o", 10, ""},
};

class frmMainLayoutTest : public frmMainTest {
protected:
    // Text of the balloon tooltip made for the control; "" when it has none.
    static QString BalloonText(const QWidget* control) {
        QString text;
        for (const ToolTip::ToolTipEntry& entry : ToolTip::ToolTips()) {
            if (entry.control == control && entry.window != nullptr) {
                text = entry.window->Text();
            }
        }
        return text;
    }

    template <std::size_t N>
    void ExpectFields(const FieldCase (&fields)[N]) {
        for (const FieldCase& field : fields) {
            SCOPED_TRACE(field.control);
            QWidget* control = Child(QString::fromLatin1(field.control));
            ASSERT_NE(control, nullptr);
            const auto* label = Child<QLabel>(QString::fromLatin1(field.label));
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(label->text(), QString::fromLatin1(field.caption));
            EXPECT_EQ(label->buddy(), control);
            EXPECT_EQ(control->toolTip(), QString::fromLatin1(field.tooltip));
            if (auto* combo = qobject_cast<QComboBox*>(control)) {
                EXPECT_TRUE(combo->isEditable());
                EXPECT_EQ(field.limit, 0);
            } else if (field.limit > 0) {
                ExpectLimit(control, field.limit);
            }
        }
        for (std::size_t index = 1; index < N; ++index) {
            QWidget* next = Child(QString::fromLatin1(fields[index].control));
            QWidget* reached = NextTabStop(Child(QString::fromLatin1(fields[index - 1].control)));
            EXPECT_TRUE(reached == next || next->isAncestorOf(reached))
                << fields[index - 1].control << " goes on to "
                << (reached ? reached->objectName().toStdString() : std::string("nothing"));
        }
    }

    // Where Tab goes from the control, skipping the control's own inner parts.
    static QWidget* NextTabStop(QWidget* from) {
        for (QWidget* widget = from->nextInFocusChain(); widget != from;
             widget = widget->nextInFocusChain()) {
            if (!from->isAncestorOf(widget) && (widget->focusPolicy() & Qt::TabFocus) != 0 &&
                widget->focusProxy() == nullptr) {
                return widget;
            }
        }
        return nullptr;
    }

    // The box takes the limit and nothing beyond, however the text arrives. Digits, which the
    // date boxes keep as well.
    static void ExpectLimit(QWidget* control, int limit) {
        const QString tooLong(limit + 5, u'1');
        if (auto* line = qobject_cast<QLineEdit*>(control)) {
            line->setText(tooLong);
            EXPECT_EQ(line->text().size(), limit);
        } else if (auto* text = qobject_cast<LimitedTextEdit*>(control)) {
            text->SetText(QString(limit - 1, u'a'));
            text->moveCursor(QTextCursor::End);
            QTest::keyClicks(text, QStringLiteral("bcd"));
            EXPECT_EQ(text->Text(), QString(limit - 1, u'a') + u'b');
            text->SetText(tooLong);
            EXPECT_EQ(text->Text().size(), limit);
        } else {
            ADD_FAILURE() << "no limit on " << control->objectName().toStdString();
        }
    }
};

} // namespace

TEST_F(frmMainLayoutTest, DetailsPageHasItsFieldsInTabOrder) {
    OpenWindow();
    ExpectFields(kDetailFields);
    const auto* passNo = Child<QLineEdit>(QStringLiteral("txtPassNo"));
    EXPECT_TRUE(passNo->isReadOnly());
    EXPECT_EQ(passNo->palette().color(QPalette::Base), QColor(0xE0, 0xE0, 0xE0));
    EXPECT_EQ(Child(QStringLiteral("fraMainHeader"))->property("text").toString(),
              QStringLiteral("Visitor: New"));
}

TEST_F(frmMainLayoutTest, DetailsPageHasItsSixButtons) {
    OpenWindow();
    const struct {
        const char* name;
        const char* caption;
        int left;
    } buttons[] = {
        {"btnUpdate", "Update", 3},        {"btnDelete", "Delete", 95},
        {"btnCheckOut", "Check-Out", 189}, {"btnCancel", "Cancel", 283},
        {"btnCheckIn", "Check-In", 189},   {"btnClear", "Clear", 283},
    };
    for (const auto& button : buttons) {
        SCOPED_TRACE(button.name);
        const auto* control = Child<QVButton>(QString::fromLatin1(button.name));
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->Caption(), QString::fromLatin1(button.caption));
        EXPECT_EQ(control->parentWidget()->objectName(), QStringLiteral("fraVisitorButtons"));
        EXPECT_EQ(control->geometry(), QRect(button.left, 5, 92, 26));
    }
}

TEST_F(frmMainLayoutTest, SearchPageHasItsFiltersButtonsAndResultColumns) {
    OpenWindow();
    ExpectFields(kSearchFields);
    {
        // The design entries; loading refills both lists from the stored visits.
        const frmMain design;
        const auto* type = design.findChild<QComboBox*>(QStringLiteral("ddSearchVisitorType"));
        const auto* purpose = design.findChild<QComboBox*>(QStringLiteral("ddSearchPurpose"));
        ASSERT_NE(type, nullptr);
        ASSERT_NE(purpose, nullptr);
        EXPECT_EQ(type->count(), 3);
        EXPECT_EQ(type->itemText(2), QStringLiteral("Others"));
        EXPECT_EQ(purpose->itemText(1), QStringLiteral("Personal"));
        EXPECT_TRUE(purpose->currentText().isEmpty());
    }
    EXPECT_TRUE(Child<QComboBox>(QStringLiteral("ddSearchPurpose"))->currentText().isEmpty());
    for (const char* hint : {"lblDateFromHint", "lblDateToHint"}) {
        EXPECT_EQ(Child<QLabel>(QString::fromLatin1(hint))->text(), QStringLiteral("dd-MM-yyyy"));
    }
    const struct {
        const char* name;
        const char* caption;
    } buttons[] = {
        {"btnSearch", "Search"}, {"btnCancelSearch", "Clear"}, {"QVReport", "Export to Excel"}};
    for (const auto& button : buttons) {
        EXPECT_EQ(Child<QVButton>(QString::fromLatin1(button.name))->Caption(),
                  QString::fromLatin1(button.caption));
    }
    const QStringList headers = {QStringLiteral("Pass No."),    QStringLiteral("Visitor Name"),
                                 QStringLiteral("Contact No."), QStringLiteral("Email"),
                                 QStringLiteral("Company"),     QStringLiteral("Visitor Type"),
                                 QStringLiteral("Purpose"),     QStringLiteral("To Meet"),
                                 QStringLiteral("Department"),  QStringLiteral("Checked-In"),
                                 QStringLiteral("Checked-Out")};
    const auto* results = Child<QTreeView>(QStringLiteral("lstSearchResults"));
    ASSERT_EQ(results->model()->columnCount(), headers.size());
    for (int column = 0; column < headers.size(); ++column) {
        EXPECT_EQ(results->model()->headerData(column, Qt::Horizontal).toString(),
                  headers.at(column));
    }
    EXPECT_GT(results->columnWidth(1), results->columnWidth(0));
}

// A typed value stays as typed, even where the list holds a longer value that begins with it.
TEST_F(frmMainLayoutTest, ComboBoxesKeepWhatIsTyped) {
    OpenWindow();
    QApplication::setActiveWindow(window.get());
    window->EnableNewMode();
    const char* const details[] = {"ddVisitorType", "ddCompany", "ddPurpose", "ddDepartment"};
    const char* const search[] = {"ddSearchVisitorType", "ddSearchCompany", "ddSearchPurpose",
                                  "ddSearchDepartment", "txtSearchToMeet"};
    const auto check = [this](const char* name) {
        SCOPED_TRACE(name);
        auto* combo = Child<QComboBox>(QString::fromLatin1(name));
        ASSERT_NE(combo, nullptr);
        combo->addItem(QStringLiteral("Acme Industries"));
        // The beginning of a listed value, and a listed value in other letter case.
        for (const QString& typed : {QStringLiteral("Acme"), QStringLiteral("acme industries")}) {
            combo->setEditText(QString());
            combo->setFocus();
            ASSERT_TRUE(combo->lineEdit()->hasFocus());
            QTest::keyClicks(combo->lineEdit(), typed);
            QTest::keyClick(combo->lineEdit(), Qt::Key_Tab);
            EXPECT_EQ(combo->currentText(), typed);
        }
    };
    for (const char* name : details) {
        check(name);
    }
    window->EnableSearchMode();
    for (const char* name : search) {
        check(name);
    }
}

TEST_F(frmMainLayoutTest, StatusBarHasSixPanels) {
    OpenWindow();
    for (int panel = 1; panel <= MainStatusBar::PanelCount; ++panel) {
        EXPECT_NE(Child<QLabel>(QStringLiteral("statusBarPanel%1").arg(panel)), nullptr);
    }
    EXPECT_TRUE(Panel(2).startsWith(QStringLiteral("Visit us at ")));
    EXPECT_TRUE(Panel(2).endsWith(u'!'));
    EXPECT_GT(Panel(2).size(), 13);
    EXPECT_EQ(Panel(3), QStringLiteral("CAPS"));
    EXPECT_EQ(Panel(4), QStringLiteral("NUM"));
    EXPECT_FALSE(Panel(5).isEmpty());
    EXPECT_FALSE(Panel(6).isEmpty());
}

TEST_F(frmMainLayoutTest, AdvertisementsFollowTheRotationSwitch) {
    for (const bool enabled : {true, false}) {
        SCOPED_TRACE(enabled ? "on" : "off");
        folder.SetEncipheredConfigValue(QStringLiteral("ARE"),
                                        enabled ? QStringLiteral("AdRotate|ARE_1")
                                                : QStringLiteral("AdRotate|ARE_0"));
        OpenWindow();
        for (int index = 1; index <= 5; ++index) {
            const auto* picture = Child<QLabel>(QStringLiteral("picAd%1").arg(index));
            ASSERT_NE(picture, nullptr);
            EXPECT_EQ(picture->geometry(), QRect(7, 194, 152, 347));
            EXPECT_EQ(picture->pixmap().size(), QSize(152, 347));
            EXPECT_TRUE(picture->toolTip().isEmpty()) << "the balloon replaces the plain tip";
            EXPECT_EQ(BalloonText(picture).isEmpty(), !enabled);
            if (!enabled) {
                EXPECT_TRUE(picture->isHidden());
            }
        }
    }
}

TEST_F(frmMainLayoutTest, AdvertisementTipsHaveThreeLines) {
    OpenWindow();
    EXPECT_EQ(BalloonText(Child(QStringLiteral("picAd1"))),
              QStringLiteral("Electronically capture visitor information\r\n"
                             "from business card; results include\r\n"
                             "greater accuracy & reduced check-in time."));
    for (int index = 2; index <= 5; ++index) {
        EXPECT_EQ(
            BalloonText(Child(QStringLiteral("picAd%1").arg(index))).count(QStringLiteral("\r\n")),
            2);
    }
}
