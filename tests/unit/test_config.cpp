#include "engine/Config.h"

#include <gtest/gtest.h>

TEST(Config, FirstOccurrenceWins)
{
    Config config;
    config.parse("ViewportWidth = 800;\nViewportWidth = 1024;\n");
    EXPECT_EQ(config.getInt("ViewportWidth"), 800);
}
