// The real-world table: ordinary open-source C programs built through veldra with the reference
// toolchain for x64 and x86, plain, as a DLL and its program, and with -T, each run under Wine
// and compared with a native gcc build of the same sources (realworld.sh does one row).
//
// Environment (ctest sets it): VELDRA_REALWORLD_SCRIPT, VELDRA_REALWORLD_WORK, and what the
// script reads.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <tuple>

namespace {

using Row = std::tuple<const char*, const char*, const char*>; // program, machine, variant

class RealWorld : public testing::TestWithParam<Row> {};

TEST_P(RealWorld, SameOutputAsNative) {
    const char* script = std::getenv("VELDRA_REALWORLD_SCRIPT");
    const char* work = std::getenv("VELDRA_REALWORLD_WORK");
    ASSERT_TRUE(script && work);
    const auto& [program, machine, variant] = GetParam();
    const std::string log =
        std::string(work) + "/" + program + "-" + machine + "-" + variant + ".log";
    const int status = std::system(("mkdir -p " + std::string(work) + " && bash " + script + " " +
                                    program + " " + machine + " " + variant + " >" + log + " 2>&1")
                                       .c_str());
    std::ifstream file(log);
    const std::string said{std::istreambuf_iterator<char>(file), {}};
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (code == 77)
        GTEST_SKIP() << "linked; not run: Wine cannot start 32-bit programs here (no wine32)";
    EXPECT_EQ(code, 0) << said;
}

const char* const kPrograms[] = {"sqlite", "lua", "zlib", "cjson", "lmdb", "zstd", "lz4"};
const char* const kMachines[] = {"x64", "x86"};
const char* const kVariants[] = {"plain", "dll", "static"};

INSTANTIATE_TEST_SUITE_P(Table, RealWorld,
                         testing::Combine(testing::ValuesIn(kPrograms),
                                          testing::ValuesIn(kMachines),
                                          testing::ValuesIn(kVariants)),
                         [](const testing::TestParamInfo<Row>& info) {
                             return std::string(std::get<0>(info.param)) + "_" +
                                    std::get<1>(info.param) + "_" + std::get<2>(info.param);
                         });

} // namespace
