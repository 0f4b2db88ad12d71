// The world's entries as the generator makes them, made once per test program: every
// test of the world reads the same map.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "mediagen/world/world.h"

namespace eh::mediagen::world {

inline const EntryMap& GeneratedEntries() {
    static const EntryMap e = [] {
        EntryMap m;
        std::string error;
        EXPECT_TRUE(GenerateWorld(&m, &error)) << error;
        return m;
    }();
    return e;
}

}  // namespace eh::mediagen::world
