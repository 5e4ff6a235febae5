// SPDX-License-Identifier: MIT
#include "bridge/pjlink_front.h"

#include "display/status_queries.h"
#include "protocol/names.h"

#include <algorithm>
#include <array>

namespace q7 {
namespace {

using Reply = pjlink::Session::Answer;

// Class 2's own commands; asked with %1 they are undefined.
constexpr auto kClassTwoOnly = std::to_array<std::string_view>(
    {"FREZ", "SVOL", "MVOL", "INNM", "SNUM", "SVER", "IRES", "RRES", "FILT", "RLMP", "RFIL"});
constexpr auto kKnown = std::to_array<std::string_view>(
    {"POWR", "INPT", "AVMT", "ERST", "LAMP", "INST", "NAME", "INF1", "INF2", "INFO", "CLSS"});
// What a Q7 cannot tell or has not: no serial number, software version, resolution, filter, replacement
// parts or microphone reaches its serial line.
constexpr auto kNotOnQ7 =
    std::to_array<std::string_view>({"SNUM", "SVER", "IRES", "RRES", "FILT", "RLMP", "RFIL", "MVOL"});

template <std::size_t N> bool among(const std::array<std::string_view, N>& bodies, const std::string& body) {
    return std::find(bodies.begin(), bodies.end(), body) != bodies.end();
}

// OK only for the projector's ACK.
const char* pjlinkOutcome(const Answers& answers) {
    if (!answers || answers->empty()) return "ERR3";
    switch (answers->front().exchanged.outcome) {
    case Outcome::Ack:
        return "OK";
    case Outcome::Nak:
        return "ERR3";
    default:
        return "ERR4";
    }
}

// What a mute set leaves: 1x the video, 2x the audio, 3x both.
std::string mutesAfter(const std::string& before, std::string_view set) {
    bool video = before == "11" || before == "31", audio = before == "21" || before == "31";
    if (set[0] != '2') video = set[1] == '1';
    if (set[0] != '1') audio = set[1] == '1';
    return video && audio ? "31" : video ? "11" : audio ? "21" : "30";
}

} // namespace

// One connection: its session, and the peer its commands come from.
class PjlinkFront::Client final : public ConnectionHandler, private pjlink::Session::Projector {
  public:
    Client(PjlinkFront& front, Connection& connection)
        : front_(front), peer_(connection.peer()),
          session_(connection, front.timers_, *this, front.config_.pjlinkPassword, pjlink::newRandom()) {
        ++front_.connections_;
    }
    ~Client() override { --front_.connections_; }
    void received(std::string_view bytes) override { session_.received(bytes); }
    void closed() override { session_.closed(); }

  private:
    void command(const pjlink::Command& command, Reply answer) override {
        front_.command(command, peer_, std::move(answer));
    }

    PjlinkFront& front_;
    std::string peer_;
    pjlink::Session session_;
};

PjlinkFront::PjlinkFront(const BridgeConfig& config, const BridgeLine& line, std::string projector,
                         LineWorker& worker, TimerFactory& timers, Hooks hooks)
    : config_(config), line_(line), projector_(std::move(projector)), worker_(worker), timers_(timers),
      hooks_(std::move(hooks)), settleTimer_(timers.makeTimer(kSettlePollMs, [this] {
          settledMs_ += kSettlePollMs;
          if (settledMs_ > kSettleLimitMs)
              settleTimer_->setEnabled(false);
          else
              refresh();
      })) {}

PjlinkFront::~PjlinkFront() {
    *alive_ = false;
}

std::unique_ptr<ConnectionHandler> PjlinkFront::accept(Connection& connection) {
    if (connections_ >= kConnectionLimit) return nullptr;
    return std::make_unique<Client>(*this, connection);
}

void PjlinkFront::command(const pjlink::Command& command, const std::string& peer, Reply answer) {
    const std::string& body = command.body;
    if (command.pjClass == '1' && among(kClassTwoOnly, body)) return answer("ERR1");
    if (command.param.starts_with('?')) return answer(query(command));
    const std::string origin = "pjlink " + peer;
    if (body == "INPT") return selectInput(command.param, origin, std::move(answer));
    for (const PjlinkSetRow& row : kPjlinkSets)
        if (row.body == body && row.param == command.param) return set(row, 0, origin, std::move(answer));
    if (among(kNotOnQ7, body)) return answer("ERR1");
    answer(among(kKnown, body) || among(kClassTwoOnly, body) ? "ERR2" : "ERR1");
}

std::string PjlinkFront::query(const pjlink::Command& command) const {
    const std::string& body = command.body;
    const std::array<std::string, 3>& inputs = line_.pjlinkInputs;
    if (body == "INNM") {
        const auto input = std::find(inputs.begin(), inputs.end(), command.param.substr(1));
        if (input == inputs.end()) return "ERR2";
        // As the STATUS line names it, without its leading blank.
        const std::string_view name =
            status::kInputMode[static_cast<std::size_t>(input - inputs.begin())].text;
        return std::string(name.substr(name.find_first_not_of(' ')));
    }
    if (command.param != "?") return among(kNotOnQ7, body) ? "ERR1" : "ERR2";
    if (body == "CLSS") return "2";
    if (body == "NAME") return line_.pjlinkName(projector_);
    if (body == "INF1") return config_.pjlinkManufacturer;
    if (body == "INF2") return config_.pjlinkModel;
    if (body == "INFO") return config_.pjlinkInfo;
    if (body == "INST") return inputs[0] + " " + inputs[1] + " " + inputs[2];
    if (body == "FREZ") return frozen_ ? "1" : "0";
    if (among(kNotOnQ7, body)) return "ERR1";
    if (!among(kKnown, body)) return among(kClassTwoOnly, body) ? "ERR2" : "ERR1";
    if (!state_) return "ERR3";
    const auto or3 = [](const std::optional<std::string>& value) { return value ? *value : "ERR3"; };
    if (body == "POWR") return state_->power ? std::string(1, *state_->power) : "ERR3";
    if (body == "ERST") return or3(state_->errors);
    if (body == "INPT") return or3(state_->input);
    if (body == "LAMP") return or3(state_->lamp);
    if (body == "AVMT") {
        if (state_->noSignal) return mutesSet_;
        return state_->mutes && !state_->mutes->empty() ? *state_->mutes : "ERR3";
    }
    return "ERR2";
}

void PjlinkFront::set(const PjlinkSetRow& row, std::size_t button, const std::string& origin, Reply answer) {
    run(std::string(row.buttons[button]), origin, [this, &row, button, origin, answer](const char* outcome) {
        const bool more = button + 1 < row.buttons.size() && !row.buttons[button + 1].empty();
        if (outcome == std::string_view("OK") && more) return set(row, button + 1, origin, answer);
        if (outcome == std::string_view("OK")) {
            // Until the poll that follows says so, a query after the set reads what was set.
            if (row.body == "AVMT") {
                mutesSet_ = mutesAfter(mutesSet_, row.param);
                if (state_ && state_->mutes && !state_->mutes->empty())
                    state_->mutes = mutesAfter(*state_->mutes, row.param);
            }
            if (row.body == "FREZ") frozen_ = row.param == "1";
            if (row.body == "POWR") {
                settleTarget_ = row.param[0];
                // Accepted: starting or cooling down, until a poll says otherwise, so that a controller's
                // query right after its set does not read the old state.
                if (state_ && state_->power && *state_->power != settleTarget_)
                    state_->power = settleTarget_ == '1' ? '3' : '2';
                settle();
            } else if (row.body != "FREZ" && row.body != "SVOL") {
                refresh();
            }
        }
        answer(outcome);
    });
}

void PjlinkFront::selectInput(const std::string& input, const std::string& origin, Reply answer) {
    const std::array<std::string, 3>& inputs = line_.pjlinkInputs;
    const auto chosen = std::find(inputs.begin(), inputs.end(), input);
    if (chosen == inputs.end()) return answer("ERR2");
    const std::string button = std::string(kInputModeButton) + std::to_string(chosen - inputs.begin() + 1);
    run(button, origin, [this, answer, input](const char* outcome) {
        if (outcome == std::string_view("OK")) {
            if (state_) state_->input = input;
            refresh();
        }
        answer(outcome);
    });
}

void PjlinkFront::run(const std::string& button, const std::string& origin,
                      std::function<void(const char*)> then) {
    Request request;
    request.kind = Request::Kind::Button;
    request.button = findButton(button);
    worker_.command(projector_, request, [this, alive = alive_, origin, then](const Answers& answers) {
        if (!*alive) return;
        if (hooks_.activity) hooks_.activity(origin, answers);
        then(pjlinkOutcome(answers));
    });
}

void PjlinkFront::settle() {
    settledMs_ = 0;
    settleTimer_->setEnabled(true);
    refresh();
}

void PjlinkFront::refresh() {
    worker_.refresh(projector_, [](const Answers&) {});
}

void PjlinkFront::polled(const std::vector<Answer>& answers) {
    const PjlinkState now = pjlinkState(answers, line_.pjlinkInputs);
    if (state_ && hooks_.changed) {
        if (now.power && now.power != state_->power) hooks_.changed("POWR", std::string(1, *now.power));
        if (now.errors && now.errors != state_->errors) hooks_.changed("ERST", *now.errors);
        if (now.input && now.input != state_->input) hooks_.changed("INPT", *now.input);
    }
    state_ = now;
    if (settleTimer_->isEnabled() && now.power == settleTarget_) settleTimer_->setEnabled(false);
}

void PjlinkFront::availability(bool online) {
    if (!online) state_.reset();
}

} // namespace q7
