#include "frmMainFixture.h"

#include "core/AppEnvironment.h"
#include "mainwindow/VisitorListModel.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QSettings>
#include <QTimer>

#include <memory>
#include <optional>

namespace {

const QDateTime kLogin(QDate(2026, 3, 10), QTime(9, 15, 30));
const QString kProductUrl = QStringLiteral("https://quorvane.example");

// The main window on a clock the test moves.
class frmMainTickerTest : public frmMainTest {
protected:
    void SetUp() override {
        frmMainTest::SetUp();
        now = kLogin;
        AppEnvironment::SetClock([this] { return now; });
        ClearRotation();
    }

    static void ClearRotation() {
        const std::unique_ptr<QSettings> settings = AppEnvironment::UserSettings();
        settings->remove(QStringLiteral("Others"));
    }

    QTimer* Ticker() const { return Child<QTimer>(QStringLiteral("tmrScroller")); }

    // One tick of the ticker, as the timer gives it.
    void Tick() const { QMetaObject::invokeMethod(Ticker(), "timeout"); }

    QDateTime now;
};

TEST_F(frmMainTickerTest, StartsOnTheFirstMouseMoveAndKeepsItsDesignTextUntilTheFirstTick) {
    OpenWindow();
    EXPECT_EQ(Ticker()->interval(), 4000);
    EXPECT_FALSE(Ticker()->isActive());
    EXPECT_EQ(Panel(2), QStringLiteral("Visit us at ") + kProductUrl + u'!');
    for (const char* over : {"frmMain", "fraMain"}) {
        SCOPED_TRACE(over);
        window->close(); // answered Yes: the recorded box takes its first button
        OpenWindow();
        QWidget* target = QString::fromLatin1(over) == QStringLiteral("frmMain") ? window.get()
                                                                                 : Child("fraMain");
        QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), target->mapToGlobal(QPointF(3, 3)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &move);
        EXPECT_TRUE(Ticker()->isActive());
        EXPECT_EQ(Panel(2), QStringLiteral("Visit us at ") + kProductUrl + u'!');
    }
}

TEST_F(frmMainTickerTest, CyclesAddressLoginTimeAndDuration) {
    OpenWindow();
    const QString loginText = VisitorListModel::FormatListDate(kLogin);
    const QString expected[] = {
        QStringLiteral("Visit us at ") + kProductUrl, QStringLiteral("Login Time: ") + loginText,
        QStringLiteral("Login Duration: 0h 7m"),      QStringLiteral("Visit us at ") + kProductUrl,
        QStringLiteral("Login Time: ") + loginText,
    };
    now = kLogin.addSecs(7 * 60);
    for (const QString& text : expected) {
        Tick();
        EXPECT_EQ(Panel(2), text);
    }
}

TEST_F(frmMainTickerTest, DurationCountsMinuteBoundariesAsHoursAndMinutes) {
    const struct {
        qint64 seconds;
        const char* text;
    } cases[] = {
        {0, "0h 0m"},
        {5 * 60, "0h 5m"},
        {59 * 60, "0h 59m"},
        {60 * 60, "1h 0m"},
        {90 * 60, "1h 30m"},
        {100 * 60, "1h 40m"},
        // From 09:15:30: the boundary at 09:16:00 counts, the seconds do not.
        {29, "0h 0m"},
        {31, "0h 1m"},
        {60 * 60 + 29, "1h 0m"},
        {26 * 3600, "26h 0m"},
    };
    OpenWindow();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seconds);
        now = kLogin.addSecs(c.seconds);
        for (int tick = 0; tick < 3; ++tick) {
            Tick();
        }
        EXPECT_EQ(Panel(2), QStringLiteral("Login Duration: ") + QString::fromLatin1(c.text));
    }
}

// What one opening of the window does with the stored rotation values.
struct RotationCase {
    const char* name;
    std::optional<QString> storedNo;    // nullopt: not stored
    std::optional<int> storedDayOffset; // days from today; nullopt: not stored
    int shown;                          // 0: no picture comes forward
    const char* storedNoAfter;
    bool dayStored; // today is stored as the day
};

const RotationCase kRotationCases[] = {
    {"first opening shows picture 2", std::nullopt, std::nullopt, 2, "2", true},
    {"same day keeps the picture", QStringLiteral("3"), 0, 3, "3", false},
    {"next day moves on", QStringLiteral("3"), -1, 4, "4", true},
    {"after picture 5 comes 1", QStringLiteral("5"), -1, 1, "1", true},
    {"picture 5 on its own day", QStringLiteral("5"), 0, 5, "5", false},
    {"above 5 on the same day", QStringLiteral("7"), 0, 1, "1", false},
    {"above 5 on a new day", QStringLiteral("9"), -3, 1, "1", true},
    {"0 on the same day shows nothing", QStringLiteral("0"), 0, 0, "0", false},
    {"below 0 on the same day shows nothing", QStringLiteral("-2"), 0, 0, "-2", false},
    {"0 on a new day shows picture 1", QStringLiteral("0"), -1, 1, "1", true},
    {"a clock set back counts as a new day", QStringLiteral("2"), 1, 3, "3", true},
    {"no number starts from nothing", QStringLiteral("two"), 0, 0, "0", false},
    {"no number on a new day", QStringLiteral("two"), -1, 1, "1", true},
    {"empty stored day", QStringLiteral("4"), std::nullopt, 5, "5", true},
    // Hand-edited values at and past the ends of the stored number's 16-bit range: past them a
    // value counts as no number, and nothing overflows.
    {"largest number on the same day", QStringLiteral("32767"), 0, 1, "1", false},
    {"largest number on a new day", QStringLiteral("32767"), -1, 1, "1", true},
    {"smallest number on a new day", QStringLiteral("-32768"), -1, 0, "-32767", true},
    {"past the range on the same day", QStringLiteral("32768"), 0, 0, "0", false},
    {"past the range on a new day", QStringLiteral("32768"), -1, 1, "1", true},
    {"below the range on the same day", QStringLiteral("-32769"), 0, 0, "0", false},
    {"largest int on a new day", QStringLiteral("2147483647"), -1, 1, "1", true},
    {"past the largest int on a new day", QStringLiteral("2147483648"), -1, 1, "1", true},
    {"smallest int on a new day", QStringLiteral("-2147483648"), -1, 1, "1", true},
    {"twenty digits on the same day", QStringLiteral("99999999999999999999"), 0, 0, "0", false},
};

class frmMainRotationTest : public frmMainTickerTest,
                            public ::testing::WithParamInterface<RotationCase> {
protected:
    // The pictures in stacking order, bottom first.
    std::vector<std::string> PictureOrder() const {
        std::vector<std::pair<int, std::string>> indexed;
        const QObjectList children = window->children();
        for (int index = 1; index <= 5; ++index) {
            const QString name = QStringLiteral("picAd%1").arg(index);
            indexed.emplace_back(static_cast<int>(children.indexOf(Child(name))),
                                 name.toStdString());
        }
        std::sort(indexed.begin(), indexed.end());
        std::vector<std::string> names;
        for (const auto& entry : indexed) {
            names.push_back(entry.second);
        }
        return names;
    }
};

TEST_P(frmMainRotationTest, ShowsTheDaysPictureAndStoresThePlace) {
    const RotationCase& c = GetParam();
    const QString today = kLogin.date().toString(QStringLiteral("dd-MM-yyyy"));
    {
        const std::unique_ptr<QSettings> settings = AppEnvironment::UserSettings();
        settings->beginGroup(QStringLiteral("Others"));
        if (c.storedNo) {
            settings->setValue(QStringLiteral("AdRotNo"), *c.storedNo);
        }
        if (c.storedDayOffset) {
            settings->setValue(
                QStringLiteral("AdRotDate"),
                kLogin.date().addDays(*c.storedDayOffset).toString(QStringLiteral("dd-MM-yyyy")));
        }
    }
    const QString storedDayBefore = [] {
        const std::unique_ptr<QSettings> settings = AppEnvironment::UserSettings();
        return settings->value(QStringLiteral("Others/AdRotDate")).toString();
    }();
    OpenWindow();

    std::vector<std::string> expected = {"picAd1", "picAd2", "picAd3", "picAd4", "picAd5"};
    if (c.shown > 0) {
        const std::string chosen = "picAd" + std::to_string(c.shown);
        expected.erase(std::find(expected.begin(), expected.end(), chosen));
        expected.push_back(chosen);
    }
    EXPECT_EQ(PictureOrder(), expected);
    for (int index = 1; index <= 5; ++index) {
        EXPECT_TRUE(Shown(QStringLiteral("picAd%1").arg(index)));
    }
    if (c.shown > 0) {
        const QWidget* picture = Child(QStringLiteral("picAd%1").arg(c.shown));
        EXPECT_EQ(window->childAt(picture->geometry().center()), picture);
    }

    const std::unique_ptr<QSettings> settings = AppEnvironment::UserSettings();
    settings->beginGroup(QStringLiteral("Others"));
    EXPECT_EQ(settings->value(QStringLiteral("AdRotNo")).toString(),
              QString::fromLatin1(c.storedNoAfter));
    EXPECT_EQ(settings->value(QStringLiteral("AdRotDate")).toString(),
              c.dayStored ? today : storedDayBefore);
}

INSTANTIATE_TEST_SUITE_P(Rotation, frmMainRotationTest, ::testing::ValuesIn(kRotationCases),
                         [](const ::testing::TestParamInfo<RotationCase>& info) {
                             std::string name;
                             for (const char* p = info.param.name; *p != '\0'; ++p) {
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             }
                             return name;
                         });

TEST_F(frmMainTickerTest, RotationMovesOnOncePerDayOverAWeek) {
    const int expected[] = {2, 2, 3, 4, 5, 1, 2};
    const int dayOf[] = {0, 0, 1, 2, 3, 4, 5};
    for (std::size_t opening = 0; opening < std::size(expected); ++opening) {
        SCOPED_TRACE(opening);
        now = kLogin.addDays(dayOf[opening]);
        OpenWindow();
        const QWidget* picture = Child(QStringLiteral("picAd%1").arg(expected[opening]));
        EXPECT_EQ(window->childAt(picture->geometry().center()), picture);
        window->close();
    }
}

TEST_F(frmMainTickerTest, RotationSwitchedOffHidesThePicturesAndStoresNothing) {
    folder.SetEncipheredConfigValue(QStringLiteral("ARE"), QStringLiteral("AdRotate|ARE_0"));
    OpenWindow();
    for (int index = 1; index <= 5; ++index) {
        EXPECT_FALSE(Shown(QStringLiteral("picAd%1").arg(index)));
    }
    const std::unique_ptr<QSettings> settings = AppEnvironment::UserSettings();
    EXPECT_FALSE(settings->contains(QStringLiteral("Others/AdRotNo")));
    EXPECT_FALSE(settings->contains(QStringLiteral("Others/AdRotDate")));
}

} // namespace
