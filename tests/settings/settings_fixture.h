#pragma once
// Every settings test starts from an empty program folder and registries read afresh.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/registry.h"
#include "support/test_support.h"

namespace vl::test {

class FreshHome : public ::testing::Test {
protected:
    void SetUp() override {
        home = TempDir();
        setenv("VERSOLUNE_HOME", home.c_str(), 1);
        Restart();
    }
    // What a new process would see: both registries read again from their files.
    static void Restart() {
        Registry::Get(HKEY_CURRENT_USER).Discard();
        Registry::Get(HKEY_CLASSES_ROOT).Discard();
    }
    std::string UserFile() const { return home + "/HKEY_CURRENT_USER.reg"; }
    std::string home;
};

}  // namespace vl::test
