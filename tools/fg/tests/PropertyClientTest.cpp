#include "tools/fg/PropertyClient.h"

#include "tools/fg/tests/FakePropertyServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

using Manner = FakePropertyServer::Manner;

// Seconds on the machine's steady clock: the client's timeouts meet the server's real delays.
double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Polls as a bridge's ticks would, until `done` holds or about `seconds` have passed; whether it
// came to hold.
template <typename Condition>
bool PollUntil(PropertyClient& client, Condition done, double seconds = 10) {
    const double end = Now() + seconds;
    while (Now() < end) {
        client.Poll(Now());
        if (done()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
}

void PollFor(PropertyClient& client, double seconds) {
    PollUntil(
        client, [] { return false; }, seconds);
}

int Said(const std::vector<std::string>& events, const std::string& part) {
    int count = 0;
    for (const std::string& event : events) {
        count += event.find(part) != std::string::npos ? 1 : 0;
    }
    return count;
}

// Short limits, so that the tests need not wait half a minute for a retry.
PropertyClientLimits Quick() {
    PropertyClientLimits limits;
    limits.exchangesPerSecond = 20;
    limits.answerSeconds = 0.5;
    limits.retrySeconds = 0.2;
    limits.leftRetrySeconds = 0.6;
    return limits;
}

// The ground of the tests: 3.25 m at Honolulu's field, none loaded north of 60.
std::optional<double> Ground(double latitude, double) {
    return latitude > 60 ? std::nullopt : std::optional<double>(3.25);
}

TEST(PropertyClient, ReadsWatchedPropertiesAtTheirIntervals) {
    FakePropertyServer server;
    server.Set("/position/altitude-agl-ft", "3001.425922");
    server.Set("/sim/callsign", "OWNSHIP");
    PropertyClientLimits limits;
    limits.exchangesPerSecond = 4;
    PropertyClient client("127.0.0.1", server.Port(), limits);
    const int agl = client.Watch("/position/altitude-agl-ft", 0.5);
    const int name = client.Watch("/sim/callsign", 60);
    const int missing = client.Watch("/no/such/property", 60);
    EXPECT_EQ(client.Watch("no/leading/slash", 1), -1);
    EXPECT_EQ(client.Watch("/a path", 1), -1);
    EXPECT_EQ(client.Watch("/ok", 0), -1);
    EXPECT_FALSE(client.Reading(agl).read);

    ASSERT_TRUE(PollUntil(client, [&] { return client.Reading(missing).read; }));
    EXPECT_EQ(client.Link(), PropertyLink::Ready);
    EXPECT_NEAR(client.Reading(agl).number, 3001.425922, 1e-9);
    EXPECT_EQ(client.Reading(name).text, "OWNSHIP");
    EXPECT_FALSE(client.Reading(name).IsNumber());
    EXPECT_TRUE(client.Reading(missing).text.empty());
    EXPECT_FALSE(client.Reading(missing).IsNumber());
    // No prompts: every answer is a line of its own.
    ASSERT_FALSE(server.Lines().empty());
    EXPECT_EQ(server.Lines().front(), "data");

    // A value that changes is read again at its interval; the others are not asked again.
    server.Set("/position/altitude-agl-ft", "12.5");
    ASSERT_TRUE(PollUntil(client, [&] { return client.Reading(agl).number == 12.5; }));
    PollFor(client, 1.5);
    const int asked = server.Count("get /position/altitude-agl-ft");
    EXPECT_GE(asked, 3);
    EXPECT_LE(asked, 7);
    EXPECT_EQ(server.Count("get /sim/callsign"), 1);
    EXPECT_EQ(Said(client.TakeEvents(), "found"), 1);
}

TEST(PropertyClient, AsksTheGroundInFewExchangesAndAnswersEachTicketOnce) {
    FakePropertyServer server(Ground);
    PropertyClient client("127.0.0.1", server.Port(), Quick());
    EXPECT_EQ(client.AskTerrain(21.32, -157.92), 0) << "nothing is asked before a connection";
    ASSERT_TRUE(PollUntil(client, [&] { return client.Link() == PropertyLink::Ready; }));

    std::map<std::int64_t, bool> north; // ticket -> asked where no scenery is loaded
    for (int i = 0; i < 9; ++i) {
        const double latitude = i == 4 ? 64.0 : 21.32 + i * 0.001;
        const std::int64_t ticket = client.AskTerrain(latitude, -157.92);
        ASSERT_GT(ticket, 0);
        EXPECT_EQ(north.count(ticket), 0u) << "tickets are never given twice";
        north[ticket] = i == 4;
    }
    EXPECT_EQ(client.AskTerrain(91, 0), 0) << "a point that is no point is not asked";
    std::vector<TerrainAnswer> answers;
    ASSERT_TRUE(PollUntil(client, [&] {
        for (const TerrainAnswer& answer : client.TakeTerrain()) {
            answers.push_back(answer);
        }
        return answers.size() >= 9;
    }));
    PollFor(client, 0.2);
    EXPECT_TRUE(client.TakeTerrain().empty());
    ASSERT_EQ(answers.size(), 9u);
    for (const TerrainAnswer& answer : answers) {
        ASSERT_EQ(north.count(answer.ticket), 1u);
        if (north[answer.ticket]) {
            EXPECT_EQ(answer.result, TerrainResult::NoScenery);
        } else {
            EXPECT_EQ(answer.result, TerrainResult::Height);
            EXPECT_NEAR(answer.elevation, 3.25, 1e-3);
        }
        north.erase(answer.ticket);
    }
    // Eight points a block: nine points in two exchanges.
    EXPECT_EQ(server.Count("nasal"), 2);
    EXPECT_EQ(server.Count("get /corvane/terrain"), 2);
}

TEST(PropertyClient, AServerWithoutNasalIsSaidOnceAndAskedNoMore) {
    FakePropertyServer server(Ground);
    server.AllowNasal(false);
    PropertyClient client("127.0.0.1", server.Port(), Quick());
    ASSERT_TRUE(PollUntil(client, [&] { return client.Link() == PropertyLink::Ready; }));
    int unanswered = 0;
    ASSERT_TRUE(PollUntil(client, [&] {
        client.AskTerrain(21.32, -157.92);
        for (const TerrainAnswer& answer : client.TakeTerrain()) {
            unanswered += answer.result == TerrainResult::Unanswered ? 1 : 0;
        }
        return !client.OffersTerrain();
    }));
    EXPECT_GE(unanswered, 3);
    EXPECT_EQ(client.AskTerrain(21.32, -157.92), 0);
    const int blocks = server.Count("nasal");
    PollFor(client, 0.3);
    EXPECT_EQ(server.Count("nasal"), blocks);
    const std::vector<std::string> events = client.TakeEvents();
    EXPECT_EQ(Said(events, "--allow-nasal-from-sockets"), 1);
    EXPECT_EQ(Said(events, "Nasal execution blocked"), 1);
    EXPECT_EQ(client.Link(), PropertyLink::Ready) << "its properties can still be read";
}

TEST(PropertyClient, AServerThatStopsAnsweringIsLeftSaidOnceAndTriedAgain) {
    FakePropertyServer server(Ground);
    PropertyClient client("127.0.0.1", server.Port(), Quick());
    const int agl = client.Watch("/position/altitude-agl-ft", 0.05);
    ASSERT_TRUE(PollUntil(client, [&] { return client.Reading(agl).read; }));
    server.Behave(Manner::Silent);
    const std::int64_t ticket = client.AskTerrain(21.32, -157.92);
    ASSERT_GT(ticket, 0);
    ASSERT_TRUE(PollUntil(client, [&] { return client.Link() == PropertyLink::Left; }));
    std::vector<TerrainAnswer> answers = client.TakeTerrain();
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].ticket, ticket);
    EXPECT_EQ(answers[0].result, TerrainResult::Unanswered);
    // Tried again, still silent, left again: said once all the same.
    ASSERT_TRUE(PollUntil(client, [&] { return server.Connections() >= 3; }));
    PollFor(client, 0.7);
    EXPECT_EQ(client.Link(), PropertyLink::Left);
    std::vector<std::string> events = client.TakeEvents();
    EXPECT_EQ(Said(events, "stopped answering"), 1);

    server.Behave(Manner::Answers);
    ASSERT_TRUE(PollUntil(client, [&] { return client.Link() == PropertyLink::Ready; }));
    events = client.TakeEvents();
    EXPECT_EQ(Said(events, "answers again"), 1);
    EXPECT_EQ(Said(events, "stopped answering"), 0);
}

TEST(PropertyClient, LateAnswersAreUsedWhenTheyCome) {
    FakePropertyServer server(Ground);
    server.Set("/position/altitude-agl-ft", "7");
    server.Delay(std::chrono::milliseconds(150));
    PropertyClientLimits limits = Quick();
    limits.answerSeconds = 5;
    PropertyClient client("127.0.0.1", server.Port(), limits);
    const int agl = client.Watch("/position/altitude-agl-ft", 10);
    ASSERT_TRUE(PollUntil(client, [&] { return client.Link() == PropertyLink::Ready; }));
    const std::int64_t ticket = client.AskTerrain(21.32, -157.92);
    int polls = 0;
    std::vector<TerrainAnswer> answers;
    ASSERT_TRUE(PollUntil(client, [&] {
        ++polls;
        answers = client.TakeTerrain();
        return !answers.empty();
    }));
    EXPECT_TRUE(client.Reading(agl).read);
    EXPECT_EQ(client.Reading(agl).number, 7);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].ticket, ticket);
    EXPECT_EQ(answers[0].result, TerrainResult::Height);
    // The caller went on ticking while the answers were on their way.
    EXPECT_GT(polls, 10);
    EXPECT_EQ(client.Link(), PropertyLink::Ready);
}

TEST(PropertyClient, NonsenseIsNeverTakenForAnAnswer) {
    FakePropertyServer server(Ground);
    PropertyClient client("127.0.0.1", server.Port(), Quick());
    const int agl = client.Watch("/position/altitude-agl-ft", 0.05);
    ASSERT_TRUE(PollUntil(client, [&] { return client.Reading(agl).read; }));

    // An answer that is no number is a text, not a number.
    server.Behave(Manner::Garbage);
    ASSERT_TRUE(PollUntil(client, [&] { return client.Reading(agl).text != ""; }));
    EXPECT_FALSE(client.Reading(agl).IsNumber());
    // A Nasal block answered with nonsense: no height comes of it, the server is left and the
    // point answered as lost.
    const std::int64_t ticket = client.AskTerrain(21.32, -157.92);
    ASSERT_GT(ticket, 0);
    ASSERT_TRUE(PollUntil(client, [&] { return client.Link() == PropertyLink::Left; }));
    const std::vector<TerrainAnswer> answers = client.TakeTerrain();
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].ticket, ticket);
    EXPECT_EQ(answers[0].result, TerrainResult::Unanswered);
}

TEST(PropertyClient, LinesNothingAskedForAndEndlessLinesLeaveTheServer) {
    FakePropertyServer server(Ground);
    PropertyClient client("127.0.0.1", server.Port(), Quick());
    const int agl = client.Watch("/position/altitude-agl-ft", 60);
    ASSERT_TRUE(PollUntil(client, [&] { return client.Reading(agl).read; }));
    server.Push("unasked\r\n");
    ASSERT_TRUE(PollUntil(client, [&] { return client.Link() == PropertyLink::Left; }));
    // Connected again, every watch is read afresh, and the answer makes it ready.
    ASSERT_TRUE(PollUntil(client, [&] { return client.Link() == PropertyLink::Ready; }));
    EXPECT_EQ(server.Count("get /position/altitude-agl-ft"), 2);
    server.Push(std::string(10000, 'x'));
    ASSERT_TRUE(PollUntil(client, [&] { return client.Link() == PropertyLink::Left; }));
    const std::vector<std::string> events = client.TakeEvents();
    EXPECT_EQ(Said(events, "nothing asked for (\"unasked\")"), 1);
    EXPECT_EQ(Said(events, "longer than any answer"), 1);
    EXPECT_EQ(Said(events, "answers again"), 1);
}

TEST(PropertyClient, AClosedConnectionIsMadeAgain) {
    FakePropertyServer server(Ground);
    server.Set("/sim/time/elapsed-sec", "1");
    PropertyClient client("127.0.0.1", server.Port(), Quick());
    const int elapsed = client.Watch("/sim/time/elapsed-sec", 0.05);
    ASSERT_TRUE(PollUntil(client, [&] { return client.Reading(elapsed).read; }));
    server.Behave(Manner::Closes);
    const std::int64_t ticket = client.AskTerrain(21.32, -157.92);
    ASSERT_TRUE(PollUntil(client, [&] { return client.Link() == PropertyLink::Connecting; }));
    server.Behave(Manner::Answers);
    server.Set("/sim/time/elapsed-sec", "2");
    ASSERT_TRUE(PollUntil(client, [&] { return client.Reading(elapsed).number == 2; }));
    bool unanswered = false;
    for (const TerrainAnswer& answer : client.TakeTerrain()) {
        unanswered =
            unanswered || (answer.ticket == ticket && answer.result == TerrainResult::Unanswered);
    }
    EXPECT_TRUE(unanswered) << "a question lost with the connection is answered as lost";
    const std::vector<std::string> events = client.TakeEvents();
    EXPECT_EQ(Said(events, "closed the connection"), 1);
    EXPECT_EQ(Said(events, "is back"), 1);
}

TEST(PropertyClient, AServerNotThereYetIsSaidOnceAndLookedForAgain) {
    std::uint16_t port = 0;
    {
        FakePropertyServer gone;
        port = gone.Port();
    }
    PropertyClient client("127.0.0.1", port, Quick());
    const int agl = client.Watch("/position/altitude-agl-ft", 0.05);
    PollFor(client, 0.7);
    EXPECT_EQ(client.Link(), PropertyLink::Connecting);
    EXPECT_FALSE(client.Reading(agl).read);
    EXPECT_EQ(client.AskTerrain(21.32, -157.92), 0);
    const std::vector<std::string> events = client.TakeEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_NE(events[0].find("127.0.0.1:" + std::to_string(port) + " not there"), std::string::npos)
        << events[0];
}

} // namespace
