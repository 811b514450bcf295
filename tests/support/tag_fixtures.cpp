#include "support/tag_fixtures.h"

#include "support/test_support.h"

namespace vl::test {

const std::string& TagFixtures() {
    static const std::string folder = [] {
        std::string out = TempDir() + "/tagged";
        int status = RunCommand("/usr/bin/python3 " + SourceDir() + "/tools/make_tag_fixtures.py " + out);
        return status == 0 ? out : std::string();
    }();
    return folder;
}

}  // namespace vl::test
