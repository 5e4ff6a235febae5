// SPDX-License-Identifier: MIT
#pragma once
// A line's raw passthrough: control processors write the projector's own frames (address included, each up
// to its CR) on a TCP port; each frame runs as one exchange on the line's queue, with the reply window of
// the button that sends it, and the reply, as the projector sent it up to and with its CR, goes back to
// the client that wrote the frame, to it alone (nothing when the projector does not answer).
// - Frames from several clients never interleave on the wire: one frame at a time joins the line's queue,
//   the clients taking turns, so that no client starves another or the MQTT commands.
// - A client may have kClientLimit frames waiting, and all of them together kLineLimit; a client beyond
//   either is closed. A frame longer than kLongestFrame is dropped whole.
// - A client that does not read holds nothing: its replies wait in its connection, which closes it when
//   too many wait.

#include "bridge/line_worker.h"
#include "net/connection.h"

#include <functional>
#include <list>
#include <memory>
#include <string>

namespace q7 {

class Passthrough final : public Service {
  public:
    static constexpr std::size_t kLongestFrame = 64; // with its address, without its CR
    static constexpr std::size_t kClientLimit = 8;
    static constexpr std::size_t kLineLimit = 32;

    // An exchange a client caused: the projector its frame addressed ("single" for none, "all" for AFFF)
    // and its origin ("passthrough 10.0.5.7").
    using Activity =
        std::function<void(const std::string& projector, const std::string& origin, const Answers& answers)>;

    Passthrough(LineWorker& worker, Activity activity);
    ~Passthrough();

    std::unique_ptr<ConnectionHandler> accept(Connection& connection) override;

  private:
    class Client;

    void next();

    LineWorker& worker_;
    Activity activity_;
    std::list<Client*> clients_; // in turn: the next to write is the first with a frame waiting
    std::size_t waiting_ = 0;
    Client* asking_ = nullptr; // whose frame is on the line; none when it has gone
    bool busy_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace q7
