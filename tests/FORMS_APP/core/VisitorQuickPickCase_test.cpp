// Quick Pick pairs that differ only in letter case are one pair, for every letter, and the
// limit counts such pairs once.
#include "VisitorFixture.h"

#include <QSet>

namespace {

class VisitorQuickPickCaseTest : public VisitorFixture {
protected:
    static void AddPair(const QString& name, const QString& company) {
        static int passNo = 0;
        Execute(QStringLiteral("INSERT INTO [VisitorRegister] ([PassNo], [Name], [Company]) "
                               "VALUES (?, ?, ?)"),
                {QString::number(++passNo), name, company});
    }

    // Every spelling of "abcdefgh" by upper and lower case: 256 pairs to the engine.
    static void AddEverySpelling(const QString& company) {
        const QString name = QStringLiteral("abcdefgh");
        for (int mask = 0; mask < (1 << name.size()); ++mask) {
            QString spelling = name;
            for (int letter = 0; letter < name.size(); ++letter) {
                if ((mask & (1 << letter)) != 0) {
                    spelling[letter] = spelling[letter].toUpper();
                }
            }
            AddPair(spelling, company);
        }
    }

    static std::optional<RecordSet> Pairs(int maxRecords,
                                          const QString& nameFilter = QStringLiteral("%")) {
        return Visitor().FillSimpleSearch(QStringLiteral("Name"), QStringLiteral("Company"),
                                          nameFilter, QStringLiteral("%"), maxRecords);
    }

    // The pairs listed, in folded form, each once; fails the test on a pair listed twice.
    static QSet<QString> FoldedPairs(const RecordSet& rows) {
        QSet<QString> pairs;
        for (int row = 0; row < rows.RecordCount(); ++row) {
            const QString pair =
                QString(rows.Text(row, 0) + u'/' + rows.Text(row, 1)).toCaseFolded();
            EXPECT_FALSE(pairs.contains(pair)) << pair.toStdString();
            pairs.insert(pair);
        }
        return pairs;
    }
};

TEST_F(VisitorQuickPickCaseTest, SpellingsOfOnePairAreListedOnce) {
    AddPair(QStringLiteral("Ann Lee"), QStringLiteral("Acme"));
    AddPair(QStringLiteral("ANN LEE"), QStringLiteral("ACME"));
    AddPair(QStringLiteral("ann lee"), QStringLiteral("Acme"));
    AddPair(QStringLiteral("Ann Lee"), QStringLiteral("Globex"));
    AddPair(QStringLiteral("Jörg Öztürk"), QStringLiteral("ÄRGER GMBH"));
    AddPair(QStringLiteral("JÖRG ÖZTÜRK"), QStringLiteral("ärger gmbh"));
    AddPair(QStringLiteral("Ελένη"), QStringLiteral("ΔΕΛΤΑ"));
    AddPair(QStringLiteral("ελένη"), QStringLiteral("δελτα"));
    const QSet<QString> all = {QStringLiteral("ann lee/acme"), QStringLiteral("ann lee/globex"),
                               QStringLiteral("jörg öztürk/ärger gmbh"),
                               QStringLiteral("ελένη/δελτα")};
    const struct {
        int maxRecords;
        int listed;
    } cases[] = {{0, 4}, {1, 1}, {3, 3}, {4, 4}, {15001, 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.maxRecords);
        const std::optional<RecordSet> rows = Pairs(c.maxRecords);
        ASSERT_TRUE(rows.has_value());
        EXPECT_EQ(rows->FieldCount(), 2);
        EXPECT_EQ(rows->RecordCount(), c.listed);
        const QSet<QString> listed = FoldedPairs(*rows);
        EXPECT_TRUE(all.contains(listed)) << "each listed pair is one of the stored ones";
    }
    // A filter in either spelling finds the pair once, as it was stored.
    const std::optional<RecordSet> found = Pairs(15001, QStringLiteral("%JÖRG%"));
    ASSERT_TRUE(found.has_value());
    ASSERT_EQ(found->RecordCount(), 1);
    EXPECT_TRUE(found->Text(0, 0) == QStringLiteral("Jörg Öztürk") ||
                found->Text(0, 0) == QStringLiteral("JÖRG ÖZTÜRK"));
}

// Many spellings of one pair ahead of the others: the limit is reached with distinct pairs, read
// in more than one go, and the pairs running out ends the reading.
TEST_F(VisitorQuickPickCaseTest, LimitCountsEachPairOnceHoweverManySpellings) {
    AddEverySpelling(QStringLiteral("Acme"));
    AddPair(QStringLiteral("Bob"), QStringLiteral("Beta"));
    AddPair(QStringLiteral("Cy"), QStringLiteral("Corp"));
    AddEverySpelling(QStringLiteral("Zeta"));
    const struct {
        int maxRecords;
        int listed;
    } cases[] = {{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 4}, {0, 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.maxRecords);
        const std::optional<RecordSet> rows = Pairs(c.maxRecords);
        ASSERT_TRUE(rows.has_value());
        EXPECT_EQ(rows->RecordCount(), c.listed);
        FoldedPairs(*rows);
    }
    const std::optional<RecordSet> all = Pairs(5);
    ASSERT_TRUE(all.has_value());
    EXPECT_EQ(FoldedPairs(*all),
              (QSet<QString>{QStringLiteral("abcdefgh/acme"), QStringLiteral("bob/beta"),
                             QStringLiteral("cy/corp"), QStringLiteral("abcdefgh/zeta")}));
}

} // namespace
