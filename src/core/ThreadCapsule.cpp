#include "core/ThreadCapsule.h"

namespace orv {

TThreadCapsule::TThreadCapsule(Procedure procedure, LastAct lastAct)
    : procedure_(std::move(procedure)), lastAct_(std::move(lastAct)) {
    thread_ = std::thread([this] {
        while (!terminated_.load()) {
            if (procedure_) procedure_(*this);
        }
        if (lastAct_) lastAct_();
    });
}

TThreadCapsule::~TThreadCapsule() {
    terminate();
    waitFor();
}

void TThreadCapsule::waitFor() {
    if (thread_.joinable()) thread_.join();
}

}  // namespace orv
