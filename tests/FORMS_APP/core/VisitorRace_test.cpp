// Workstations checking visitors in on one database file at the same moment: processes of this
// test binary, each running the worker below.
#include "VisitorFixture.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSet>

namespace {

constexpr int Workers = 4;
constexpr int VisitsPerWorker = 300;
// Every so many visits carries a photo, so the photo step races too.
constexpr int PhotoEvery = 10;
const QString FolderVariable = QStringLiteral("QUORVANE_RACE_PROGRAM_FOLDER");
const QString WorkerVariable = QStringLiteral("QUORVANE_RACE_WORKER");

QByteArray PhotoOf(const QString& worker, int visit) {
    return (QStringLiteral("BM ") + worker + u' ' + QString::number(visit)).toUtf8();
}

// Run only as a child of the test below.
TEST(VisitorRaceWorker, DISABLED_ChecksVisitorsIn) {
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString folder = environment.value(FolderVariable);
    const QString worker = environment.value(WorkerVariable);
    ASSERT_FALSE(folder.isEmpty());
    AppEnvironment::SetProgramFolder(folder);
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    AppEnvironment::SetTempFolder(temp.path());

    QList<std::pair<QString, int>> photos;
    for (int visit = 0; visit < VisitsPerWorker; ++visit) {
        Visitor visitor = VisitorFixture::ValidVisitor(worker + QStringLiteral(" visitor"));
        visitor.SetRemarks(QString::number(visit));
        const bool withPhoto = visit % PhotoEvery == 0;
        if (withPhoto) {
            const QString name = worker + u'_' + QString::number(visit) + QStringLiteral(".jpg");
            VisitorFixture::WriteBytes(temp.path() + u'/' + name, PhotoOf(worker, visit));
            visitor.SetImageFile(name);
        }
        ASSERT_TRUE(visitor.InsertVisitorRecord())
            << "visit " << visit << ": " << visitor.ErrorMessage().toStdString();
        if (withPhoto) {
            photos.append({visitor.PassNo(), visit});
        }
    }
    // Nobody else's check-in removed or replaced one of ours.
    for (const auto& [passNo, visit] : photos) {
        EXPECT_EQ(VisitorFixture::ReadBytes(folder + QStringLiteral("/Images/Visitors/") + passNo +
                                            QStringLiteral(".jpg")),
                  PhotoOf(worker, visit))
            << passNo.toStdString();
    }
}

using VisitorRace = VisitorFixture;

// Every check-in succeeds however often another desk is quicker: the numbers are unique and
// dense, and nothing is logged.
TEST_F(VisitorRace, WorkstationsNeverIssueAPassNumberTwiceNorFail) {
    std::unique_ptr<QProcess> workers[Workers];
    for (int i = 0; i < Workers; ++i) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(FolderVariable, Folder().Path());
        environment.insert(WorkerVariable, QStringLiteral("w") + QString::number(i));
        workers[i] = std::make_unique<QProcess>();
        workers[i]->setProcessEnvironment(environment);
        workers[i]->setProcessChannelMode(QProcess::MergedChannels);
        workers[i]->start(QCoreApplication::applicationFilePath(),
                          {QStringLiteral("--gtest_also_run_disabled_tests"),
                           QStringLiteral("--gtest_filter=VisitorRaceWorker.*")});
    }
    for (const auto& worker : workers) {
        ASSERT_TRUE(worker->waitForFinished(-1));
        EXPECT_EQ(worker->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(worker->exitCode(), 0) << worker->readAll().toStdString();
    }

    const QStringList numbers = PassNumbers();
    ASSERT_EQ(numbers.size(), Workers * VisitsPerWorker);
    EXPECT_EQ(QSet<QString>(numbers.begin(), numbers.end()).size(), Workers * VisitsPerWorker);
    for (int i = 0; i < numbers.size(); ++i) {
        EXPECT_EQ(numbers.at(i), QString::number(i + 1).rightJustified(4, u'0'));
    }
    const QStringList photos = QDir(Folder().Path() + QStringLiteral("/Images/Visitors"))
                                   .entryList({QStringLiteral("*.jpg")}, QDir::Files);
    EXPECT_EQ(photos.size(), Workers * VisitsPerWorker / PhotoEvery);
    // Nothing, and no visitor's data, is logged.
    const QStringList logs = QDir(Folder().LogsFolder()).entryList(QDir::Files);
    for (const QString& log : logs) {
        EXPECT_EQ(ReadBytes(Folder().LogsFolder() + u'/' + log).toStdString(), std::string())
            << log.toStdString();
    }
}

} // namespace
