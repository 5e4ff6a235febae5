// SPDX-License-Identifier: MIT
// The bridge's fronts on real sockets of the loopback, where 127.0.0.2 and 127.0.0.3 need no alias: the
// test's clients are its own system sockets, so that they choose their address and their buffer. Real time:
// every bound is generous.

#include "qt/bridge/net_front.h"

#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <linux/tcp.h> // tcp_info with its segment counts, which glibc's lacks
#include <netdb.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace q7::test {
namespace {

using Said = std::vector<std::string>;

struct Endpoint {
    Endpoint() = default;
    Endpoint(const std::string& host, int port) {
        addrinfo hints{};
        hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
        addrinfo* found = nullptr;
        if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return;
        std::memcpy(&address, found->ai_addr, size = found->ai_addrlen);
        ::freeaddrinfo(found);
    }
    sockaddr* get() { return reinterpret_cast<sockaddr*>(&address); }
    sockaddr_storage address{};
    socklen_t size = 0;
};

struct Socket {
    explicit Socket(int type, const std::string& from = "127.0.0.2", int receiveBuffer = 0) {
        Endpoint at(from, 0);
        fd = ::socket(at.address.ss_family, type | SOCK_CLOEXEC, 0);
        if (receiveBuffer) ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        ::bind(fd, at.get(), at.size);
    }
    ~Socket() { ::close(fd); }
    bool connectTo(const std::string& host, int port) {
        Endpoint at(host, port);
        return ::connect(fd, at.get(), at.size) == 0;
    }
    int port() {
        Endpoint at;
        ::getsockname(fd, at.get(), &(at.size = sizeof at.address));
        return ntohs(reinterpret_cast<sockaddr_in&>(at.address).sin_port);
    }
    // Reads what comes until done(); ended and error tell the connection's end (EOF, or a reset), from the
    // last sender as ADDRESS:PORT.
    bool readUntil(const std::function<bool()>& done) {
        return QTest::qWaitFor(
            [&] {
                char buffer[65536], host[NI_MAXHOST] = "", port[NI_MAXSERV] = "";
                Endpoint sender;
                ssize_t n;
                while ((n = ::recvfrom(fd, buffer, sizeof buffer, MSG_DONTWAIT, sender.get(),
                                       &(sender.size = sizeof sender.address))) > 0) {
                    got.append(buffer, static_cast<std::size_t>(n));
                    ::getnameinfo(sender.get(), sender.size, host, sizeof host, port, sizeof port,
                                  NI_NUMERICHOST | NI_NUMERICSERV);
                    from = std::string(host) + ":" + port;
                }
                ended = ended || n == 0;
                if (n < 0 && errno != EAGAIN) error = errno;
                return done();
            },
            10000);
    }
    bool readToEnd() {
        return readUntil([&] { return ended || error; });
    }
    tcp_info info() const {
        tcp_info out{};
        socklen_t size = sizeof out;
        ::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &out, &size);
        return out;
    }
    int fd = -1;
    std::string got, from;
    bool ended = false;
    int error = 0;
};

// Each connection's handler tells what it heard, after the peer of its connection.
struct Served final : Service {
    struct Handler final : ConnectionHandler {
        Handler(Served& s, Connection& c) : served(s), connection(c) {}
        void received(std::string_view bytes) override {
            served.said.push_back(connection.peer() + " sent " + std::string(bytes));
        }
        void closed() override { served.said.push_back(connection.peer() + " closed"); }
        Served& served;
        Connection& connection;
    };
    std::unique_ptr<ConnectionHandler> accept(Connection& connection) override {
        said.push_back("accepted " + connection.peer());
        if (refuse) return nullptr;
        clients.push_back(&connection);
        return std::make_unique<Handler>(*this, connection);
    }
    bool refuse = false;
    std::vector<Connection*> clients;
    Said said;
};

struct Heard final : DatagramService {
    void datagram(const std::string& local, const std::string& from, std::string_view bytes) override {
        said.push_back(local + " from " + from + ": " + std::string(bytes));
    }
    Said said;
};

struct Front {
    explicit Front(const std::string& host = "127.0.0.1", int port = 0)
        : listening(front.listen(host, port)) {}
    // A client from the address given, accepted.
    bool connect(Socket& client, const std::string& to = "127.0.0.1") {
        const std::size_t before = served.said.size();
        return client.connectTo(to, front.port()) &&
               QTest::qWaitFor([&] { return served.said.size() > before; }, 5000);
    }
    Served served;
    TcpFront front{served};
    Result<> listening;
};

TEST(TcpFront, ClientsAreToldByTheirAddressAndEachWriteIsOneSegment) {
    Front f;
    ASSERT_TRUE(f.listening.has_value()) << f.listening.error().english();
    Socket a(SOCK_STREAM, "127.0.0.2"), b(SOCK_STREAM, "127.0.0.3");
    ASSERT_TRUE(f.connect(a) && f.connect(b));
    EXPECT_EQ(f.served.said, (Said{"accepted 127.0.0.2", "accepted 127.0.0.3"}));
    EXPECT_EQ(f.front.connections(), 2u);

    const unsigned before = b.info().tcpi_data_segs_in;
    f.served.clients[1]->write("%1POWR=1\r");
    ASSERT_TRUE(b.readUntil([&] { return b.got.size() >= 9; }));
    EXPECT_EQ(b.got, "%1POWR=1\r");
    EXPECT_EQ(b.info().tcpi_data_segs_in - before, 1u);

    ::send(a.fd, "%1POWR ?\r", 9, 0);
    ::shutdown(a.fd, SHUT_WR);
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.served.said.size() == 4; }, 5000));
    EXPECT_EQ(f.served.said[2], "127.0.0.2 sent %1POWR ?\r");
    EXPECT_EQ(f.served.said[3], "127.0.0.2 closed");
    EXPECT_EQ(f.front.connections(), 1u);

    // On IPv6, and an IPv4 client of a socket on every IPv6 address.
    const std::tuple<const char*, const char*, const char*> sixes[] = {{"::", "127.0.0.3", "127.0.0.1"},
                                                                       {"::1", "::1", "::1"}};
    for (const auto& [listen, from, to] : sixes) {
        Front six(listen);
        Socket client(SOCK_STREAM, from);
        ASSERT_TRUE(six.connect(client, to));
        EXPECT_EQ(six.served.said, (Said{std::string("accepted ") + from}));
    }
}

// What is kept for a client that does not read is bounded: beyond 64 KB the connection is closed, and its
// handler told once, from the event loop. What the system had taken still arrives.
TEST(TcpFront, AClientThatDoesNotReadIsClosedBeyondTheLimit) {
    Front f;
    Socket deaf(SOCK_STREAM, "127.0.0.2", 4096);
    ASSERT_TRUE(f.connect(deaf));
    const std::string chunk(1024, 'x');
    std::size_t written = 0;
    while (f.front.connections() == 1 && written < 256u * 1024 * 1024) {
        f.served.clients[0]->write(chunk);
        written += chunk.size();
    }
    EXPECT_EQ(f.served.said, (Said{"accepted 127.0.0.2"})) << "told inside write()";
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.served.said.size() == 2; }, 5000));
    ASSERT_TRUE(deaf.readToEnd());
    EXPECT_EQ(f.served.said, (Said{"accepted 127.0.0.2", "127.0.0.2 closed"}));
    EXPECT_EQ(deaf.error, 0);
    const std::size_t dropped = written - deaf.got.size();
    EXPECT_GT(dropped, 64u * 1024);
    EXPECT_LE(dropped, 65u * 1024);
}

// Closing delivers what was written, then the end, and tells the handler nothing; so does a refusal. What
// the client's window cannot take yet still follows: a command the client sent that nobody read does not
// make the close a reset, which would drop it.
TEST(TcpFront, CloseDeliversWhatWasWrittenThenTheEnd) {
    const std::string reply(8 * 1024, 'r');
    for (const bool refuse : {false, true}) {
        Front f;
        f.served.refuse = refuse;
        Socket client(SOCK_STREAM, "127.0.0.2", 4096);
        ASSERT_TRUE(f.connect(client));
        if (!refuse) {
            ::send(client.fd, "%1POWR 1\r", 9, 0);
            // Taken by the server's system, not yet read by the front: its event loop has not run.
            for (int i = 0; i < 2000 && client.info().tcpi_unacked > 0; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            f.served.clients[0]->write(reply);
            f.served.clients[0]->close();
            f.served.clients[0]->write("late");
        }
        EXPECT_EQ(f.front.connections(), 0u);
        ASSERT_TRUE(client.readToEnd());
        EXPECT_EQ(std::tuple(client.got.size(), client.ended, client.error),
                  std::tuple(refuse ? 0u : 8u * 1024, true, 0));
        EXPECT_EQ(client.got.find_first_not_of('r'), std::string::npos);
        QTest::qWait(50);
        EXPECT_EQ(f.served.said, (Said{"accepted 127.0.0.2"}));
    }
}

TEST(TcpFront, AddressesTakenOrNotOursAreRefusedWithTheReason) {
    Socket taken(SOCK_STREAM, "127.0.0.2");
    ::listen(taken.fd, 1);
    const int inUse = taken.port();
    const std::tuple<const char*, int, std::string> cases[] = {
        {"127.0.0.2", inUse,
         "Cannot listen on 127.0.0.2:" + std::to_string(inUse) + ": Address already in use."},
        {"192.0.2.1", 4352, "Cannot listen on 192.0.2.1:4352: Cannot assign requested address."},
        {"projector.local", 4352, "Cannot listen on projector.local:4352: Name or service not known."},
    };
    for (const auto& [host, port, why] : cases) {
        Front f(host, port);
        ASSERT_FALSE(f.listening.has_value()) << host;
        EXPECT_EQ(f.listening.error().english(), why);
    }
    Heard none;
    UdpFront udp(none);
    const Result<> udpBound = udp.bind({"192.0.2.1"}, 4352);
    ASSERT_FALSE(udpBound.has_value());
    EXPECT_EQ(udpBound.error().english(),
              "Cannot listen for UDP on 192.0.2.1:4352: Cannot assign requested address.");
}

// A bridge restarted at once listens again while the connection it closed lingers in TIME_WAIT.
TEST(TcpFront, ARestartedFrontListensWhileItsClosedConnectionsLinger) {
    int port = 0;
    {
        Front f;
        Socket client(SOCK_STREAM);
        ASSERT_TRUE(f.connect(client));
        f.served.clients[0]->close();
        ASSERT_TRUE(client.readToEnd());
        port = f.front.port();
    }
    Front again("127.0.0.1", port);
    EXPECT_TRUE(again.listening.has_value()) << again.listening.error().english();
    EXPECT_EQ(again.front.port(), port);
}

// Each datagram is told with the address of the socket that took it; a reply leaves from that address.
TEST(UdpFront, DatagramsAreToldAndSentByLocalAddress) {
    Heard heard;
    UdpFront front(heard);
    ASSERT_TRUE(front.bind({"127.0.0.2", "127.0.0.2"}, 0).has_value());
    Socket client(SOCK_DGRAM, "127.0.0.3");
    for (const char* to : {"127.0.0.2", "127.0.0.1"}) {
        Endpoint at(to, front.port());
        ::sendto(client.fd, "%2SRCH\r", 7, 0, at.get(), at.size);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return heard.said.size() == 2; }, 5000));
    std::sort(heard.said.begin(), heard.said.end());
    EXPECT_EQ(heard.said, (Said{"0.0.0.0 from 127.0.0.3: %2SRCH\r", "127.0.0.2 from 127.0.0.3: %2SRCH\r"}));

    const int to = client.port();
    front.send("0.0.0.0", "::1", to, "dropped");
    front.send("0.0.0.0", "no-address", to, "dropped");
    const std::pair<const char*, const char*> replies[] = {{"127.0.0.2", "127.0.0.2:"},
                                                           {"10.9.9.9", "127.0.0.1:"}};
    for (const auto& [local, source] : replies) {
        client.got.clear();
        front.send(local, "127.0.0.3", to, "%2ACKN=00:11:22:33:44:55\r");
        ASSERT_TRUE(client.readUntil([&] { return !client.got.empty(); }));
        EXPECT_EQ(std::tuple(client.got, client.from),
                  std::tuple("%2ACKN=00:11:22:33:44:55\r", source + std::to_string(front.port())));
    }
}

} // namespace
} // namespace q7::test
