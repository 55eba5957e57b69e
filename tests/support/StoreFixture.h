#pragma once

#include <gtest/gtest.h>

#include "sim/SimCentral.h"
#include "sim/VirtualDispatch.h"
#include "session/GlobalStore.h"
#include "state/MemoryPreferences.h"
#include "support/LogCapture.h"

namespace aq::test {

// The global store made on simulated lamps, virtual time and in-memory
// preferences; ended after each test so every test starts from a new store.
class StoreFixture : public ::testing::Test {
protected:
    void SetUp() override { GlobalStore::configure(central, dispatch, preferences); }
    void TearDown() override { GlobalStore::reset(); }

    static GlobalStore& store() { return GlobalStore::sharedInstance(); }

    VirtualDispatch dispatch;
    SimCentral central{dispatch, 0.01};
    MemoryPreferences preferences;
    LogCapture log;
};

}  // namespace aq::test
