#include "tools/sim/SimRunner.h"

#include "shared_memory/VisualShm.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

namespace {
std::string UniqueName() {
    static std::mt19937 random(std::random_device{}());
    return "CorvaneSimTest" + std::to_string(random());
}

class QuitAfter : public SimTerminal {
public:
    explicit QuitAfter(int calls) : calls(calls) {}
    bool IsTerminal() const override { return false; }
    bool QuitRequested() override { return --calls < 0; }
    void Draw(const std::vector<std::string>&) override {}

private:
    int calls;
};

class SimRunnerTest : public testing::Test {
protected:
    SimRunnerTest() : name(UniqueName()), out(std::tmpfile()), err(std::tmpfile()) {}
    ~SimRunnerTest() override {
        RemoveStaleBlock(name.c_str(), true, out, err);
        std::fclose(out);
        std::fclose(err);
    }

    std::string Text(std::FILE* file) {
        std::rewind(file);
        std::string text;
        for (int c; (c = std::fgetc(file)) != EOF;) {
            text += static_cast<char>(c);
        }
        return text;
    }

    std::string name;
    std::FILE* out;
    std::FILE* err;
};

TEST_F(SimRunnerTest, UserQuitLeavesTheEndingStateForTheFeeder) {
    CVisShm feeder(name.c_str());
    ASSERT_TRUE(feeder.IsValid());
    SimOptions options;
    options.name = name.c_str();
    QuitAfter terminal(2);
    EXPECT_EQ(RunStandIn(options, terminal, out, err), 0);
    auto* block = static_cast<VisualInterfaceBlock*>(feeder.GetBlock());
    EXPECT_EQ(block->simulationState, kSimulationEnding);
    EXPECT_EQ(block->attachCount, 1); // the stand-in detached again
    EXPECT_NEAR(block->ownLatitude, 50.45, 0.01);
    const std::string log = Text(out);
    EXPECT_NE(log.find("attached to block \"" + name + "\" (clients attached: 2)"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("simulation ending"), std::string::npos) << log;
}

TEST_F(SimRunnerTest, RemoveRefusesWhileAClientIsAttached) {
    {
        CVisShm client(name.c_str());
        ASSERT_TRUE(client.IsValid());
        EXPECT_EQ(RemoveStaleBlock(name.c_str(), false, out, err), 1);
        EXPECT_NE(Text(err).find("refused: 1 client(s) attached"), std::string::npos);
    }
    // The last client has detached: the block is stale and goes.
    EXPECT_EQ(RemoveStaleBlock(name.c_str(), false, out, err), 0);
    EXPECT_EQ(RemoveStaleBlock(name.c_str(), false, out, err), 1); // nothing left
}

TEST_F(SimRunnerTest, ForceRemovesABlockWithAStaleCount) {
    CVisShm client(name.c_str());
    ASSERT_TRUE(client.IsValid());
    EXPECT_EQ(RemoveStaleBlock(name.c_str(), true, out, err), 0);
}
} // namespace
