#include "app/save_name.h"

#include <gtest/gtest.h>

namespace zelkam {
namespace {

TEST(SaveName, AddsTheSuffixOnlyToANameWithout)
{
    struct Case {
        const char* what;
        const char* typed;
        const char* saved;
    };
    const Case cases[] = {
        {"no suffix", "/tmp/hits", "/tmp/hits.csv"},
        {"own suffix kept", "/tmp/hits.txt", "/tmp/hits.txt"},
        {"same suffix kept", "/tmp/hits.csv", "/tmp/hits.csv"},
        {"trailing dot", "/tmp/hits.", "/tmp/hits.csv"},
        {"dot in a folder name only", "/tmp/v1.2/hits", "/tmp/v1.2/hits.csv"},
        {"hidden file name", "/tmp/.hits", "/tmp/.hits.csv"},
        {"cancelled", "", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(withDefaultSuffix(QString::fromUtf8(c.typed), QStringLiteral("csv")), QString::fromUtf8(c.saved))
            << c.what;
}

} // namespace
} // namespace zelkam
