// SPDX-License-Identifier: MIT
// A venue on a fake broker and fake lines, on the virtual clock: what reaches the wire for each command
// message, the one result each gets and where it goes, a fresh poll on request, what is kept retained, two
// bridges claiming one line, a clean stop and a restart with a line removed.

#include "bridge/venue.h"
#include "fake_broker.h"
#include "fake_window.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace q7 {
namespace {

using test::FakeBroker;
using test::Published;

const char* const kPoll[] = {"80\r", "1\r",      "11\r",  "1234\r", "035.2,041.8\r",
                             "00\r", "ANALOG\r", "853\r", "03\r"};

// A bridge serving hall (001, 002) and foyer (single); settled: connected, both lines open and polled once
// unanswered, and all that was published and said forgotten.
struct Venue2 {
    explicit Venue2(std::string id = "test", bool settled = true) {
        BridgeConfig config;
        config.broker = "mqtt://broker.example";
        config.id = std::move(id);
        config.lines = {{"hall", "/dev/ttyUSB0", "19200,N,8,1", {"001", "002"}, {}},
                        {"foyer", "/dev/ttyUSB1", "19200,N,8,1", {"single"}, {}}};
        venue = std::make_unique<Venue>(config, broker, std::vector<Line*>{&hall, &foyer}, clock,
                                        std::map<std::string, SessionLog*>{},
                                        [this](const Message& m) { journal.push_back(m.english()); });
        venue->start();
        if (!settled) return;
        venue->connected();
        clock.advance(3000); // the first polls go unanswered
        hall.writes.clear();
        foyer.writes.clear();
        broker.published.clear();
        journal.clear();
    }
    void command(const std::string& topic, const std::string& payload, std::string responseTopic = {},
                 std::string correlation = {}) {
        venue->message({topic, payload, false, std::move(responseTopic), std::move(correlation)});
    }
    test::VirtualClock clock;
    test::FakeLine hall{&clock}, foyer{&clock};
    FakeBroker broker;
    std::vector<std::string> journal;
    std::unique_ptr<Venue> venue;
};

TEST(Venue, SubscribesToItsOwnLinesAndKeepsItselfRetained) {
    Venue2 v("test", false);
    FakeBroker& broker = v.broker;
    EXPECT_EQ(v.journal,
              std::vector<std::string>{"serving hall (/dev/ttyUSB0: 001 002), foyer (/dev/ttyUSB1: "
                                       "single) on the broker mqtt://broker.example as test"});
    EXPECT_EQ(broker.subscribed, (std::vector<std::string>{"q7/hall/+/command 2", "q7/foyer/+/command 2",
                                                           "homeassistant/status 1", "q7/bridge/+/lines 1",
                                                           "q7/bridge/+/availability 1"}));
    v.venue->connected();
    EXPECT_EQ(broker.take("q7/bridge/test/availability"), std::vector<std::string>{"online"});
    EXPECT_EQ(broker.take("q7/bridge/test/lines"),
              std::vector<std::string>{R"({"foyer":["single"],"hall":["001","002"]})"});
    EXPECT_EQ(broker.take("q7/bridge/test/status"), std::vector<std::string>{R"({"refused":{}})"});
    const auto discovery =
        std::count_if(broker.published.begin(), broker.published.end(), [](const Published& p) {
            return p.topic == "homeassistant/switch/q7_test_hall_002_power/config" && p.retain &&
                   p.payload.find(R"("command_topic":"q7/hall/002/command")") != std::string::npos;
        });
    EXPECT_EQ(discovery, 1);
    v.clock.advance(100);
    for (const char* reply : kPoll)
        v.hall.receive(reply);
    // Said at the start, again on connecting, and once answered.
    EXPECT_EQ(broker.take("q7/hall/001/availability"),
              (std::vector<std::string>{"offline", "offline", "online"}));
    const std::vector<std::string> state = broker.take("q7/hall/001/state");
    ASSERT_EQ(state.size(), 1u);
    EXPECT_NE(
        state[0].find(R"("lamp_hours":{"hex":"31 32 33 34 0D","outcome":"reply","reply":" 1 2 3 4 CR ",)"
                      R"("text":" 1 2 3 4 CR  Hour Use","value":1234})"),
        std::string::npos)
        << state[0];
    EXPECT_NE(state[0].find(R"("value":[35.2,41.8])"), std::string::npos) << state[0];
    // A reconnection publishes again all that is kept.
    broker.published.clear();
    v.venue->connected();
    EXPECT_EQ(broker.take("q7/hall/001/availability"), std::vector<std::string>{"online"});
    EXPECT_EQ(broker.take("q7/hall/001/state").size(), 1u);
}

// Each command message: what reaches the wire, and the one result on the result topic.
TEST(Venue, EveryCommandGetsOneResultThatNamesIt) {
    const std::string big(5000, 'x');
    struct Case {
        std::string topic, payload;
        const char* wire; // on the line of the topic, nothing when null
        const char* reply;
        std::string result; // on the topic's result topic; none when empty
    } cases[] = {
        {"q7/hall/001/command", "power on", "A001C00\r", "\x06\r",
         R"({"command":"power on","frame":"A001C00\r","hex":"06 0D","name":"power on","outcome":"ack","reply":" ACK CR "})"},
        {"q7/foyer/single/command", R"({"send": "C44"})", "C44\r", "\x06\r",
         R"({"command":{"send":"C44"},"frame":"C44\r","hex":"06 0D","name":"send","outcome":"ack","reply":" ACK CR "})"},
        {"q7/hall/all/command", "power off", "AFFFC01\r", "",
         R"({"command":"power off","frame":"AFFFC01\r","hex":"","name":"power off","outcome":"none","reply":" "})"},
        {"q7/hall/003/command", "power off", nullptr, nullptr,
         R"({"command":"power off","error":"no projector 003 is served on the line hall","outcome":"usage"})"},
        {"q7/foyer/all/command", "power off", nullptr, nullptr,
         R"({"command":"power off","error":"no projector all is served on the line foyer","outcome":"usage"})"},
        {"q7/lobby/single/command", "power off", nullptr, nullptr, ""},
        {"q7/foyer/single/command", R"({"send": "CR0\rC00"})", nullptr, nullptr,
         R"({"command":{"send":"CR0\rC00"},"error":"the text to send holds a control character (CR, LF, ...); one command is one frame","outcome":"usage"})"},
        {"q7/foyer/single/command", big, nullptr, nullptr,
         R"({"command":")" + big.substr(0, 64) +
             R"(","error":"a command of 5000 bytes is too long; a command has at most 4096","outcome":"usage"})"},
        {"q7/foyer/single/command", R"({"hold": "zoom +", "seconds": 61})", nullptr, nullptr,
         R"({"command":{"hold":"zoom +","seconds":61},"error":"the seconds of a hold must be a number above 0 and at most 60, not \"61\"","outcome":"usage"})"},
        {"q7/foyer/single/command", "{\"send\": \"\xff\"}", nullptr, nullptr,
         R"({"command":"{\"send\": \"�\"}","error":"a command is a name, {\"send\": TEXT} or {\"hold\": NAME, \"seconds\": S}","outcome":"usage"})"},
    };
    for (const Case& c : cases) {
        Venue2 v;
        v.command(c.topic, c.payload);
        test::FakeLine& line = c.topic.starts_with("q7/hall/") ? v.hall : v.foyer;
        v.clock.advance(100); // a line left unclean by the unanswered polls is quiet first
        if (c.wire) {
            ASSERT_EQ(line.written(), std::vector<std::string>{c.wire}) << c.payload;
            line.receive(c.reply);
            v.clock.advance(600);
        } else {
            EXPECT_TRUE(v.hall.writes.empty() && v.foyer.writes.empty()) << c.payload;
        }
        const std::string resultTopic = c.topic.substr(0, c.topic.size() - 7) + "result";
        EXPECT_EQ(v.broker.take(resultTopic),
                  c.result.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.result})
            << c.payload;
    }
}

// MQTT 5's request/response: the result goes to a response topic of the venue's too, with the command's
// correlation data; one that could be taken for a command or a bridge's own message is not answered.
TEST(Venue, AResponseTopicUnderQ7GetsTheResultWithItsCorrelation) {
    const std::string result =
        R"({"command":"freeze on","frame":"A002C43\r","hex":"06 0D","name":"freeze on","outcome":"ack","reply":" ACK CR "})";
    const struct {
        const char* responseTopic;
        std::vector<Published> published;
    } cases[] = {
        {"q7/desk/replies",
         {{"q7/hall/002/result", result, false, ""}, {"q7/desk/replies", result, false, "4711"}}},
        {"q7/hall/002/result", {{"q7/hall/002/result", result, false, "4711"}}},
        {"desk/replies", {{"q7/hall/002/result", result, false, ""}}},
        {"q7/hall/001/command", {{"q7/hall/002/result", result, false, ""}}},
        {"q7/bridge/test/lines", {{"q7/hall/002/result", result, false, ""}}},
        {"q7/+/replies", {{"q7/hall/002/result", result, false, ""}}},
    };
    for (const auto& c : cases) {
        Venue2 v;
        v.command("q7/hall/002/command", "freeze on", c.responseTopic, "4711");
        v.clock.advance(100);
        ASSERT_EQ(v.hall.written(), std::vector<std::string>{"A002C43\r"});
        v.hall.receive("\x06\r");
        EXPECT_EQ(v.broker.published, c.published) << c.responseTopic;
    }
}

// "status" polls the projector next, before those waiting to be polled, and answers with its state.
TEST(Venue, StatusPollsAtOnceAndAnswersWithTheState) {
    Venue2 v;
    v.command("q7/hall/002/command", "status");
    v.clock.advance(100);
    for (const char* reply : kPoll)
        v.hall.receive(reply);
    EXPECT_EQ(v.hall.written(),
              (std::vector<std::string>{"A002CR0\r", "A002CR1\r", "A002CR4\r", "A002CR3\r", "A002CR6\r",
                                        "A002CRA\r", "A002CR9\r", "A002CR PRESSURE\r", "A002CR7\r"}));
    const std::vector<std::string> state = v.broker.take("q7/hall/002/state");
    const std::vector<std::string> result = v.broker.take("q7/hall/002/result");
    ASSERT_EQ(state.size(), 1u);
    ASSERT_EQ(result.size(), 1u);
    EXPECT_EQ(result[0], R"({"command":"status",)" + state[0].substr(1));
    EXPECT_NE(
        state[0].find(R"("power":{"hex":"38 30 0D","outcome":"reply","reply":" 8 0 CR ","text":" Stand by",)"
                      R"("value":"standby"})"),
        std::string::npos)
        << state[0];
    EXPECT_EQ(v.broker.take("q7/hall/002/availability"), std::vector<std::string>{"online"});
    v.command("q7/hall/all/command", "status");
    EXPECT_EQ(
        v.broker.take("q7/hall/all/result"),
        std::vector<std::string>{
            R"({"command":"status","error":"status is asked of one projector at a time","outcome":"usage"})"});
}

// A result for every command accepted: the one in flight and those waiting when the line goes or the bridge
// stops, and the one refused when 32 wait; commands go before the polls waiting.
TEST(Venue, ALostLineAFullQueueAndAStopEachAnswerEveryCommand) {
    for (const bool lose : {true, false}) {
        Venue2 v;
        for (int i = 0; i < 34; ++i)
            v.command("q7/hall/001/command", "image3");
        EXPECT_EQ(
            v.broker.take("q7/hall/001/result"),
            std::vector<std::string>{R"({"command":"image3","error":"32 commands wait already on the line )"
                                     R"(hall; this one is refused.","outcome":"failed"})"});
        v.clock.advance(100);
        v.hall.receive("\x06\r");
        EXPECT_EQ(v.hall.written(), std::vector<std::string>(2, "A001CF IMAGE IMAGE3\r"));
        lose ? v.hall.lose() : v.venue->stop();
        std::vector<std::string> results = v.broker.take("q7/hall/001/result");
        ASSERT_EQ(results.size(), 33u);
        EXPECT_EQ(results.front(), R"({"command":"image3","frame":"A001CF IMAGE IMAGE3\r","hex":"06 0D",)"
                                   R"("name":"image3","outcome":"ack","reply":" ACK CR "})");
        const std::string why =
            lose ? "The serial device /dev/ttyUSB0 went away: the server closed the connection."
                 : "The bridge stopped before the command was answered.";
        EXPECT_EQ(results.back(), R"({"command":"image3","error":")" + why + R"(","outcome":"failed"})");
        EXPECT_EQ(std::count(results.begin(), results.end(), results.back()), 32);
        if (!lose) {
            EXPECT_EQ(v.broker.take("q7/hall/002/availability"), std::vector<std::string>{"offline"});
            EXPECT_EQ(v.broker.take("q7/foyer/single/availability"), std::vector<std::string>{"offline"});
            EXPECT_EQ(v.broker.take("q7/bridge/test/availability"), std::vector<std::string>{"offline"});
        }
    }
}

// Two bridges that serve one line: both say so, the one with the greater id leaves it, and takes it up again
// once the other is offline.
TEST(Venue, ALineClaimedTwiceIsLeftToTheSmallerId) {
    for (const char* id : {"a", "c"}) {
        Venue2 v(id);
        const bool leaves = std::string(id) == "c";
        v.venue->message({"q7/bridge/b/lines", R"({"hall":["001"],"stage":["single"]})", true});
        v.venue->message({"q7/bridge/b/availability", "online", true});
        ASSERT_EQ(v.journal.size(), 1u);
        EXPECT_EQ(v.journal.back(),
                  leaves ? "WARNING: the bridge b serves the line hall as well; this bridge leaves "
                           "the line to it, as its id is the smaller"
                         : "WARNING: the bridge b serves the line hall as well; this bridge keeps "
                           "it, as its id is the smaller");
        EXPECT_EQ(v.broker.take(std::string("q7/bridge/") + id + "/status"),
                  leaves ? std::vector<std::string>{R"({"refused":{"hall":"served by the bridge b"}})"}
                         : std::vector<std::string>{});
        const auto emptied =
            std::count_if(v.broker.published.begin(), v.broker.published.end(), [](const Published& p) {
                return p.topic.starts_with("homeassistant/") && p.topic.find("_hall_") != std::string::npos &&
                       p.payload.empty() && p.retain;
            });
        EXPECT_EQ(emptied > 0, leaves);
        v.broker.published.clear();
        v.command("q7/hall/001/command", "power on");
        v.clock.advance(35000);
        EXPECT_EQ(v.hall.writes.empty(), leaves) << "no command, no poll on a line left";
        EXPECT_EQ(v.broker.take("q7/hall/001/result").size(), leaves ? 0u : 1u);
        EXPECT_EQ(v.broker.take("q7/hall/001/availability").size(), 0u) << "the topic is the other bridge's";
        v.venue->message({"q7/bridge/b/availability", "offline", true});
        EXPECT_EQ(v.broker.take(std::string("q7/bridge/") + id + "/status"),
                  leaves ? std::vector<std::string>{R"({"refused":{}})"} : std::vector<std::string>{});
        EXPECT_EQ(v.journal.back(),
                  leaves ? "the line hall is this bridge's alone again"
                         : "WARNING: the bridge b serves the line hall as well; this bridge keeps "
                           "it, as its id is the smaller");
        v.hall.writes.clear();
        v.command("q7/hall/001/command", "power on");
        v.clock.advance(2000);
        EXPECT_EQ(v.hall.written().at(0), leaves ? "A001CR0\r" : "A001C00\r") << "open again, polled first";
        EXPECT_EQ(v.broker.take("q7/hall/001/result").size(), 1u);
    }
}

// A bridge started with fewer lines than it served before removes the entities of those gone, its own alone.
TEST(Venue, ARestartWithALineRemovedRemovesItsEntities) {
    Venue2 v;
    v.venue->message({"q7/bridge/test/lines", R"({"hall":["001","002"],"stage":["003"]})", true});
    v.venue->message({"q7/bridge/other/lines", R"({"lobby":["single"]})", true});
    std::vector<std::string> emptied;
    for (const Published& p : v.broker.published) {
        EXPECT_TRUE(p.payload.empty() && p.retain) << p.topic;
        emptied.push_back(p.topic);
    }
    EXPECT_EQ(std::count_if(emptied.begin(), emptied.end(),
                            [](const std::string& t) { return t.find("_stage_003_") == std::string::npos; }),
              0);
    EXPECT_TRUE(
        std::count(emptied.begin(), emptied.end(), "homeassistant/switch/q7_test_stage_003_power/config"));
    EXPECT_TRUE(
        std::count(emptied.begin(), emptied.end(), "homeassistant/button/q7_test_stage_003_image3/config"));
}

} // namespace
} // namespace q7
