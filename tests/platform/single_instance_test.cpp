#include "platform/single_instance.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QUuid>
#include <gtest/gtest.h>

namespace zelkam {
namespace {

QString uniqueName()
{
    return QStringLiteral("zelkam-test-") + QUuid::createUuid().toString(QUuid::Id128);
}

TEST(SingleInstanceGuard, FirstStartFindsNobodyAndListens)
{
    SingleInstanceGuard guard(uniqueName());
    EXPECT_FALSE(guard.signalRunningInstance());
    EXPECT_TRUE(guard.listen());
}

TEST(SingleInstanceGuard, SecondStartAsksTheFirstToComeToTheFront)
{
    const QString name = uniqueName();
    SingleInstanceGuard first(name);
    ASSERT_TRUE(first.listen());
    int activations = 0;
    QObject::connect(&first, &SingleInstanceGuard::activationRequested, [&] { ++activations; });

    SingleInstanceGuard second(name);
    EXPECT_TRUE(second.signalRunningInstance());
    QElapsedTimer waited;
    waited.start();
    while (activations == 0 && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(activations, 1);
}

} // namespace
} // namespace zelkam
