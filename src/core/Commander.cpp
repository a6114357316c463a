#include "core/Commander.h"

#include <algorithm>

#include "core/Clock.h"
#include "core/StatusLog.h"
#include "core/TelescopeState.h"

namespace orv {

namespace {
constexpr int OwnChannel = 0;
const char* const OwnChannelName = "Orv";
constexpr int64_t IdleCheckMs = 5;
}  // namespace

Commander::Channel::Channel(Commander& commander, std::string name)
    : commander_(commander), id_([&] {
          std::lock_guard lock(commander.mutex_);
          const int id = commander.nextChannel_++;
          commander.names_.emplace_back(id, name);
          return id;
      }()),
      name_(std::move(name)) {}

Commander::Channel::~Channel() {
    std::lock_guard lock(commander_.mutex_);
    std::erase_if(commander_.held_, [this](const Held& h) { return h.channel == id_; });
    std::erase_if(commander_.names_, [this](const auto& n) { return n.first == id_; });
}

Commander::Outcome Commander::Channel::issue(int code, const Params& params) {
    return commander_.issueOn(id_, name_, code, params);
}

size_t Commander::Channel::held() const { return commander_.heldOn(id_); }

void Commander::Channel::discard() { commander_.discardOn(id_); }

Commander::Commander(TelescopeState& state, Clock& clock, StatusLog& log,
                     const std::atomic<bool>& terminating)
    : state_(state), clock_(clock), log_(log), terminating_(terminating) {
    names_.emplace_back(OwnChannel, OwnChannelName);
}

Commander::Outcome Commander::issue(int code, const Params& params) {
    return issueOn(OwnChannel, OwnChannelName, code, params);
}

Commander::Outcome Commander::issueOn(int channel, const std::string& name, int code,
                                      const Params& params) {
    if (code == StopCode) {   // a stop from any commander is a stop
        stop();
        return Outcome::Written;
    }
    std::lock_guard lock(mutex_);
    dropStale();
    if (idle() && !stopOwed_ && !safetyPosted_ && held_.empty()) {
        write(code, params, Written::Held);
        return Outcome::Written;
    }
    if (heldOn(channel, held_) >= MaxHeldPerChannel) {
        log_.AddLog(name + ": Command " + std::to_string(code) + " dropped, too many commands waiting");
        return Outcome::Refused;
    }
    held_.push_back({channel, code, params, state_.StopGeneration.load(), clock_.nowMs()});
    return Outcome::Held;
}

bool Commander::offer(int code, const Params& params) {
    std::lock_guard lock(mutex_);
    dropStale();
    if (!idle() || stopOwed_ || safetyPosted_ || !held_.empty()) return false;
    write(code, params, Written::Held);
    return true;
}

void Commander::stop() {
    std::lock_guard lock(mutex_);
    state_.StopRequest = 1;
    state_.StopGeneration.fetch_add(1);
    dropStale();
    // A running handler may write over this code when it ends; it is owed until
    // the state machine has seen it.
    stopOwed_ = true;
    write(StopCode, {}, Written::Stop);
}

void Commander::postSafety(int code, const Params& params) {
    std::lock_guard lock(mutex_);
    // What waits was sent before the safety command and must not follow it.
    state_.StopGeneration.fetch_add(1);
    dropStale();
    safetyPosted_ = true;
    safetyCode_ = code;
    safetyParams_ = params;
    if (idle() && !stopOwed_) writeNext();
}

void Commander::withdrawSafety() {
    std::lock_guard lock(mutex_);
    if (!safetyPosted_) return;
    safetyPosted_ = false;
    if (written_ == Written::Safety) {
        int expected = safetyCode_;
        state_.StateCode.compare_exchange_strong(expected, 0);
        written_ = Written::None;
    }
}

bool Commander::safetyPending() const {
    std::lock_guard lock(mutex_);
    return safetyPosted_;
}

void Commander::putBackSafety() {
    std::lock_guard lock(mutex_);
    // Only from within the safety command's own handler, before it ends.
    if (safetyRunning_ && state_.StateCode.load() == safetyCode_) safetyPosted_ = true;
}

int Commander::take() {
    std::lock_guard lock(mutex_);
    int code = state_.StateCode.load();
    if (code == 0) {
        dropStale();
        if (!writeNext()) return 0;
        code = state_.StateCode.load();
    }
    // A stop that did not come through this door still discards what is held.
    if (code == StopCode && written_ != Written::Stop) state_.StopGeneration.fetch_add(1);
    if (code == StopCode) stopOwed_ = false;
    safetyRunning_ = written_ == Written::Safety && code == safetyCode_;
    if (safetyRunning_) safetyPosted_ = false;
    written_ = Written::None;
    dropStale();
    return code;
}

void Commander::service() {
    std::lock_guard lock(mutex_);
    dropStale();
    if (idle()) writeNext();
}

bool Commander::waitUntilIdle(int64_t timeoutMs, const Pump& pump) {
    const int64_t deadline = clock_.nowMs() + timeoutMs;
    while (state_.StateCode != 0) {
        if (terminating_ || clock_.nowMs() > deadline) return false;
        if (pump) pump();
        clock_.sleepMs(IdleCheckMs, &terminating_);
    }
    return true;
}

bool Commander::issueInOrder(const std::vector<std::pair<int, Params>>& commands, int64_t timeoutMs,
                             const Pump& pump) {
    for (const auto& [code, params] : commands) {
        if (!waitUntilIdle(timeoutMs, pump)) return false;
        if (issue(code, params) == Outcome::Refused) return false;
    }
    return true;
}

size_t Commander::heldCount() const {
    std::lock_guard lock(mutex_);
    return held_.size();
}

bool Commander::holds(int code) {
    std::lock_guard lock(mutex_);
    dropStale();
    return std::any_of(held_.begin(), held_.end(), [code](const Held& h) { return h.code == code; });
}

size_t Commander::heldOn(int channel) const {
    std::lock_guard lock(mutex_);
    return heldOn(channel, held_);
}

size_t Commander::heldOn(int channel, const std::deque<Held>& held) {
    return static_cast<size_t>(
        std::count_if(held.begin(), held.end(), [channel](const Held& h) { return h.channel == channel; }));
}

void Commander::discardOn(int channel) {
    std::lock_guard lock(mutex_);
    std::erase_if(held_, [channel](const Held& h) { return h.channel == channel; });
}

void Commander::write(int code, const Params& params, Written what) {
    auto& p = state_.CommandParam;
    p[0] = code;
    for (size_t i = 0; i < params.size() && i + 1 < p.size(); ++i) p[i + 1] = params[i];
    state_.StateCode = code;
    written_ = what;
}

bool Commander::idle() const { return state_.StateCode.load() == 0; }

bool Commander::writeNext() {
    if (stopOwed_) {
        write(StopCode, {}, Written::Stop);
        return true;
    }
    if (safetyPosted_) {
        // The safety command moves a drive: it waits for the interlock to close,
        // and what is held waits behind it.
        if (state_.InterlockOpen) return false;
        write(safetyCode_, safetyParams_, Written::Safety);
        return true;
    }
    if (held_.empty()) return false;
    const Held next = std::move(held_.front());
    held_.pop_front();
    write(next.code, next.params, Written::Held);
    return true;
}

void Commander::dropStale() {
    const uint32_t generation = state_.StopGeneration.load();
    const int64_t now = clock_.nowMs();
    std::erase_if(held_, [&](const Held& h) {
        std::string why;
        if (h.generation != generation) why = " discarded by a stop";
        else if (now - h.madeMs > HeldLifeMs)
            why = " dropped, not taken within " + std::to_string(HeldLifeMs / 1000) + " s";
        else return false;
        log_.AddLog(nameOf(h.channel) + ": Command " + std::to_string(h.code) + why);
        return true;
    });
}

std::string Commander::nameOf(int channel) const {
    for (const auto& [id, name] : names_)
        if (id == channel) return name;
    return OwnChannelName;
}

}  // namespace orv
