// Where the standalone program keeps its state, and how it writes it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "standalone/state_file.h"

namespace {

class Environment {
public:
    Environment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old, hadOld_ = true;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~Environment() {
        if (hadOld_)
            setenv(name_, old_.c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::string old_;
    bool hadOld_ = false;
};

TEST(StateFile, LivesUnderXdgStateHomeOrTheHomeFolder) {
    Environment home("HOME", "/home/someone");
    struct Case {
        const char* stateHome;
        const char* path;
    } cases[] = {
        {"/var/state", "/var/state/quaxel2/last.state"},
        {nullptr, "/home/someone/.local/state/quaxel2/last.state"},
        {"", "/home/someone/.local/state/quaxel2/last.state"},
        {"relative/dir", "/home/someone/.local/state/quaxel2/last.state"},  // invalid, so ignored
    };
    for (const Case& c : cases) {
        Environment stateHome("XDG_STATE_HOME", c.stateHome);
        EXPECT_EQ(lastStatePath(), c.path) << (c.stateHome ? c.stateHome : "(unset)");
    }
}

class StateFileWrite : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/quaxel2-state-test-XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern));
        dir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::vector<std::string> entries(const std::string& folder) const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
        return names;
    }
    std::string dir;
};

TEST_F(StateFileWrite, MakesTheFolderReplacesTheOldFileAndLeavesNoTemporary) {
    const std::string path = dir + "/deeper/quaxel2/last.state";
    std::string why;
    ASSERT_TRUE(writeStateFile(path, {'o', 'l', 'd'}, why)) << why;
    ASSERT_TRUE(writeStateFile(path, {'n', 'e', 'w', '!'}, why)) << why;
    std::vector<char> bytes;
    ASSERT_TRUE(readStateFile(path, bytes, why)) << why;
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "new!");
    EXPECT_EQ(entries(dir + "/deeper/quaxel2"), std::vector<std::string>{"last.state"});
}

TEST_F(StateFileWrite, AFailedWriteKeepsWhatWasThereAndSaysWhy) {
    // A folder where the file should go: the rename fails after the data is written.
    const std::string path = dir + "/last.state";
    std::filesystem::create_directories(path + "/occupied");
    std::string why;
    EXPECT_FALSE(writeStateFile(path, {'x'}, why));
    EXPECT_NE(why.find(path), std::string::npos) << why;
    EXPECT_TRUE(std::filesystem::is_directory(path + "/occupied"));
    EXPECT_EQ(entries(dir), std::vector<std::string>{"last.state"});
}

TEST_F(StateFileWrite, ReadingAMissingOrEmptyFileSaysWhy) {
    std::vector<char> bytes;
    std::string why;
    EXPECT_FALSE(readStateFile(dir + "/missing.state", bytes, why));
    EXPECT_NE(why.find("missing.state"), std::string::npos) << why;
    std::ofstream(dir + "/empty.state").close();
    EXPECT_FALSE(readStateFile(dir + "/empty.state", bytes, why));
    EXPECT_NE(why.find("empty"), std::string::npos) << why;
}

}  // namespace

// The program rides in the first line; a bare bank chunk (from another
// program, or a file made by hand) still reads, without one.
TEST(StateFile, KeepsTheProgramBesideTheChunk) {
    const std::vector<char> chunk = {'C', 'c', 'n', 'K', '\n', 0, 7};
    for (int program : {0, 5, 127}) {
        const StandaloneState read = decodeState(encodeState({chunk, program}));
        EXPECT_EQ(read.chunk, chunk) << program;
        EXPECT_EQ(read.program, program);
    }
    const struct {
        std::string text;
        int program;
    } bare[] = {
        {"CcnK bank bytes", -1},
        {"quaxel2-state 1 program x\nCcnK", -1},
        {"quaxel2-state 1 program 99999999999\nCcnK", -1},
        {"quaxel2-state 1 program 7", -1},  // no chunk after it: all of it is the chunk
    };
    for (const auto& c : bare) {
        const std::vector<char> bytes(c.text.begin(), c.text.end());
        const StandaloneState read = decodeState(bytes);
        EXPECT_EQ(read.program, c.program) << c.text;
        if (c.text.find('\n') == std::string::npos) {
            EXPECT_EQ(read.chunk, bytes) << c.text;
        }
    }
}
