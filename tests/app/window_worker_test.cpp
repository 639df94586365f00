// The one way the windows work off their thread: reports come back on the
// owner's thread, a newer job drops an older one's reports, and nothing
// outlives the worker.

#include "app/window_worker.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include <QCoreApplication>
#include <QObject>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

namespace zelkam {
namespace {

TEST(WindowWorker, ReportsRunOnTheOwnersThreadOnlyForTheNewestJob)
{
    QObject owner;
    WindowWorker worker(owner);
    std::vector<int> reports;
    bool offThread = false;
    std::atomic<bool> firstStopped = false;

    // The first job reports, then waits to be stopped: the second start asks
    // it to stop, and its report, queued but not run, is dropped.
    worker.start([&](const WindowWorker::Job& job) {
        offThread = QThread::currentThread() != owner.thread();
        job.post([&] { reports.push_back(1); });
        while (!job.stopRequested())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        firstStopped = true;
    });
    worker.start([&](const WindowWorker::Job& job) {
        job.post([&] {
            EXPECT_EQ(QThread::currentThread(), owner.thread());
            reports.push_back(2);
        });
        job.post([&] { reports.push_back(3); });
    });
    EXPECT_TRUE(firstStopped);
    worker.wait();
    EXPECT_TRUE(reports.empty()) << "reports wait for the owner's thread";
    EXPECT_TRUE(QTest::qWaitFor([&] { return reports.size() == 2; }, 5000));
    QCoreApplication::processEvents();
    EXPECT_TRUE(offThread);
    EXPECT_EQ(reports, (std::vector<int>{2, 3}));
}

TEST(WindowWorker, AStoppedJobStillReportsAndTheWorkerWaitsForItsJob)
{
    QObject owner;
    bool stoppedReport = false;
    {
        WindowWorker worker(owner);
        worker.start([&](const WindowWorker::Job& job) {
            while (!job.stopFlag()->load())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            job.post([&] { stoppedReport = true; });
        });
        worker.requestStop();
        worker.wait();
        EXPECT_TRUE(QTest::qWaitFor([&] { return stoppedReport; }, 5000));
    }
    // A job still running when the worker goes is stopped and waited for.
    auto ran = std::make_shared<std::atomic<bool>>(false);
    {
        WindowWorker worker(owner);
        worker.start([ran](const WindowWorker::Job& job) {
            while (!job.stopRequested())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            *ran = true;
        });
    }
    EXPECT_TRUE(*ran);
}

} // namespace
} // namespace zelkam
