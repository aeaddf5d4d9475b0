// The main function of every test program: GoogleTest's own, except that a
// run in which no test was selected fails. A filter that names a suite no
// longer there then stops the run instead of passing it with nothing tested.
#include <cstdio>

#include "gtest/gtest.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  const int status = RUN_ALL_TESTS();
  if (testing::UnitTest::GetInstance()->test_to_run_count() == 0) {
    std::fprintf(stderr, "no test was selected (filter \"%s\")\n",
                 GTEST_FLAG_GET(filter).c_str());
    return 1;
  }
  return status;
}
