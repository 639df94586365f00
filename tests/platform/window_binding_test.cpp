#include "platform/window_binding.h"

#include <QObject>
#include <gtest/gtest.h>

namespace zelkam {
namespace {

TEST(WindowBinding, FindsTheBoundObjectAndNothingElse)
{
    QObject bound;
    QObject unbound;
    int object = 0;
    bindObject(&bound, &object);
    EXPECT_EQ(boundObject(&bound), &object);
    EXPECT_EQ(boundObject(&unbound), nullptr);
    EXPECT_EQ(boundObject(nullptr), nullptr);
    unbindObject(&bound);
    EXPECT_EQ(boundObject(&bound), nullptr);
}

} // namespace
} // namespace zelkam
