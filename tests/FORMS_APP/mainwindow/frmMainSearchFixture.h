#pragma once

#include "frmMainFixture.h"

#include "core/AppEnvironment.h"
#include "mainwindow/QVButton.h"
#include "mainwindow/SearchResultsModel.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSettings>
#include <QTest>
#include <QTreeView>

#include <memory>

// The main window on its search page, with fresh per-user settings, and helpers to store visits,
// fill the filters and read the result list.
class frmMainSearchTest : public frmMainTest {
protected:
    void SetUp() override {
        frmMainTest::SetUp();
        UserSettings()->remove(QString());
    }

    void TearDown() override {
        UserSettings()->remove(QString());
        frmMainTest::TearDown();
    }

    static std::unique_ptr<QSettings> UserSettings() {
        std::unique_ptr<QSettings> settings = AppEnvironment::UserSettings();
        settings->beginGroup(QStringLiteral("Others"));
        return settings;
    }

    static QString UserValue(const char* key) {
        return UserSettings()
            ->value(QString::fromLatin1(key), QStringLiteral("<absent>"))
            .toString();
    }

    frmMain& OpenSearchPage() {
        frmMain& main = OpenWindow();
        main.EnableSearchMode();
        return main;
    }

public:
    struct Visit {
        const char* passNo;
        const char* name;
        const char* checkedIn;
        const char* checkedOut = nullptr; // nullptr: still in
        const char* email = "";           // nullptr: Null
        const char* company = "Acme";
        const char* type = "General";
    };

    static void AddVisits(std::initializer_list<Visit> visits) {
        for (const Visit& visit : visits) {
            const auto text = [](const char* value) {
                return value == nullptr ? QVariant() : QVariant(QString::fromUtf8(value));
            };
            DBManager database;
            ASSERT_TRUE(database.ExecuteNonQuery(
                QStringLiteral("INSERT INTO [VisitorRegister] VALUES (?, ?, '555 0101', ?, ?, ?, "
                               "'1 Main Street', 'Official', 'Bob Host', 'Sales', 'none', ?, ?)"),
                {text(visit.passNo), text(visit.name), text(visit.email), text(visit.type),
                 text(visit.company), text(visit.checkedIn), text(visit.checkedOut)}));
        }
    }

protected:
    void SetText(const char* box, const QString& text) const {
        const QString name = QString::fromLatin1(box);
        if (auto* line = window->findChild<QLineEdit*>(name)) {
            line->setText(text);
        } else {
            Child<QComboBox>(name)->setEditText(text);
        }
    }

    QString BoxText(const char* box) const {
        const QString name = QString::fromLatin1(box);
        if (auto* line = window->findChild<QLineEdit*>(name)) {
            return line->text();
        }
        return Child<QComboBox>(name)->currentText();
    }

    void Click(const char* button) const {
        QTest::mouseClick(Child<QVButton>(QString::fromLatin1(button)), Qt::LeftButton);
    }

    void Search() const { Click("btnSearch"); }

    QTreeView* ResultsView() const { return Child<QTreeView>(QStringLiteral("lstSearchResults")); }

    SearchResultsModel* Results() const {
        return qobject_cast<SearchResultsModel*>(ResultsView()->model());
    }

    QStringList ListedPassNumbers() const {
        QStringList passNumbers;
        for (int row = 0; row < Results()->rowCount(); ++row) {
            passNumbers.append(Results()->ItemText(row));
        }
        return passNumbers;
    }
};
