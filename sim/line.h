// SPDX-License-Identifier: MIT
#pragma once
// The simulator's end of the serial line: the master side of a pseudo-terminal, a real serial device, or a
// TCP connection standing for a serial device server's port.

#include <chrono>
#include <string>

namespace q7sim {

class Line {
  public:
    // A new pseudo-terminal whose other end the panel opens. The simulator keeps that end open as well, so
    // the line survives the panel closing and reopening it, and sets it raw, which is also what the panel
    // finds again after a port that restores its settings on close.
    static Line openPseudoTerminal(std::string* error);
    // A real serial device at the given speed, 8 data bits, no parity, 1 stop bit, raw.
    static Line openDevice(const std::string& path, int baud, std::string* error);

    // Raw TCP on address:port, address an IPv4 or IPv6 literal (port 0: a free one, which path() then names),
    // one client at a time. fd() is the connected client, -1 while there is none; listenFd() becomes readable
    // when the next one may be taken.
    static Line listenTcp(const std::string& address, int port, std::string* error);

    Line() = default;
    Line(Line&& other) noexcept;
    Line& operator=(Line&& other) noexcept;
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;
    ~Line();

    bool isOpen() const { return fd_ >= 0 || listen_ >= 0; }
    int fd() const { return fd_; } // non-blocking, read and write
    int listenFd() const { return listen_; }
    // For TCP: what to give the panel, socket://ADDRESS:PORT.
    const std::string& path() const { return path_; }
    // The waiting client becomes the line; false when it had already gone again.
    bool acceptClient();
    // The client has gone: the line waits for the next.
    void dropClient();
    // Waits, up to the bound, until what was written has reached the other end; a pseudo-terminal throws
    // away what the panel has not read yet when it goes away.
    void drain(std::chrono::milliseconds bound);
    // What the panel sees as an unplugged cable: the pseudo-terminal goes away, a device drops DTR.
    void hangUp();

  private:
    int fd_ = -1;
    int peer_ = -1;   // our own hold on the pseudo-terminal's panel end
    int listen_ = -1; // the TCP port clients connect to
    bool device_ = false;
    std::string path_;
};

} // namespace q7sim
