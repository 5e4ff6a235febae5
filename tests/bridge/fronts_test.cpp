// SPDX-License-Identifier: MIT
// A venue's fronts on the virtual clock, a fake line answering as a Q7 does: PJLink's commands answered from
// the latest poll or run on the line, the power polled until it settles, and a passthrough shared by
// clients that each get their own replies.

#include "bridge/fronts.h"
#include "fake_broker.h"
#include "fake_window.h"

#include <gtest/gtest.h>

namespace q7 {
namespace {

struct FakeConnection final : Connection {
    explicit FakeConnection(std::string from) : from_(std::move(from)) {}
    void write(std::string_view bytes) override { writes.emplace_back(bytes); }
    void close() override { closed = true; }
    const std::string& peer() const override { return from_; }
    std::vector<std::string> writes;
    bool closed = false;

  private:
    std::string from_;
};

// hall: projector 001 behind PJLink on 10.0.5.21, and a passthrough.
struct Site {
    Site() {
        config.id = "test";
        config.pjlinkManufacturer = "VELM", config.pjlinkModel = "Q7/Q7L";
        BridgeLine hall{"hall", "/dev/ttyUSB0", "19200,N,8,1", {"001"}, {}};
        hall.pjlink = {{"001", {"10.0.5.21", 4352}}};
        hall.passthrough = Endpoint{"0.0.0.0", 4001};
        config.lines = {hall};
        venue = std::make_unique<Venue>(config, broker, std::vector<Line*>{&line}, clock,
                                        std::map<std::string, SessionLog*>{}, [](const Message&) {});
        fronts = std::make_unique<Fronts>(config, *venue, clock);
        venue->start();
    }
    ~Site() { venue->stop(); }
    Service& front(std::size_t i) { return *fronts->listening()[i].service; }
    // The projector answers each frame as replies say, none when it has no entry.
    void run(int ms) {
        for (int t = 0; t < ms; t += 5) {
            clock.advance(5);
            for (; answered < line.writes.size(); ++answered)
                if (const auto r = replies.find(line.writes[answered].bytes); r != replies.end())
                    line.receive(r->second);
        }
    }
    std::vector<std::string> commands() {
        std::vector<std::string> out;
        for (; seen < line.writes.size(); ++seen)
            if (line.writes[seen].bytes.find("CR") == std::string::npos)
                out.push_back(line.writes[seen].bytes);
        return out;
    }
    BridgeConfig config;
    test::VirtualClock clock;
    test::FakeLine line{&clock};
    test::FakeBroker broker;
    std::unique_ptr<Venue> venue;
    std::unique_ptr<Fronts> fronts;
    std::map<std::string, std::string> replies{
        {"A001CR0\r", "00\r"},     {"A001CR1\r", "2\r"},           {"A001CR3\r", "1234\r"},
        {"A001CR4\r", "11\r"},     {"A001CR6\r", "035.2,041.8\r"}, {"A001CRA\r", "80\r"},
        {"A001CR9\r", "ANALOG\r"}, {"A001CR PRESSURE\r", "853\r"}, {"A001CR7\r", "01\r"},
        {"A001C43\r", "\x06\r"},   {"A001C0D\r", "\x06\r"},        {"A001C0B\r", "\x06\r"},
        {"A001C07\r", "\x06\r"},   {"A001C09\r", "\x06\r"},        {"A001C01\r", "\x15\r"}};
    std::size_t answered = 0, seen = 0;
};

TEST(PjlinkFront, AnswersFromThePollAndRunsSetsOnTheLine) {
    Site site;
    FakeConnection controller("10.0.5.9");
    const std::unique_ptr<ConnectionHandler> session = site.front(0).accept(controller);
    controller.writes.clear(); // the greeting
    session->received("%1POWR ?\r");
    EXPECT_EQ(controller.writes, std::vector<std::string>{"%1POWR=ERR3\r"}); // before the first poll
    site.run(1000);
    struct Case {
        const char* command;
        const char* reply;
        std::vector<std::string> frames;
    } cases[] = {
        {"%1POWR ?\r", "%1POWR=1\r", {}},
        {"%1ERST ?\r", "%1ERST=010000\r", {}},
        {"%1INPT ?\r", "%1INPT=21\r", {}},
        {"%1LAMP ?\r", "%1LAMP=1234 1\r", {}},
        {"%1AVMT ?\r", "%1AVMT=30\r", {}}, // no signal: as last set
        {"%2INST ?\r", "%2INST=11 21 31\r", {}},
        {"%2INNM ?31\r", "%2INNM=Input mode 3\r", {}},
        {"%2INNM ?41\r", "%2INNM=ERR2\r", {}},
        {"%1NAME ?\r", "%1NAME=hall 001\r", {}},
        {"%1INF1 ?\r", "%1INF1=VELM\r", {}},
        {"%1INF2 ?\r", "%1INF2=Q7/Q7L\r", {}},
        {"%1CLSS ?\r", "%1CLSS=2\r", {}},
        {"%2CLSS ?\r", "%2CLSS=2\r", {}},
        {"%1FREZ ?\r", "%1FREZ=ERR1\r", {}},
        {"%2FREZ 1\r", "%2FREZ=OK\r", {"A001C43\r"}},
        {"%2FREZ ?\r", "%2FREZ=1\r", {}},
        {"%1AVMT 11\r", "%1AVMT=OK\r", {"A001C0D\r"}},
        {"%1AVMT 21\r", "%1AVMT=OK\r", {"A001C0B\r"}},
        {"%1AVMT ?\r", "%1AVMT=31\r", {}}, // both, as set
        {"%1AVMT 12\r", "%1AVMT=ERR2\r", {}},
        {"%1INPT 31\r", "%1INPT=OK\r", {"A001C07\r"}},
        {"%1INPT 41\r", "%1INPT=ERR2\r", {}},
        {"%2SVOL 1\r", "%2SVOL=OK\r", {"A001C09\r"}},
        {"%2MVOL 1\r", "%2MVOL=ERR1\r", {}},
        {"%2SNUM ?\r", "%2SNUM=ERR1\r", {}},
        {"%1POWR 2\r", "%1POWR=ERR2\r", {}},
        {"%1ABCD ?\r", "%1ABCD=ERR1\r", {}},
        {"%1POWR 0\r", "%1POWR=ERR3\r", {"A001C01\r"}}, // refused
        {"%1POWR 1\r", "%1POWR=ERR4\r", {"A001C00\r"}}, // unanswered
    };
    for (const Case& c : cases) {
        controller.writes.clear();
        site.commands();
        session->received(c.command);
        site.run(2000);
        EXPECT_EQ(controller.writes, std::vector<std::string>{c.reply}) << c.command;
        EXPECT_EQ(site.commands(), c.frames) << c.command;
    }
    const std::vector<std::string> activity = site.broker.take("q7/hall/001/activity");
    ASSERT_EQ(activity.size(), 7u);
    EXPECT_EQ(activity[0],
              R"({"frame":"A001C43\r","hex":"06 0D","name":"freeze on","origin":"pjlink 10.0.5.9",)"
              R"("outcome":"ack","reply":" ACK CR "})");
    // A lost line: unavailable, and the socket still answers.
    site.line.lose();
    controller.writes.clear();
    session->received("%1POWR ?\r");
    EXPECT_EQ(controller.writes, std::vector<std::string>{"%1POWR=ERR3\r"});
}

// After a power set, the power is asked every 2 s until it is what was set.
TEST(PjlinkFront, PollsThePowerUntilItSettles) {
    Site site;
    FakeConnection controller("10.0.5.9");
    const std::unique_ptr<ConnectionHandler> session = site.front(0).accept(controller);
    site.replies["A001CR0\r"] = "80\r";
    site.replies["A001C00\r"] = "\x06\r";
    site.run(1000);
    session->received("%1POWR 1\r");
    site.replies["A001CR0\r"] = "40\r";
    const auto powerQueries = [&] {
        return std::count_if(site.line.writes.begin(), site.line.writes.end(),
                             [](const test::FakeLine::Write& w) { return w.bytes == "A001CR0\r"; });
    };
    const auto before = powerQueries();
    site.run(9000); // at once after the ACK, then at 2, 4, 6 and 8 s
    EXPECT_EQ(powerQueries() - before, 5);
    site.replies["A001CR0\r"] = "00\r";
    site.run(2000);
    EXPECT_EQ(powerQueries() - before, 6);
    site.run(10000);
    EXPECT_EQ(powerQueries() - before, 6);
    controller.writes.clear();
    session->received("%1POWR ?\r");
    EXPECT_EQ(controller.writes, std::vector<std::string>{"%1POWR=1\r"});
}

TEST(Passthrough, ClientsTakeTurnsAndEachGetsItsOwnReplies) {
    Site site;
    site.run(1000);
    site.commands();
    FakeConnection a("10.0.5.7"), b("10.0.5.8"), c("10.0.5.10");
    const auto first = site.front(1).accept(a), second = site.front(1).accept(b),
               third = site.front(1).accept(c);
    first->received("A001CR0\rA001C");
    second->received("A001CR3\r");
    first->received("R1\rA001C99\r");
    second->received("A001" + std::string(61, 'C') + "\r"); // one byte too long: dropped
    // Eight frames wait for a client at most: the ninth closes it.
    c.writes.clear();
    third->received("A001C43\rA001C43\rA001C43\rA001C43\rA001C43\rA001C43\rA001C43\rA001C43\rA001C43\r");
    EXPECT_TRUE(c.closed);
    site.run(5000);
    const std::vector<std::string> wire = [&] {
        std::vector<std::string> w;
        for (std::size_t i = site.seen; i < site.line.writes.size(); ++i)
            w.push_back(site.line.writes[i].bytes);
        return w;
    }();
    // The closed client's frames went with it.
    EXPECT_EQ(wire, (std::vector<std::string>{"A001CR0\r", "A001CR3\r", "A001CR1\r", "A001C99\r"}));
    EXPECT_EQ(a.writes, (std::vector<std::string>{"00\r", "2\r"})); // C99 unanswered: nothing
    EXPECT_EQ(b.writes, std::vector<std::string>{"1234\r"});
    // A client gone with its frame in flight is written nothing.
    FakeConnection d("10.0.5.11");
    const auto fourth = site.front(1).accept(d);
    fourth->received("A001CR0\r");
    fourth->closed();
    site.run(1000);
    EXPECT_TRUE(d.writes.empty());
    const std::vector<std::string> activity = site.broker.take("q7/hall/001/activity");
    ASSERT_FALSE(activity.empty());
    EXPECT_NE(activity[0].find(R"("origin":"passthrough 10.0.5.7")"), std::string::npos) << activity[0];
}

} // namespace
} // namespace q7
