// SPDX-License-Identifier: MIT
#include "bridge/passthrough.h"

#include "protocol/frame.h"

#include <algorithm>
#include <deque>

namespace q7 {
namespace {

// The projector a frame addresses, and its command.
std::pair<std::string, std::string_view> addressed(std::string_view frame) {
    for (const ProjectorOption& option : kProjectorOptions)
        if (!option.prefix.empty() && frame.starts_with(option.prefix))
            return {std::string(option.name), frame.substr(option.prefix.size())};
    return {std::string(kSingleProjector), frame};
}

} // namespace

class Passthrough::Client final : public ConnectionHandler {
  public:
    Client(Passthrough& owner, Connection& connection)
        : connection_(connection), origin_("passthrough " + connection.peer()), owner_(owner) {
        owner_.clients_.push_back(this);
    }
    ~Client() override {
        owner_.waiting_ -= frames_.size();
        owner_.clients_.remove(this);
        if (owner_.asking_ == this) owner_.asking_ = nullptr;
    }

    void received(std::string_view bytes) override {
        for (const char c : bytes) {
            if (gone_) return;
            if (c == '\n') continue; // a terminal's CR LF
            if (c != kCarriageReturn) {
                overlong_ = overlong_ || partial_.size() >= kLongestFrame;
                if (!overlong_) partial_ += c;
                continue;
            }
            if (!overlong_ && !partial_.empty()) take(std::move(partial_));
            partial_.clear();
            overlong_ = false;
        }
    }
    void closed() override { gone_ = true; }

    std::deque<std::string> frames_;
    Connection& connection_;
    const std::string origin_;

  private:
    void take(std::string frame) {
        if (frames_.size() >= kClientLimit || owner_.waiting_ >= kLineLimit) {
            // Its frames go with it: nobody is left to read their replies.
            owner_.waiting_ -= frames_.size();
            frames_.clear();
            gone_ = true;
            connection_.close();
            return;
        }
        frames_.push_back(std::move(frame));
        ++owner_.waiting_;
        owner_.next();
    }

    Passthrough& owner_;
    std::string partial_;
    bool overlong_ = false;
    bool gone_ = false;
};

Passthrough::Passthrough(LineWorker& worker, Activity activity)
    : worker_(worker), activity_(std::move(activity)) {}

Passthrough::~Passthrough() {
    *alive_ = false;
}

std::unique_ptr<ConnectionHandler> Passthrough::accept(Connection& connection) {
    return std::make_unique<Client>(*this, connection);
}

void Passthrough::next() {
    if (busy_) return;
    const auto turn =
        std::find_if(clients_.begin(), clients_.end(), [](const Client* c) { return !c->frames_.empty(); });
    if (turn == clients_.end()) return;
    Client* client = *turn;
    // Its turn is taken: it waits behind the others for the next.
    clients_.splice(clients_.end(), clients_, turn);
    const std::string frame = std::move(client->frames_.front());
    client->frames_.pop_front();
    --waiting_;
    busy_ = true;
    asking_ = client;
    const auto [projector, command] = addressed(frame);
    worker_.send(frame, commandWindowMs(command),
                 [this, alive = alive_, projector, origin = client->origin_](const Answers& answers) {
                     if (!*alive) return;
                     busy_ = false;
                     if (activity_) activity_(projector, origin, answers);
                     const Outcome outcome = answers ? answers->front().exchanged.outcome : Outcome::None;
                     if (Client* asker = std::exchange(asking_, nullptr);
                         asker &&
                         (outcome == Outcome::Ack || outcome == Outcome::Nak || outcome == Outcome::Reply))
                         asker->connection_.write(answers->front().exchanged.received);
                     next();
                 });
}

} // namespace q7
