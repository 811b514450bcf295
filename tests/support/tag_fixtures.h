#pragma once
// Tagged music files made by tools/make_tag_fixtures.py (mutagen), once per test program.
#include <string>

namespace vl::test {

// The folder that holds them; an empty string when the tool could not run.
const std::string& TagFixtures();

}  // namespace vl::test
